// A 20,000-call qlmtool prune killed with SIGKILL at random moments: after
// the next open the catalogue is sound and every call is whole or gone, and
// no recording is left that would bring a deleted call back at a build.
#include <gtest/gtest.h>

#include <signal.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include "app/card/calldeletion.h"
#include "app/card/recording.h"
#include "tests/support/cardcatalogue.h"

using namespace qlm;

namespace {

constexpr int kOld = 20000;  // calls the prune deletes
constexpr int kKept = 40;    // recent calls and old saved ones that stay

// One row a call; every other row names its file in qlm_recording (a new
// catalogue's), the rest are found by their time stamp (an older one's).
void WriteLibrary(const QString& folder, QString* catalogue) {
    const QByteArray body = MakeRecordingHeader(QStringLiteral("5550100"), flag::kLine) + QByteArray(300, 'x');
    *catalogue = JoinPath(folder, QStringLiteral("C01011.mdb"));
    Error error;
    auto db = test::CreateCatalogue(*catalogue, &error);
    ASSERT_TRUE(db) << error.description.toStdString();
    ASSERT_TRUE(db->Execute(QString::fromLatin1(kCreateRecordingTable), &error));
    ScopedTransaction transaction(db.get(), &error);
    auto add = db->PrepareInsert(QStringLiteral("qlm"), CatalogueColumns(), &error);
    auto named =
        db->PrepareInsert(QStringLiteral("qlm_recording"), {QStringLiteral("call"), QStringLiteral("file")}, &error);
    ASSERT_TRUE(add && named);
    const QDateTime oldStart(QDate(2021, 1, 1), QTime(0, 0, 0));
    const QDateTime recent = QDateTime::currentDateTime().addDays(-1);
    for (int i = 0; i < kOld + kKept; ++i) {
        const bool old = i < kOld || i % 2 == 0;
        const QDateTime at = old ? oldStart.addSecs(qint64(i) * 61) : QDateTime(recent.date(), QTime(0, 0).addSecs(i));
        const QByteArray date = at.date().toString(Qt::ISODate).toLatin1();
        const QByteArray time = at.time().toString(QStringLiteral("HH:mm:ss")).toLatin1();
        const QByteArray name = RecordingNameFor(at.date(), at.time()).toLatin1();
        test::WriteFile(JoinPath(folder, QString::fromLatin1(name)), body);
        add->BindText(0, date.constData());
        add->BindText(1, time.constData());
        for (int c = 2; c < 9; ++c)
            add->BindInt(c, c == 7 ? (i >= kOld && i % 2 == 0 ? 1 : 0) : 1);
        add->BindText(3, "5550100");
        add->BindText(4, " ");
        add->BindText(9, " ");
        ASSERT_TRUE(add->Insert(&error)) << error.description.toStdString();
        if (i % 2 == 0) {
            named->BindInt(0, i + 1);
            named->BindText(1, name.constData());
            ASSERT_TRUE(named->Insert(&error));
        }
    }
    add.reset();
    named.reset();
    ASSERT_TRUE(transaction.Commit(&error));
    db->Close();
}

QStringList Query(sqlite3* db, const char* sql) {
    QStringList out;
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
        QStringList fields;
        for (int c = 0; c < sqlite3_column_count(stmt); ++c)
            fields << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)));
        out << fields.join(u'|');
    }
    sqlite3_finalize(stmt);
    return out;
}

// integrity_check, every row's recording there, every recording with a row.
void ExpectWholeCalls(const QString& folder, const QString& catalogue, int* rowsLeft) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(catalogue.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    EXPECT_EQ(Query(db, "PRAGMA integrity_check"), QStringList{"ok"});
    const QStringList rows = Query(db,
                                   "SELECT q.Date, q.Time, q.Saved, ifnull(r.file, '') FROM qlm AS q "
                                   "LEFT JOIN qlm_recording AS r ON r.call = q.rowid");
    EXPECT_EQ(Query(db, "SELECT count(*) FROM qlm_recording WHERE call NOT IN (SELECT rowid FROM qlm)"),
              QStringList{"0"});
    sqlite3_close(db);
    QSet<QString> named;
    int saved = 0;
    for (const QString& row : rows) {
        const QStringList f = row.split(u'|');
        const QString file =
            f[3].isEmpty() ? RecordingNameFor(QDate::fromString(f[0], Qt::ISODate), QTime::fromString(f[1])) : f[3];
        EXPECT_TRUE(QFile::exists(JoinPath(folder, file))) << "a row without its recording: " << row.toStdString();
        named.insert(file);
        saved += f[2] == u"1";
    }
    for (const QString& file : QDir(folder).entryList({RecordingNamePattern()}, QDir::Files))
        EXPECT_TRUE(named.contains(file)) << "a deleted call would come back: " << file.toStdString();
    EXPECT_EQ(saved, kKept / 2);  // the saved calls never go
    EXPECT_FALSE(QFile::exists(DeletionJournalPath(catalogue)));
    *rowsLeft = int(rows.size());
}

}  // namespace

