// What the tests of the access code, the dialogs and qlmtool share: the
// passwords that the file keeps and those it cannot keep as they are, and a
// stopped clock for the brake on guessing.
#pragma once

#include <QList>
#include <QString>

#include "app/access/brake.h"

namespace qlm::test {

// The brake's clock, stopped: it moves only when the test moves it, and a
// sleep is noted and moves it by as much, so delays are checked without
// waiting for them.
class FakeBrakeClock {
public:
    explicit FakeBrakeClock(qint64 start = 1700000000000) : now_(start) {
        SetBrakeClock({[this] { return now_; },
                       [this](qint64 ms) {
                           sleeps_ << ms;
                           now_ += ms;
                       }});
    }
    ~FakeBrakeClock() { SetBrakeClock({}); }
    FakeBrakeClock(const FakeBrakeClock&) = delete;
    FakeBrakeClock& operator=(const FakeBrakeClock&) = delete;

    void Advance(qint64 ms) { now_ += ms; }
    qint64 Now() const { return now_; }
    const QList<qint64>& Sleeps() const { return sleeps_; }

private:
    qint64 now_;
    QList<qint64> sleeps_;
};

struct StorablePassword {
    QString typed;   // as entered
    QString stored;  // what must sign in afterwards (blanks around removed)
};

// Every printable ASCII punctuation mark, spread over three passwords of at
// most 16 characters; blanks inside, blanks around, and the empty password.
inline QList<StorablePassword> StorablePasswords() {
    return {
        {QStringLiteral("a!\"#$%&'()*+,-./"), QStringLiteral("a!\"#$%&'()*+,-./")},
        {QStringLiteral("b:;<=>?@[\\]^_`{|"), QStringLiteral("b:;<=>?@[\\]^_`{|")},
        {QStringLiteral("}~ inner  blanks"), QStringLiteral("}~ inner  blanks")},
        {QStringLiteral("  AZaz09  "), QStringLiteral("AZaz09")},
        {QString(), QString()},
    };
}

// German, French, the euro sign and a tab: refused, never stored shortened.
// shortened is what an older build stored instead.
struct RefusedPassword {
    QString typed;
    QString shortened;
};
inline QList<RefusedPassword> RefusedPasswords() {
    return {
        {QStringLiteral("Gr\u00fc\u00dfe1"), QStringLiteral("Gre1")},
        {QStringLiteral("caf\u00e9 cr\u00e8me"), QStringLiteral("caf crme")},
        {QStringLiteral("No\u00ebl \u00e0 No\u00ebl"), QStringLiteral("Nol  Nol")},
        {QStringLiteral("\u20ac"), QString()},
        {QStringLiteral("\u00e4\u00f6\u00fc\u00df\u20ac"), QString()},
        {QStringLiteral("tab\there"), QStringLiteral("tabhere")},
    };
}

}  // namespace qlm::test
