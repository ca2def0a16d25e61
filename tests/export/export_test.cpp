// Export, backup and pruning as a user meets them: qlmtool on a real card
// and catalogue, the real voxform and libraries; the files read back by
// independent readers (unzip, Python's csv and json, sox, ffprobe, sqlite3);
// cancel and full media on a real small file system.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>

#include <QRegularExpression>

#include "app/export/backup.h"
#include "app/export/exportcalls.h"
#include "tests/export/exporttest.h"
#include "tests/support/smallfs.h"

namespace qlm::test {
namespace {

TEST_F(ExportTest, ZipOfEveryCallReadsBackExactly) {
    const QString zip = dir_.filePath(QStringLiteral("calls.zip"));
    const RunResult run =
        Tool({QStringLiteral("export"), catalogue_, QStringLiteral("--dest"), zip, QStringLiteral("--all")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(LibStr(str::CallsExportedTo).arg(calls_.size()).arg(zip).toUtf8()));

    QStringList expectedNames = {QStringLiteral("calls.csv"), QStringLiteral("calls.json")};
    for (const CardCall& call : std::as_const(calls_))
        expectedNames << ReadableName(call, "wav");
    EXPECT_EQ(test::Run(QStringLiteral("unzip"), {QStringLiteral("-tq"), zip}).exitCode, 0);
    QStringList listed = QString::fromUtf8(test::Run(QStringLiteral("unzip"), {QStringLiteral("-Z1"), zip}).out)
                             .split(u'\n', Qt::SkipEmptyParts);
    listed.sort();
    expectedNames.sort();
    EXPECT_EQ(listed, expectedNames);
    // Every entry an ordinary file for its owner, readable by others: unzip
    // gives extracted files the stored mode, whatever the umask.
    const QStringList modes = QString::fromUtf8(test::Run(QStringLiteral("zipinfo"), {zip}).out)
                                  .split(u'\n', Qt::SkipEmptyParts)
                                  .filter(QRegularExpression(QStringLiteral("^[-d][-rwxsStT]{9} ")));
    EXPECT_EQ(modes.size(), expectedNames.size());
    for (const QString& line : modes)
        EXPECT_TRUE(line.startsWith(QStringLiteral("-rw-r--r-- "))) << line.toStdString();
    const QString out = dir_.filePath(QStringLiteral("unzipped"));
    ASSERT_EQ(test::Run(QStringLiteral("unzip"), {QStringLiteral("-q"), zip, QStringLiteral("-d"), out}).exitCode, 0);
    for (const QString& name : std::as_const(expectedNames)) {
        struct stat extracted {};
        ASSERT_EQ(::stat(QFile::encodeName(JoinPath(out, name)).constData(), &extracted), 0);
        EXPECT_EQ(extracted.st_mode & 07777, 0644u) << name.toStdString();
    }
    EXPECT_EQ(Entries(dir_.path()).filter(QStringLiteral("calls.zip")), QStringList{QStringLiteral("calls.zip")});

    const QJsonObject read = Manifests(out);
    EXPECT_TRUE(read[QStringLiteral("bom")].toBool());
    EXPECT_TRUE(read[QStringLiteral("crlf")].toBool());
    // The keys of `qlmtool list --json`, then the file and its length.
    const RunResult list = Tool({QStringLiteral("list"), QStringLiteral("--json"), catalogue_});
    QStringList keys = QJsonDocument::fromJson(list.out.split('\n').first()).object().keys();
    QStringList header;
    for (const QJsonValue& key : read[QStringLiteral("header")].toArray())
        header << key.toString();
    keys << QStringLiteral("file") << QStringLiteral("seconds");
    keys.removeDuplicates();  // list names each call's recording file too
    QStringList sortedHeader = header;
    sortedHeader.sort();
    keys.sort();
    EXPECT_EQ(sortedHeader, keys);

    const QJsonArray csv = read[QStringLiteral("csv")].toArray();
    const QJsonArray json = read[QStringLiteral("json")].toArray();
    ASSERT_EQ(csv.size(), calls_.size());
    ASSERT_EQ(json.size(), calls_.size());
    QSet<QString> seen;
    for (int i = 0; i < csv.size(); ++i) {
        // The manifests list the calls in the catalogue's order.
        const QString start = csv[i].toObject()[QStringLiteral("date")].toString() + u' ' +
                              csv[i].toObject()[QStringLiteral("time")].toString();
        const auto found = std::find_if(calls_.cbegin(), calls_.cend(), [&](const CardCall& c) {
            return c.start.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) == start;
        });
        ASSERT_NE(found, calls_.cend()) << start.toStdString();
        seen.insert(start);
        const CardCall& call = *found;
        const bool incoming = (call.flags & flag::kLine) && !(call.flags & flag::kNumberKind);
        const QMap<QString, QString> expected = {
            {QStringLiteral("date"), call.start.toString(QStringLiteral("yyyy-MM-dd"))},
            {QStringLiteral("time"), call.start.toString(QStringLiteral("HH:mm:ss"))},
            {QStringLiteral("callerId"), incoming ? call.number : QString()},
            {QStringLiteral("dialString"), incoming ? QString() : call.number},
            {QStringLiteral("saved"), LibStr(call.flags & flag::kSaved ? 51 : 52)},
            {QStringLiteral("comment"), call.comment},
            {QStringLiteral("file"), ReadableName(call, "wav")}};
        const QJsonObject row = csv[i].toObject(), object = json[i].toObject();
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            // A spreadsheet would run "=1+1" as a formula: the CSV shows it
            // as text, the JSON keeps it exactly.
            const bool formula = !it->isEmpty() && QStringView(u"=+-@\t\r").contains(it->front());
            EXPECT_EQ(row[it.key()].toString(), formula ? u'\'' + *it : *it) << i << ' ' << it.key().toStdString();
            EXPECT_EQ(object[it.key()].toString(), *it) << i << ' ' << it.key().toStdString();
        }
        // Each file decodes to its call's length: one 20 ms frame per frame
        // of codec data on the card.
        const QString wav = JoinPath(out, ReadableName(call, "wav"));
        const double decoded = Number(test::Run(QStringLiteral("soxi"), {QStringLiteral("-D"), wav}).out);
        EXPECT_NEAR(decoded, call.Seconds(), 0.001) << wav.toStdString();
        EXPECT_NEAR(object[QStringLiteral("seconds")].toDouble(), call.Seconds(), 0.001);
        EXPECT_NEAR(row[QStringLiteral("seconds")].toString().toDouble(), call.Seconds(), 0.001);
    }
    EXPECT_EQ(seen.size(), calls_.size());
}

TEST_F(ExportTest, Mp3OfADateRangeIntoAFolder) {
    const QString folder = dir_.filePath(QStringLiteral("out"));
    QDir().mkpath(folder);
    const QString from = calls_[2].start.date().toString(QStringLiteral("yyyy-M-d"));
    const QString to = calls_[4].start.date().toString(QStringLiteral("yyyy-MM-dd"));
    const RunResult run = Tool({QStringLiteral("export"), catalogue_, QStringLiteral("--dest"), folder,
                                QStringLiteral("--mp3"), QStringLiteral("--from"), from, QStringLiteral("--to"), to});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QStringList expected = {QStringLiteral("calls.csv"), QStringLiteral("calls.json")};
    for (int i = 2; i <= 4; ++i)
        expected << ReadableName(calls_[i], "mp3");
    expected.sort();
    EXPECT_EQ(Entries(folder), expected);  // and no staging folder left
    const QJsonArray json = Manifests(folder)[QStringLiteral("json")].toArray();
    ASSERT_EQ(json.size(), 3);
    for (int i = 2; i <= 4; ++i) {
        const QString mp3 = JoinPath(folder, ReadableName(calls_[i], "mp3"));
        const QStringList probe = {QStringLiteral("-v"),
                                   QStringLiteral("error"),
                                   QStringLiteral("-show_entries"),
                                   QStringLiteral("format=duration"),
                                   QStringLiteral("-of"),
                                   QStringLiteral("csv=p=0"),
                                   mp3};
        const double decoded = Number(test::Run(QStringLiteral("ffprobe"), probe).out);
        // The encoder adds its delay and pads to whole MP3 frames (72 ms
        // at 8 kHz).
        EXPECT_NEAR(decoded, calls_[i].Seconds(), 0.3) << mp3.toStdString();
        for (const QJsonValue& object : json) {
            if (object[QStringLiteral("file")].toString() == ReadableName(calls_[i], "mp3")) {
                EXPECT_NEAR(object[QStringLiteral("seconds")].toDouble(), calls_[i].Seconds(), 0.001);
            }
        }
    }
}

TEST_F(ExportTest, CancelAndFullMediumLeaveNoPartialExport) {
    // The conversion found done by an earlier run: the writing is what is
    // tested, with files large enough to take a while and not to shrink.
    for (const CardCall& call : std::as_const(calls_))
        LeaveWorkFiles(call, 20);
    ExportRequest request{Records(), card_, QString(), 0};

    const QString folder = dir_.filePath(QStringLiteral("dest"));
    QDir().mkpath(folder);
    request.destination = JoinPath(folder, QStringLiteral("old.zip"));
    WriteFile(request.destination, "the archive of last week");
    RecordingProgress progress;
    progress.cancelWhen = [](const QString& line) {
        return line.endsWith(u'%') && !line.endsWith(QStringLiteral(" 0%")) && !line.endsWith(QStringLiteral(" 100%"));
    };
    ExportResult result = ExportCalls(request, progress);
    EXPECT_EQ(result.outcome, ConvertOutcome::Cancelled);
    EXPECT_TRUE(progress.cancel) << progress.history.join(u'\n').toStdString();
    EXPECT_EQ(Entries(folder), QStringList{QStringLiteral("old.zip")});
    EXPECT_EQ(ReadFile(request.destination), "the archive of last week");

    SmallFs small(512 * 1024);
    if (!small.Mounted())
        GTEST_SKIP() << small.WhyNot().toStdString();
    for (const QString& destination : {JoinPath(small.path(), QStringLiteral("calls.zip")), small.path()}) {
        request.destination = destination;
        RecordingProgress full;
        result = ExportCalls(request, full);
        EXPECT_EQ(result.outcome, ConvertOutcome::Finished);
        EXPECT_EQ(result.error.number, err::kDiskFull) << result.error.description.toStdString();
        EXPECT_EQ(result.exported, 0);
        EXPECT_EQ(full.lines.lines.last(), result.summary);
        EXPECT_EQ(Entries(small.path()), QStringList()) << destination.toStdString();
    }
}

TEST_F(ExportTest, BackupIsWholeOrNothing) {
    // A held catalogue is refused; one that nobody holds is copied.
    const QString backup = dir_.filePath(QStringLiteral("backup.mdb"));
    {
        Error error;
        auto held = Database::Open(catalogue_, true, &error);
        ASSERT_TRUE(held);
        const RunResult refused = Tool({QStringLiteral("backup"), catalogue_, backup});
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_TRUE(refused.err.contains("3045")) << refused.err.toStdString();
    }
    RunResult run = Tool({QStringLiteral("backup"), catalogue_, backup});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(Tool({QStringLiteral("list"), catalogue_}).out, Tool({QStringLiteral("list"), backup}).out);
    EXPECT_EQ(Tool({QStringLiteral("backup"), catalogue_, catalogue_}).exitCode, 1);  // not onto itself

    // On a full medium the old backup stays as it was, and nothing else.
    SmallFs small(256 * 1024);
    if (!small.Mounted())
        GTEST_SKIP() << small.WhyNot().toStdString();
    const QString old = JoinPath(small.path(), QStringLiteral("old.mdb"));
    ASSERT_EQ(Tool({QStringLiteral("backup"), catalogue_, old}).exitCode, 0);
    const QByteArray before = ReadFile(old);
    QFile filler(JoinPath(small.path(), QStringLiteral("filler")));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    while (filler.write(QByteArray(4096, 'x')) == 4096 && filler.flush()) {
    }
    filler.close();
    run = Tool({QStringLiteral("backup"), catalogue_, old});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(ReadFile(old), before);
    EXPECT_EQ(Entries(small.path()), (QStringList{QStringLiteral("filler"), QStringLiteral("old.mdb")}));
}

TEST_F(ExportTest, PruneRemovesExactlyTheOldCalls) {
    // Calls by date and time, from JSON lines.
    const auto starts = [](const QByteArray& lines) {
        QStringList calls;
        for (const QByteArray& line : lines.split('\n'))
            if (const QJsonObject call = QJsonDocument::fromJson(line).object(); !call.isEmpty())
                calls << call[QStringLiteral("date")].toString() + u' ' + call[QStringLiteral("time")].toString();
        calls.sort();
        return calls;
    };
    const auto listed = [&] {
        return starts(Tool({QStringLiteral("list"), QStringLiteral("--json"), catalogue_}).out);
    };
    const auto named = [this](std::initializer_list<int> which) {
        QStringList calls;
        for (int i : which)
            calls << calls_[i].DateText() + u' ' + calls_[i].TimeText();
        calls.sort();
        return calls;
    };
    const auto present = [this](int i) { return QFileInfo::exists(JoinPath(card_, calls_[i].FileName())); };
    // Call 3 lost its recording before; call 2's recording is in use (a
    // mount point cannot be deleted, not even by root).
    QFile::remove(JoinPath(card_, calls_[3].FileName()));
    const QByteArray busy = QFile::encodeName(JoinPath(card_, calls_[2].FileName()));
    const bool pinned = ::mount(busy.constData(), busy.constData(), nullptr, MS_BIND, nullptr) == 0;
    const QStringList before = listed();

    RunResult run = Tool({QStringLiteral("prune"), catalogue_, QStringLiteral("--older-than"), QStringLiteral("90"),
                          QStringLiteral("--dry-run"), QStringLiteral("--json")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(starts(run.out), named({0, 2, 3, 4}));  // not the saved call 1, not the recent one
    EXPECT_EQ(listed(), before);
    EXPECT_TRUE(present(0) && present(1) && present(2) && present(4) && present(5));

    run = Tool({QStringLiteral("prune"), catalogue_, QStringLiteral("--older-than"), QStringLiteral("90")});
    EXPECT_EQ(run.exitCode, pinned ? 1 : 0) << run.err.toStdString();
    EXPECT_EQ(listed(), pinned ? named({1, 2, 5}) : named({1, 5}));
    if (pinned) {
        EXPECT_TRUE(run.err.contains(calls_[2].DateText().toUtf8() + ' ' + calls_[2].TimeText().toUtf8()));
    }
    EXPECT_FALSE(present(0) || present(4));
    EXPECT_TRUE(present(1) && present(2) && present(5));

    run = Tool({QStringLiteral("prune"), catalogue_, QStringLiteral("--older-than"), QStringLiteral("90"),
                QStringLiteral("--include-saved")});
    EXPECT_FALSE(present(1));
    EXPECT_EQ(listed(), pinned ? named({2, 5}) : named({5}));
    if (pinned)
        ::umount2(busy.constData(), MNT_DETACH);
}

}  // namespace
}  // namespace qlm::test
