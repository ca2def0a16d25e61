// qlmtool copy, build and list as a script runs them: real processes on real
// folders.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "app/catalogue/engine.h"
#include "app/card/recording.h"
#include "app/catalogue/callrecord.h"
#include "tests/support/testsupport.h"

using namespace qlm;

namespace {

// The build's folder has no password set: the empty one signs in.
test::RunResult Tool(const QStringList& args) {
    return test::Run(test::BuiltPath("qlmtool"), args + QStringList{"--password-stdin"}, "\n");
}

QStringList Lines(const QByteArray& out) { return QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts); }

}  // namespace

TEST(QlmtoolCard, CopyBuildListRoundTrip) {
    QTemporaryDir dir;
    const QString card = dir.filePath("card"), pc = dir.filePath("pc/calls");
    ASSERT_EQ(test::Run(test::BuiltPath("qlmsim"), {"democard", card}).exitCode, 0);
    test::WriteFile(card + "/NOTES.TXT", "notes");

    const test::RunResult copy = Tool({"copy", card, pc});
    EXPECT_EQ(copy.exitCode, 0) << copy.err.toStdString();
    EXPECT_EQ(Lines(copy.out).size(), 12);
    EXPECT_TRUE(Lines(copy.out).contains(pc + "/A2524143.527"));
    EXPECT_FALSE(QFile::exists(pc + "/NOTES.TXT"));

    const test::RunResult build = Tool({"build", pc});
    ASSERT_EQ(build.exitCode, 0) << build.err.toStdString();
    const QStringList fields = QString::fromUtf8(build.out).trimmed().split(u'\t');
    ASSERT_EQ(fields.size(), 2);
    EXPECT_TRUE(fields[0].startsWith(pc + "/"));
    EXPECT_TRUE(fields[0].endsWith("1.mdb"));
    EXPECT_EQ(fields[1], "12");

    const test::RunResult json = Tool({"build", "--json", pc});
    const QJsonObject built = QJsonDocument::fromJson(json.out).object();
    EXPECT_TRUE(built.value("path").toString().endsWith("2.mdb"));
    EXPECT_EQ(built.value("rows").toInt(), 12);

    const test::RunResult list = Tool({"list", fields[0]});
    ASSERT_EQ(list.exitCode, 0) << list.err.toStdString();
    const QStringList lines = Lines(list.out);
    ASSERT_EQ(lines.size(), 12);
    // The demo card holds real speech: its length decides the duration.
    const QString duration = FormatDuration(EstimateDuration(QFileInfo(pc + "/A2524143.527").size(), 0));
    EXPECT_TRUE(lines.contains("10/25/2024\t14:35:27\t" + duration +
                               "\t \t4420\t \tVoice activated\tNot saved\t1.2 KB/s\t \tA2524143.527"))
        << lines.join("\n").toStdString();
    const test::RunResult listJson = Tool({"list", "--json", fields[0]});
    const QJsonObject first = QJsonDocument::fromJson(Lines(listJson.out).value(0).toUtf8()).object();
    EXPECT_EQ(first.keys(), (QStringList{"callerId", "comment", "date", "dialString", "duration", "file", "inOut",
                                         "sampleRate", "saved", "telMic", "time"}));
}

TEST(QlmtoolCard, FailuresGoToStderrWithStatusOne) {
    QTemporaryDir dir;
    const QString card = dir.filePath("card");
    ASSERT_EQ(test::Run(test::BuiltPath("qlmsim"), {"democard", card}).exitCode, 0);
    // A recording name that is no recording file: passed over by copy and
    // build, counted, and the status says not everything was taken.
    ASSERT_TRUE(QFile::link(dir.filePath("lost"), card + "/A2505143.527"));

    const test::RunResult copy = Tool({"copy", card, dir.filePath("pc")});
    EXPECT_EQ(copy.exitCode, 1);
    EXPECT_EQ(Lines(copy.out).size(), 12);
    EXPECT_TRUE(copy.err.contains("1 entries with a recording's name were skipped")) << copy.err.toStdString();

    const test::RunResult build = Tool({"build", card});
    EXPECT_EQ(build.exitCode, 1);
    EXPECT_TRUE(build.out.endsWith("\t12\n")) << build.out.toStdString();
    EXPECT_TRUE(build.err.contains("no regular files")) << build.err.toStdString();
    // A recording shorter than its header is reported by name.
    test::WriteFile(card + "/A2505143.528", QByteArray(511, 'x'));
    const test::RunResult again = Tool({"build", card});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(again.err.contains("A2505143.528")) << again.err.toStdString();

    EXPECT_EQ(Tool({"copy", dir.filePath("nowhere"), dir.filePath("pc")}).exitCode, 1);
    EXPECT_EQ(Tool({"build", dir.filePath("nowhere")}).exitCode, 1);

    // list: no database, no table qlm, and a catalogue open in this process.
    test::WriteFile(dir.filePath("text.mdb"), QByteArray(2048, 't'));
    const test::RunResult text = Tool({"list", dir.filePath("text.mdb")});
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_TRUE(text.err.contains("could not be opened")) << text.err.toStdString();
    Error error;
    auto other = Database::Create(dir.filePath("other.mdb"), QString(), 0, &error);
    ASSERT_TRUE(other);
    other.reset();
    EXPECT_EQ(Tool({"list", dir.filePath("other.mdb")}).exitCode, 1);

    const QString catalogue = QString::fromUtf8(Tool({"build", dir.filePath("pc")}).out).section(u'\t', 0, 0);
    auto held = Database::Open(catalogue, true, &error);
    ASSERT_TRUE(held) << error.description.toStdString();
    const test::RunResult busy = Tool({"list", catalogue});
    EXPECT_EQ(busy.exitCode, 1);
    EXPECT_TRUE(busy.err.contains("3045")) << busy.err.toStdString();
    held.reset();
    EXPECT_EQ(Tool({"list", catalogue}).exitCode, 0);
}