TEST(PruneKill, KilledAnywhereEveryCallIsWholeOrGone) {
    test::AppFolder install;  // the string library the listing's texts come from
    QTemporaryDir templ;
    const QString tool = JoinPath(install.path(), QStringLiteral("qlmtool"));
    ASSERT_TRUE(QFile::copy(test::BuiltPath(QStringLiteral("qlmtool")), tool));
    QString templCatalogue;
    WriteLibrary(templ.path(), &templCatalogue);
    if (HasFatalFailure())
        return;
    // Each run on a library of its own: the template's files hard-linked in.
    const auto freshLibrary = [&](const QString& into) {
        for (const QString& name : QDir(templ.path()).entryList(QDir::Files))
            ASSERT_EQ(::link(QFile::encodeName(JoinPath(templ.path(), name)).constData(),
                             QFile::encodeName(JoinPath(into, name)).constData()),
                      0);
        QFile::remove(JoinPath(into, QStringLiteral("C01011.mdb")));
        ASSERT_TRUE(QFile::copy(templCatalogue, JoinPath(into, QStringLiteral("C01011.mdb"))));
    };
    const QStringList prune = {QStringLiteral("prune"), QStringLiteral("--password-stdin"), QString(),
                               QStringLiteral("--older-than"), QStringLiteral("30")};
    const auto start = [&](QProcess* p, const QString& catalogue, const QStringList& extra = {}) {
        QStringList args = prune;
        args[2] = catalogue;
        p->start(tool, args + extra);
        p->waitForStarted();
        p->write("\n");
        p->waitForBytesWritten();
        p->closeWriteChannel();
    };

    // One run to its end: when its journal appears and how long the rest
    // takes here, and what a whole prune leaves.
    qint64 untilJournal = 0, afterJournal = 0;
    const auto waitForJournal = [](QProcess* p, const QString& catalogue, QElapsedTimer* clock) {
        while (!QFile::exists(DeletionJournalPath(catalogue)) && clock->elapsed() < 60000)
            if (p->waitForFinished(1))
                break;
        return clock->elapsed();
    };
    {
        QTemporaryDir lib;
        freshLibrary(lib.path());
        const QString catalogue = JoinPath(lib.path(), QStringLiteral("C01011.mdb"));
        QElapsedTimer clock;
        clock.start();
        QProcess p;
        start(&p, catalogue);
        untilJournal = waitForJournal(&p, catalogue, &clock);
        ASSERT_TRUE(p.waitForFinished(60000));
        afterJournal = clock.elapsed() - untilJournal;
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        std::fprintf(stderr, "a whole prune: journal after %lld ms, done %lld ms later\n", untilJournal, afterJournal);
        int left = 0;
        ExpectWholeCalls(lib.path(), catalogue, &left);
        EXPECT_EQ(left, kKept);
    }

    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    for (int run = 0; run < 10; ++run) {
        QTemporaryDir lib;
        freshLibrary(lib.path());
        const QString catalogue = JoinPath(lib.path(), QStringLiteral("C01011.mdb"));
        QProcess p;
        QElapsedTimer clock;
        clock.start();
        start(&p, catalogue);
        ASSERT_TRUE(p.waitForStarted());
        // Most kills land while the recordings and rows go, some before.
        if (run % 4 == 3) {
            QThread::msleep(random.bounded(quint32(untilJournal + 1)));
        } else {
            waitForJournal(&p, catalogue, &clock);
            QThread::usleep(random.bounded(quint32(afterJournal * 1000 + 1)));
        }
        ::kill(pid_t(p.processId()), SIGKILL);
        p.waitForFinished(10000);
        const bool journalled = QFile::exists(DeletionJournalPath(catalogue));
        // The next open completes what the kill interrupted.
        QProcess next;
        start(&next, catalogue, {QStringLiteral("--dry-run")});
        ASSERT_TRUE(next.waitForFinished(60000));
        EXPECT_EQ(next.exitCode(), 0) << next.readAllStandardError().toStdString();
        int left = 0;
        ExpectWholeCalls(lib.path(), catalogue, &left);
        EXPECT_GE(left, kKept) << "run " << run;
        std::fprintf(stderr, "run %d: %s, %d calls left\n", run, journalled ? "journal completed" : "no journal", left);
        if (HasFailure())
            return;
    }
}
