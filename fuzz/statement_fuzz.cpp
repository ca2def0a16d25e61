// The catalogue's statement dialect: any text through the #...# translation,
// and a pattern and a value through LIKE, both by the matcher alone (checked
// against a plain dynamic-programming matcher) and inside a real statement on
// a real catalogue file, where the value must also be stored exactly.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include <QString>

#include "app/catalogue/engine.h"
#include "fuzz/fuzzutil.h"

namespace {

// The wildcards written out once more, the slow and obvious way.
struct Item {
    enum Kind { Char, One, Digit, Any, Set } kind = Char;
    char32_t c = 0;
    bool negate = false;
    std::vector<std::pair<char32_t, char32_t>> ranges;
};

char32_t Fold(char32_t c) { return QChar::toCaseFolded(c); }

bool Parse(const std::u32string& p, std::vector<Item>* items) {
    for (size_t i = 0; i < p.size(); ++i) {
        Item item;
        switch (p[i]) {
        case U'*':
            item.kind = Item::Any;
            break;
        case U'?':
            item.kind = Item::One;
            break;
        case U'#':
            item.kind = Item::Digit;
            break;
        case U'[': {
            item.kind = Item::Set;
            size_t j = i + 1;
            if (j < p.size() && p[j] == U'!') {
                item.negate = true;
                ++j;
            }
            while (j < p.size() && p[j] != U']') {
                if (j + 2 < p.size() && p[j + 1] == U'-' && p[j + 2] != U']') {
                    if (Fold(p[j]) > Fold(p[j + 2]))
                        return false;
                    item.ranges.emplace_back(Fold(p[j]), Fold(p[j + 2]));
                    j += 3;
                } else {
                    item.ranges.emplace_back(Fold(p[j]), Fold(p[j]));
                    ++j;
                }
            }
            if (j >= p.size())
                return false;
            i = j;
            if (item.ranges.empty() && !item.negate)
                continue;
            break;
        }
        default:
            item.c = Fold(p[i]);
        }
        items->push_back(item);
    }
    return true;
}

bool ItemMatches(const Item& item, char32_t c) {
    switch (item.kind) {
    case Item::Char:
        return item.c == Fold(c);
    case Item::One:
        return true;
    case Item::Digit:
        return c >= U'0' && c <= U'9';
    case Item::Set: {
        bool in = false;
        for (const auto& r : item.ranges)
            in = in || (Fold(c) >= r.first && Fold(c) <= r.second);
        return in != item.negate;
    }
    case Item::Any:
        break;
    }
    return false;
}

bool SlowLike(const std::vector<Item>& items, const std::u32string& text) {
    // reach[t]: the items so far can consume exactly the first t characters.
    std::vector<char> reach(text.size() + 1, 0);
    reach[0] = 1;
    for (const Item& item : items) {
        std::vector<char> next(text.size() + 1, 0);
        for (size_t t = 0; t <= text.size(); ++t) {
            if (!reach[t])
                continue;
            if (item.kind == Item::Any) {
                for (size_t u = t; u <= text.size(); ++u)
                    next[u] = 1;
                break;
            }
            if (t < text.size() && ItemMatches(item, text[t]))
                next[t + 1] = 1;
        }
        reach.swap(next);
    }
    return reach[text.size()];
}

std::u32string Ucs4(const QString& s) {
    std::u32string out;
    for (uint c : s.toUcs4())
        out.push_back(static_cast<char32_t>(c));
    return out;
}

QString Quoted(QString text) {
    text.remove(QChar(0));  // a statement ends at a NUL
    return u'\'' + text.replace(u'\'', QStringLiteral("''")) + u'\'';
}

qlm::Database* Catalogue() {
    static std::unique_ptr<qlm::Database> db = [] {
        qlm::Error error;
        auto created = qlm::Database::Create(QString::fromStdString(fuzz::ScratchFolder() + "/like.mdb"),
                                             QString::fromLatin1(qlm::kGeneralLocale), 0, &error);
        fuzz::Check(created != nullptr);
        qlm::TableDef table;
        table.Name = QStringLiteral("t");
        table.CreateField(QStringLiteral("c"), qlm::FieldType::Text);
        fuzz::Check(created->AppendTableDef(table, &error));
        return created;
    }();
    return db.get();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const QString statement = QString::fromStdString(in.ConsumeRandomLengthString(300));
    const QString pattern = QString::fromStdString(in.ConsumeRandomLengthString(100));
    const QString value = QString::fromStdString(in.ConsumeRandomLengthString(200));
    const bool useDatabase = in.ConsumeBool();

    // Translation: only #...# changes; what comes out translates to itself.
    qlm::Error error;
    const QString translated = qlm::TranslateStatement(statement, &error);
    if (error.IsSet()) {
        fuzz::Check(translated.isEmpty() && error.number == qlm::dberr::kSyntax && statement.contains(u'#'));
    } else {
        if (!statement.contains(u'#'))
            fuzz::Check(translated == statement);
        qlm::Error again;
        fuzz::Check(qlm::TranslateStatement(translated, &again) == translated && !again.IsSet());
    }

    // LIKE against the slow matcher.
    bool bad = false;
    const bool match = qlm::LikeMatch(pattern, value, &bad);
    std::vector<Item> items;
    const bool parsed = Parse(Ucs4(pattern), &items);
    fuzz::Check(bad == !parsed);
    fuzz::Check(match == (parsed && SlowLike(items, Ucs4(value))));

    // The same through the engine: the value stored and read back unchanged,
    // LIKE giving the matcher's answer.
    if (!useDatabase)
        return 0;
    qlm::Database* db = Catalogue();
    QString stored = value;
    stored.remove(QChar(0));
    QString storedPattern = pattern;
    storedPattern.remove(QChar(0));
    fuzz::Check(db->Execute(QStringLiteral("DELETE FROM t"), &error));
    fuzz::Check(db->Execute(QStringLiteral("INSERT INTO t (c) VALUES (%1)").arg(Quoted(stored)), &error));
    {
        auto rows = db->OpenRecordset(QStringLiteral("SELECT c FROM t"), &error);
        fuzz::Check(rows && !rows->AtEnd() && rows->Field(QStringLiteral("c")).toString() == stored);
    }
    qlm::Error likeError;
    auto rows =
        db->OpenRecordset(QStringLiteral("SELECT c FROM t WHERE c LIKE %1").arg(Quoted(storedPattern)), &likeError);
    bool storedBad = false;
    const bool storedMatch = qlm::LikeMatch(storedPattern, stored, &storedBad);
    if (storedBad) {
        fuzz::Check(!rows && likeError.IsSet());
    } else {
        fuzz::Check(rows != nullptr);
        fuzz::Check(rows->AtEnd() == !storedMatch);
    }
    return 0;
}
