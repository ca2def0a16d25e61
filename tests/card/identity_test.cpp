// A call is its recording: two recordings of one time stamp stay two calls
// through copy, build, list, comment, play and export, on real folders and
// through the real qlmtool.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "app/card/copy.h"
#include "app/card/recording.h"
#include "platform/appfolder.h"
#include "tests/support/cardfiles.h"
#include "tests/support/testsupport.h"
#include "tools/recsim.h"

using namespace qlm;

namespace {

QStringList Names(const QString& folder) { return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

QByteArray Sha256Of(const QString& path) {
    // The system's own tool, not our code, says what the file holds.
    const test::RunResult run = test::Run(QStringLiteral("sha256sum"), {path});
    return run.out.left(64);
}

QString OnlyCatalogue(const QString& folder) {
    const QStringList found = QDir(folder).entryList({QStringLiteral("*.mdb")}, QDir::Files);
    return found.size() == 1 ? JoinPath(folder, found.first()) : QString();
}

// The calls `qlmtool list --json` prints, by recording file.
QMap<QString, QJsonObject> Listed(const QString& catalogue) {
    QMap<QString, QJsonObject> calls;
    const test::RunResult run = test::Qlmtool({QStringLiteral("list"), QStringLiteral("--json"), catalogue});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    for (const QByteArray& line : run.out.split('\n'))
        if (!line.isEmpty()) {
            const QJsonObject call = QJsonDocument::fromJson(line).object();
            calls.insert(call.value(QStringLiteral("file")).toString(), call);
        }
    return calls;
}

QString Sql(const QString& catalogue, const QString& statement) {
    return QString::fromUtf8(test::Run(QStringLiteral("sqlite3"), {catalogue, statement}).out.trimmed());
}

}  // namespace

TEST(CallIdentity, TwoCardsWithOneNameKeepBothRecordingsAndTheirChecksums) {
    QTemporaryDir first, second, library;
    const QDateTime start(QDate(2024, 1, 1), QTime(0, 0, 5));
    const QString path =
        sim::WriteRecording(first.path(), {start, QStringLiteral("5551111"), 0, sim::FillerPayload(2000)});
    sim::WriteRecording(second.path(), {start, QStringLiteral("5552222"), 0, sim::FillerPayload(3000)});
    const QString name = QFileInfo(path).fileName();
    const QByteArray firstBytes = test::ReadFile(JoinPath(first.path(), name));
    const QByteArray secondBytes = test::ReadFile(JoinPath(second.path(), name));

    CopyResult copied = CopyRecordings(first.path(), library.path(), {});
    EXPECT_EQ(copied.copied, 1);
    copied = CopyRecordings(second.path(), library.path(), {});
    EXPECT_EQ(copied.copied, 1);
    ASSERT_EQ(copied.storedBeside.size(), 1);
    const QString beside = copied.storedBeside.first();
    EXPECT_TRUE(beside.startsWith(name + u'-')) << beside.toStdString();
    EXPECT_TRUE(IsRecordingName(beside));
    // Neither card's recording replaced the other's; a second copy of either
    // card finds its bytes there and copies nothing.
    EXPECT_EQ(test::ReadFile(JoinPath(library.path(), name)), firstBytes);
    EXPECT_EQ(test::ReadFile(JoinPath(library.path(), beside)), secondBytes);
    for (const QString& card : {first.path(), second.path()}) {
        copied = CopyRecordings(card, library.path(), {});
        EXPECT_EQ(copied.copied, 0);
        EXPECT_EQ(copied.alreadyThere, 1);
        EXPECT_FALSE(CopyNoticeLines(copied).isEmpty());
    }
    EXPECT_EQ(Names(library.path()), (QStringList{QStringLiteral(".qlm-imports"), name, beside}));

    // Built as two calls, each with the checksum of the bytes read off its
    // card, its size and the time of its import.
    ASSERT_EQ(test::Qlmtool({QStringLiteral("build"), library.path()}).exitCode, 0);
    const QString catalogue = OnlyCatalogue(library.path());
    const QMap<QString, QJsonObject> calls = Listed(catalogue);
    ASSERT_EQ(calls.keys(), (QStringList{name, beside}));
    EXPECT_EQ(calls[name].value(QStringLiteral("duration")).toString(), QStringLiteral("0:00:01"));
    EXPECT_EQ(calls[beside].value(QStringLiteral("duration")).toString(), QStringLiteral("0:00:02"));
    for (const QString& file : {name, beside}) {
        const QString row = Sql(catalogue, QStringLiteral("SELECT size, sha256, imported FROM qlm_recording "
                                                          "WHERE file = '%1'")
                                               .arg(file));
        const QStringList fields = row.split(u'|');
        ASSERT_EQ(fields.size(), 3) << row.toStdString();
        EXPECT_EQ(fields[0].toLongLong(), QFileInfo(JoinPath(library.path(), file)).size());
        EXPECT_EQ(fields[1].toLatin1(), Sha256Of(JoinPath(library.path(), file)));
        EXPECT_TRUE(QDateTime::fromString(fields[2], Qt::ISODate).isValid()) << fields[2].toStdString();
    }
}

TEST(CallIdentity, TwoLetterCasesOfOneStampAreTwoCallsForEveryCommand) {
    QTemporaryDir demo, folder, out;
    ASSERT_GT(sim::WriteDemoCard(demo.path()), 2);
    const QStringList spoken = QDir(demo.path()).entryList(QDir::Files, QDir::Name);
    const QString upper = QStringLiteral("B1124101.010"), lower = QStringLiteral("b1124101.010");
    // Two different calls: other numbers, other speech.
    QByteArray a = test::ReadFile(JoinPath(demo.path(), spoken[0]));
    QByteArray b = test::ReadFile(JoinPath(demo.path(), spoken[1]));
    test::WriteFile(JoinPath(folder.path(), upper), a);
    test::WriteFile(JoinPath(folder.path(), lower), b);
    ASSERT_EQ(test::Qlmtool({QStringLiteral("build"), folder.path()}).exitCode, 0);
    const QString catalogue = OnlyCatalogue(folder.path());
    ASSERT_EQ(Listed(catalogue).keys(), (QStringList{upper, lower}));

    // The shared date and time name no single call: refused, naming both.
    const QString date = QStringLiteral("11/11/2024"), time = QStringLiteral("10:10:10");
    const test::RunResult vague =
        test::Qlmtool({QStringLiteral("comment"), catalogue, date, time, QStringLiteral("x")});
    EXPECT_NE(vague.exitCode, 0);
    EXPECT_TRUE(vague.err.contains(upper.toLatin1()) && vague.err.contains(lower.toLatin1())) << vague.err.data();
    // By its file, one call alone gets the comment.
    ASSERT_EQ(test::Qlmtool({QStringLiteral("comment"), catalogue, lower, QStringLiteral("the second")}).exitCode, 0);
    QMap<QString, QJsonObject> calls = Listed(catalogue);
    EXPECT_EQ(calls[lower].value(QStringLiteral("comment")).toString(), QStringLiteral("the second"));
    EXPECT_EQ(calls[upper].value(QStringLiteral("comment")).toString(), QStringLiteral(" "));

    // Each plays its own recording.
    for (const QString& file : {upper, lower}) {
        const test::RunResult played =
            test::Qlmtool({QStringLiteral("play"), catalogue, file, QStringLiteral("--output"),
                           JoinPath(out.path(), file + QStringLiteral(".heard.wav"))});
        EXPECT_EQ(played.exitCode, 0) << played.err.toStdString();
    }
    EXPECT_NE(test::ReadFile(JoinPath(out.path(), upper + QStringLiteral(".heard.wav"))),
              test::ReadFile(JoinPath(out.path(), lower + QStringLiteral(".heard.wav"))));

    // An export of both holds two different recordings, and the manifest
    // tells them apart by number.
    const QString exported = JoinPath(out.path(), QStringLiteral("export"));
    ASSERT_TRUE(QDir().mkpath(exported));
    const test::RunResult run =
        test::Qlmtool({QStringLiteral("export"), catalogue, QStringLiteral("--dest"), exported, upper, lower});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QStringList audio = QDir(exported).entryList({QStringLiteral("*.wav")}, QDir::Files, QDir::Name);
    ASSERT_EQ(audio.size(), 2);
    EXPECT_NE(test::ReadFile(JoinPath(exported, audio[0])), test::ReadFile(JoinPath(exported, audio[1])));
}

TEST(CallIdentity, ASecondImportKeepsCommentsAndVerifyTellsWhatChanged) {
    QTemporaryDir first, second, root;
    const QString library = JoinPath(root.path(), QStringLiteral("Calls"));
    const QDateTime start(QDate(2024, 5, 1), QTime(9, 0, 0));
    const QString one =
        QFileInfo(sim::WriteRecording(first.path(), {start, QStringLiteral("5551111"), 0, sim::FillerPayload(2000)}))
            .fileName();
    const QString two = QFileInfo(sim::WriteRecording(second.path(), {start.addSecs(60), QStringLiteral("5552222"), 0,
                                                                      sim::FillerPayload(2000)}))
                            .fileName();
    // The card is never its own library.
    EXPECT_EQ(
        test::Qlmtool({QStringLiteral("copy"), first.path(), JoinPath(first.path(), QStringLiteral("lib"))}).exitCode,
        64);
    EXPECT_FALSE(QFileInfo::exists(JoinPath(first.path(), QStringLiteral("lib"))));

    ASSERT_EQ(test::Qlmtool({QStringLiteral("copy"), first.path(), library}).exitCode, 0);
    ASSERT_EQ(test::Qlmtool({QStringLiteral("build"), library}).exitCode, 0);
    const QString older = OnlyCatalogue(library);
    ASSERT_EQ(test::Qlmtool({QStringLiteral("comment"), older, one, QStringLiteral("it's the bank")}).exitCode, 0);
    // Older catalogues that cannot be read are named, not fatal.
    test::WriteFile(JoinPath(library, QStringLiteral("C0101991.mdb")), QByteArray(4096, 'x'));

    ASSERT_EQ(test::Qlmtool({QStringLiteral("copy"), second.path(), library}).exitCode, 0);
    const test::RunResult built = test::Qlmtool({QStringLiteral("build"), QStringLiteral("--json"), library});
    ASSERT_EQ(built.exitCode, 0) << built.err.toStdString();
    EXPECT_TRUE(built.err.contains("Comments of 1 calls carried over from " + QFileInfo(older).fileName().toUtf8()))
        << built.err.toStdString();
    EXPECT_TRUE(built.err.contains("C0101991.mdb")) << built.err.toStdString();
    const QString newer = QJsonDocument::fromJson(built.out).object().value(QStringLiteral("path")).toString();
    QMap<QString, QJsonObject> calls = Listed(newer);
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[one].value(QStringLiteral("comment")).toString(), QStringLiteral("it's the bank"));
    // The checksums came along from the copies, so the recordings verify.
    const auto verify = [&] { return test::Qlmtool({QStringLiteral("verify"), QStringLiteral("--json"), newer}); };
    EXPECT_EQ(verify().exitCode, 0) << verify().err.toStdString();

    // A changed byte, a recording gone, one replaced by a FIFO.
    QByteArray bytes = test::ReadFile(JoinPath(library, one));
    bytes[600] = char(bytes[600] ^ 1);
    test::WriteFile(JoinPath(library, one), bytes);
    test::RunResult checked = verify();
    EXPECT_EQ(checked.exitCode, 1);
    EXPECT_TRUE(checked.out.contains("\"state\":\"changed\"")) << checked.out.toStdString();
    ASSERT_TRUE(QFile::remove(JoinPath(library, two)));
    ASSERT_TRUE(QFile::remove(JoinPath(library, one)));
    ASSERT_EQ(::mkfifo(QFile::encodeName(JoinPath(library, one)).constData(), 0600), 0);
    checked = verify();
    EXPECT_EQ(checked.exitCode, 1);
    EXPECT_TRUE(checked.out.contains("\"state\":\"missing\"")) << checked.out.toStdString();
    EXPECT_TRUE(checked.out.contains("\"state\":\"unreadable\"")) << checked.out.toStdString();
    EXPECT_TRUE(checked.err.contains("2 calls checked: 0 unchanged, 0 changed, 1 missing, 1 unreadable"))
        << checked.err.toStdString();
}
