// Figures for large catalogues, one size per run so the peak memory printed
// is that size's own:
//   bench_scale rows N        write N calls (as the build writes them, in
//                             card-name order), open the catalogue and show
//                             the first screen, list every call, and run the
//                             three shapes of search the search panel makes
//   bench_scale card N DIR    write a card folder of N recordings
//   bench_scale build DIR     build a catalogue of that folder (whole process)
//   bench_headerloop DIR      the build's floor: open every file, read 16 bytes
//   bench_scale versus DIR [RUNS]
//                             the last two as whole processes, in turn, after
//                             a warm-up each: their median wall and processor
//                             times and the ratio build / floor
// Nothing here is asserted.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTreeView>

#include "app/card/build.h"
#include "app/card/recording.h"
#include "app/catalogue/calllistmodel.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/search.h"
#include "app/catalogue/store.h"
#include "tests/support/cardfiles.h"
#include "tests/support/catalogue.h"
#include "tests/support/testsupport.h"

using namespace qlm;

namespace {

long PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

double CpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Wall and processor time of one phase: on a shared machine the processor
// time is the steadier figure.
class Phase {
public:
    Phase() { restart(); }
    void restart() {
        wall_.start();
        cpu_ = CpuMs();
    }
    double elapsed() const { return double(wall_.nsecsElapsed()) / 1e6; }
    double cpu() const { return CpuMs() - cpu_; }

private:
    QElapsedTimer wall_;
    double cpu_ = 0;
};

void Report(const char* what, const Phase& phase, long count) {
    std::printf("%-44s %9.1f ms wall %9.1f ms cpu %8ld rows  peak %4ld MB\n", what, phase.elapsed(), phase.cpu(), count,
                PeakMegabytes());
    std::fflush(stdout);
}

double Ms(const QElapsedTimer& timer) { return double(timer.nsecsElapsed()) / 1e6; }

// About 130 calls a day from 2003 on, stored in the order a card folder
// lists them (by name: month code, day, year, ...), as the build stores them.
QVector<CallRecord> MakeCalls(int count) {
    QVector<CallRecord> calls;
    calls.reserve(count);
    const QDateTime start(QDate(2003, 1, 1), QTime(0, 0, 0));
    const qint64 spacing = 21LL * 365 * 86400 / std::max(count, 1);
    for (int i = 0; i < count; ++i) {
        const QDateTime at = start.addSecs(qint64(i) * spacing);
        const bool out = i % 3 == 0;
        const QString number = QStringLiteral("%1%2")
                                   .arg(i % 7 == 0 ? QStringLiteral("0800") : QStringLiteral("555"))
                                   .arg(i % 100000, 6, 10, QLatin1Char('0'));
        calls << test::Call(at.date(), at.time(), out ? QString() : number, out ? number : QString(), out ? 1 : 0, 0,
                            qint16(i % 2), qint16(i % 3), i % 50 == 0 ? QStringLiteral("urgent") : QStringLiteral(" "));
    }
    std::stable_sort(calls.begin(), calls.end(), [](const CallRecord& a, const CallRecord& b) {
        return RecordingNameFor(a.Date, a.Time) < RecordingNameFor(b.Date, b.Time);
    });
    return calls;
}

// The list as the window shows it.
struct ListWindow {
    std::shared_ptr<Database> db;  // the catalogue searched
    CallListModel model;
    QTreeView view;
    ListWindow() {
        view.setRootIsDecorated(false);
        view.setUniformRowHeights(true);
        view.setModel(&model);
        view.resize(1000, 700);
        view.show();
    }
    // Paints the visible lines now.
    void Paint() { view.viewport()->grab(); }
};

// Runs the statement as the search command does: the first screen shown, then
// every line taken in through the event loop's steps. Prints both times and
// the longest time the window waited for the event loop meanwhile.
void Search(ListWindow& w, const QString& label, const QString& statement) {
    Error error;
    Phase timer;
    w.model.Clear();
    malloc_trim(0);  // the freed lines' memory sorted out here, not in the next allocation
    Report(qPrintable(label + QStringLiteral(": previous list cleared")), timer, w.model.rowCount());
    timer.restart();
    const int total = ListCatalogueStatement(w.db.get(), statement, &w.model, &error);
    Report(qPrintable(label + QStringLiteral(": run, first lines")), timer, total);
    w.Paint();
    Report(qPrintable(label + QStringLiteral(": first screen shown")), timer, total);
    if (total < 0) {
        std::printf("%s failed: %s\n", qPrintable(label), qPrintable(error.description));
        return;
    }
    double longest = 0;
    QElapsedTimer gap;
    gap.start();
    while (w.model.Listing()) {
        QCoreApplication::processEvents();
        longest = std::max(longest, Ms(gap));
        gap.restart();
    }
    Report(qPrintable(label + QStringLiteral(": every line")), timer, w.model.rowCount());
    std::printf("%-44s %9.1f ms\n", "  longest wait for the event loop", longest);
}

int Rows(int count) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("C1208261.mdb"));
    {
        const QVector<CallRecord> calls = MakeCalls(count);
        Phase timer;
        const QString failed = test::WriteCatalogue(path, calls);
        if (!failed.isEmpty()) {
            std::fprintf(stderr, "cannot write the catalogue: %s\n", qPrintable(failed));
            return 1;
        }
        Report("build rows (engine, one transaction)", timer, count);
    }

    ListWindow w;
    Error error;
    Phase timer;
    OpenedCatalogue opened = OpenCatalogueFile(path, &w.model, &error);
    if (!opened) {
        std::fprintf(stderr, "cannot open: %s\n", qPrintable(error.description));
        return 1;
    }
    Report("open, add the Date index (first open only)", timer, opened.listed);
    w.model.Clear();
    opened.database->Close();

    timer.restart();
    opened = OpenCatalogueFile(path, &w.model, &error);
    w.Paint();
    Report("open and show the first screen", timer, opened.listed);
    w.db = opened.database;
    timer.restart();
    w.model.FinishListing();
    Report("full listing (the rest, at once)", timer, w.model.rowCount());
    timer.restart();
    w.model.sort(kColCallerID, Qt::AscendingOrder);
    w.Paint();
    Report("sort by caller ID", timer, w.model.rowCount());

    const SearchChoiceTexts t = SearchChoiceTexts::FromLibrary();
    SearchCriteria c = test::WholeDays(QDate(2010, 3, 1), QDate(2010, 3, 7), t);
    Search(w, QStringLiteral("date range, one week"), BuildSearchStatement(c, t));
    c.YearF = 2003;
    c.MonthF = 1;
    c.DayF = 1;
    c.YearL = 2024;
    c.MonthL = 5;
    c.DayL = 17;
    Search(w, QStringLiteral("date range, every year"), BuildSearchStatement(c, t));
    SearchCriteria in = c;
    in.InOut = t.Incoming;
    in.CallerID = QStringLiteral("555*");
    in.Saved = t.SavedYes;
    Search(w, QStringLiteral("incoming, caller 555*, saved"), BuildSearchStatement(in, t));
    SearchCriteria any = c;
    any.YearF = any.YearL = 2024;
    any.MonthF = any.MonthL = 3;
    any.DayF = 7;
    any.DayL = 9;
    any.HourF = 9;
    any.HourL = 17;
    any.MinL = 30;
    any.SecL = 0;
    any.CallerID = QStringLiteral("123");
    any.DialStr = QStringLiteral("0800*");
    any.Comment = QStringLiteral("urgent");
    any.MatchAll = false;
    Search(w, QStringLiteral("any of: dates, hours, numbers, comment"), BuildSearchStatement(any, t));
    w.model.Clear();
    return 0;
}

