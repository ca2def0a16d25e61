// qlmtool's plain output with hostile text in a comment: one line a call
// whatever the comment holds, nothing that a terminal would act on, and the
// exact text in JSON. Real processes on a real catalogue.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "tests/support/cardcatalogue.h"

using namespace qlm;

TEST(Cli, ControlCharactersInACommentStayOnTheCallsLine) {
    const QVector<QDateTime> at = test::FixtureCallTimes();
    QTemporaryDir card;
    test::CardCatalogue c(card.path());
    const QString cat = c.catalogue;
    c.database->Close();  // qlmtool opens it exclusively
    // The build's own qlmtool, with its string library and no password.
    const QString tool = test::BuiltPath(QStringLiteral("qlmtool"));
    const auto run = [&](QStringList args) {
        args.insert(1, QStringLiteral("--password-stdin"));
        return test::Run(tool, args, "\n");
    };

    // Tab, line breaks, an ESC sequence that would colour the terminal and
    // clear it, a bell, DEL, a C1 control (CSI), and backslashes that must
    // not read as escapes.
    const QChar esc(0x1b);
    const QString hostile = QStringLiteral("a\tb\nc\r") + esc + QStringLiteral("[31mred") + esc +
                            QStringLiteral("[2J") + QChar(0x07) + QChar(0x7f) + QChar(0x9b) +
                            QStringLiteral("1m C:\\new\\x1b");
    ASSERT_EQ(run({QStringLiteral("comment"), cat, test::DateText(at[1]), test::TimeText(at[1]), hostile}).exitCode, 0);

    for (const QString& command : {QStringLiteral("list"), QStringLiteral("search")}) {
        const test::RunResult plain = run({command, cat});
        ASSERT_EQ(plain.exitCode, 0) << plain.err.toStdString();
        const QList<QByteArray> lines = plain.out.split('\n');
        EXPECT_EQ(plain.out.count('\n'), at.size()) << plain.out.toStdString();
        for (const char control : {'\x1b', '\r', '\a', '\x7f'})
            EXPECT_FALSE(plain.out.contains(control)) << command.toStdString() << ' ' << int(control);
        EXPECT_FALSE(plain.out.contains("\xc2\x9b"));  // U+009B in UTF-8
        // Every call with the same fields, none split.
        for (const QByteArray& line : lines) {
            if (!line.isEmpty()) {
                EXPECT_EQ(line.count('\t'), lines.first().count('\t')) << line.toStdString();
            }
        }
        EXPECT_GE(lines.first().count('\t'), 9);
        EXPECT_TRUE(plain.out.contains("\ta\\tb\\nc\\r\\x1b[31mred\\x1b[2J\\x07\\x7f\\x9b1m C:\\\\new\\\\x1b"))
            << plain.out.toStdString();
    }

    const test::RunResult json = run({QStringLiteral("list"), QStringLiteral("--json"), cat});
    ASSERT_EQ(json.exitCode, 0);
    QStringList comments;
    for (const QByteArray& line : json.out.split('\n'))
        if (!line.isEmpty())
            comments << QJsonDocument::fromJson(line).object()[QStringLiteral("comment")].toString();
    EXPECT_TRUE(comments.contains(hostile));
}