int Card(int count, const QString& folder) {
    Error error;
    if (!test::WriteBenchCard(folder, count, 4 * 1024, &error)) {
        std::fprintf(stderr, "cannot write: %s\n", qPrintable(error.description));
        return 1;
    }
    std::printf("%d recordings in %s\n", count, qPrintable(folder));
    return 0;
}

int Build(const QString& folder) {
    Phase timer;
    const BuildResult built = BuildCatalogueIn(folder, nullptr, {});
    if (built.database)
        built.database->Close();
    if (built.error.IsSet()) {
        std::fprintf(stderr, "build failed: %s\n", qPrintable(built.error.description));
        return 1;
    }
    QFile::remove(built.path);
    Report("build a catalogue from the folder", timer, built.rows);
    return 0;
}

// One finished process: wall and processor (user + system) seconds.
struct ProcessTimes {
    double wall = 0;
    double cpu = 0;
};

double Seconds(const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }

// Runs the program with its output thrown away; false when it could not run
// or did not end well.
bool RunTimed(const QByteArray& program, const QByteArray& folder, ProcessTimes* times) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const bool self = program.endsWith("bench_scale");
    std::vector<char*> args{const_cast<char*>(program.constData())};
    if (self)
        args.push_back(const_cast<char*>("build"));
    args.push_back(const_cast<char*>(folder.constData()));
    args.push_back(nullptr);
    timespec start{}, end{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, program.constData(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        return false;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return false;
    clock_gettime(CLOCK_MONOTONIC, &end);
    times->wall = double(end.tv_sec - start.tv_sec) + double(end.tv_nsec - start.tv_nsec) / 1e9;
    times->cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The build against its floor, in turn (build, floor, build, ...), so that a
// machine getting slower or faster meanwhile touches both alike; the ratios
// are taken pair by pair and their median printed.
int Versus(const char* self, const QString& folder, int runs) {
    const QByteArray build = QFile::encodeName(QFileInfo(QString::fromLocal8Bit(self)).absoluteFilePath());
    const QByteArray floor =
        QFile::encodeName(QFileInfo(QFile::decodeName(build)).path() + QStringLiteral("/bench_headerloop"));
    const QByteArray dir = QFile::encodeName(folder);
    std::vector<double> wall[2], cpu[2], wallRatio, cpuRatio;
    for (int run = -1; run < runs; ++run) {
        ProcessTimes t[2];
        if (!RunTimed(build, dir, &t[0]) || !RunTimed(floor, dir, &t[1])) {
            std::fprintf(stderr, "a run failed: %s or %s on %s\n", build.constData(), floor.constData(),
                         dir.constData());
            return 1;
        }
        if (run < 0)
            continue;  // the warm-up: directory and files into the cache
        for (int i = 0; i < 2; ++i) {
            wall[i].push_back(t[i].wall);
            cpu[i].push_back(t[i].cpu);
        }
        wallRatio.push_back(t[0].wall / std::max(t[1].wall, 1e-6));
        cpuRatio.push_back(t[0].cpu / std::max(t[1].cpu, 1e-6));
    }
    std::printf("%d runs each, medians          wall s    cpu s\n", runs);
    std::printf("build (bench_scale build)   %9.3f %8.3f\n", Median(wall[0]), Median(cpu[0]));
    std::printf("floor (bench_headerloop)    %9.3f %8.3f\n", Median(wall[1]), Median(cpu[1]));
    std::printf("ratio build / floor         %9.2f %8.2f   (median of the pairs' ratios)\n", Median(wallRatio),
                Median(cpuRatio));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == u"rows" && argc == 3) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        test::AppFolder folder;
        return Rows(QString::fromLocal8Bit(argv[2]).toInt());
    }
    // No window for the card work: the whole process is what is compared.
    QCoreApplication app(argc, argv);
    test::AppFolder folder;
    if (mode == u"card" && argc == 4)
        return Card(QString::fromLocal8Bit(argv[2]).toInt(), QString::fromLocal8Bit(argv[3]));
    if (mode == u"build" && argc == 3)
        return Build(QString::fromLocal8Bit(argv[2]));
    if (mode == u"versus" && (argc == 3 || argc == 4))
        return Versus(argv[0], QString::fromLocal8Bit(argv[2]), argc == 4 ? std::max(atoi(argv[3]), 1) : 9);
    std::fprintf(stderr, "usage: bench_scale rows N | card N DIR | build DIR | versus DIR [RUNS]\n");
    return 2;
}
