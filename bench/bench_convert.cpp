// Conversion of one-minute calls to MP3 through the whole pipeline: skip
// copy, decode by the real voxform driven through its window, gain pass,
// MP3. Prints seconds per call, split into the front-end's decoding, the
// automation's own waits (its sleeps and polls) and the rest (the library
// stages and the messages), beside a plain sox + lame pipeline over the same
// decoded audio.
//   ninja -C build bench && build/bench/bench_convert [CALLS]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QDateTime>
#include <QProcess>
#include <QStandardPaths>

#include <cstdio>

#include "app/catalogue/store.h"
#include "app/convert/convertfiles.h"
#include "platform/appfolder.h"
#include "platform/winmsg.h"
#include "tests/convert/conversionfixture.h"
#include "tools/speech.h"

using namespace qlm;

namespace {

template <typename F>
auto Timed(qint64* sum, F work) {
    QElapsedTimer t;
    t.start();
    auto result = work();
    *sum += t.nsecsElapsed();
    return result;
}

// The real window system, timing what the protocol waits for.
class TimedWindows : public SocketWindowSystem {
public:
    QList<WindowInfo> TopLevelWindows() override {
        return Timed(&lookups, [&] { return SocketWindowSystem::TopLevelWindows(); });
    }
    bool SendKeys(qint64 pid, const QString& keys) override {
        return Timed(&decoding, [&] { return SocketWindowSystem::SendKeys(pid, keys); });
    }
    void Sleep(int ms) override {
        Timed(&sleeping, [&] {
            SocketWindowSystem::Sleep(ms);
            return true;
        });
    }
    qint64 StartProcess(const QString& program, const QString& folder) override {
        ++starts;
        return SocketWindowSystem::StartProcess(program, folder);
    }

    qint64 decoding = 0, sleeping = 0, lookups = 0;  // nanoseconds
    int starts = 0;
};

bool RunTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int calls = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    if (!sim::CanSpeak() || QStandardPaths::findExecutable(QStringLiteral("lame")).isEmpty()) {
        std::puts("espeak-ng, sox and lame are needed");
        return 1;
    }
    QTemporaryDir dir;
    qputenv("QLM_WINMSG_DIR", QFile::encodeName(dir.filePath(QStringLiteral("windows"))));
    test::AppFolder folder;
    test::InstallConverter(folder);

    // One minute of speech, encoded once; every call carries it.
    const QString sentence = dir.filePath(QStringLiteral("sentence.wav"));
    const QString minute = dir.filePath(QStringLiteral("minute.wav"));
    QString why;
    if (!sim::SpeakToWav(QStringLiteral("Hello, this is the front desk. I am calling about the delivery that was "
                                        "planned for Thursday morning; please call me back when you can."),
                         sentence, &why)) {
        std::printf("speech failed: %s\n", qPrintable(why));
        return 1;
    }
    QVector<qint16> one = sim::ReadWavSamples(sentence), samples;
    while (samples.size() < 60 * 8000)
        samples += one;
    samples.resize(60 * 8000);
    sim::WriteWavSamples(minute, samples);
    Error error;
    const QByteArray payload = sim::EncodeWavFile(minute, sim::EncodeSettings(), QString(), &error);
    if (payload.isEmpty()) {
        std::printf("encoding failed: %s\n", qPrintable(error.description));
        return 1;
    }
    const QString card = dir.filePath(QStringLiteral("card")), out = dir.filePath(QStringLiteral("out"));
    QDir().mkpath(card);
    QDir().mkpath(out);
    QVector<ConvertItem> items;
    const QDateTime first(QDate(2006, 3, 14), QTime(9, 0, 0));
    for (int i = 0; i < calls; ++i) {
        sim::Call call;
        call.start = first.addSecs(i * 120);
        call.payload = payload;
        sim::WriteRecording(card, call);
        items << ConvertItem{call.start.date().toString(QStringLiteral("MM/dd/yyyy")),
                             call.start.time().toString(QStringLiteral("hh:mm:ss"))};
    }

    TimedWindows windows;
    SetWindowSystem(&windows);
    test::RecordingProgress progress;
    QElapsedTimer total;
    total.start();
    const ConvertResult result = ConvertRecordings(items, card, JoinPath(out, QString()), 1, progress);
    const double seconds = total.nsecsElapsed() / 1e9;
    CloseFrontEnd();
    SetWindowSystem(nullptr);
    if (result.outcome != ConvertOutcome::Finished || result.Failed() > 0) {
        std::printf("conversion failed: %d of %d\n", result.Failed(), calls);
        return 1;
    }

    // The same decoded audio through sox (levelling) and lame.
    const QString temp = GetTempFolder();
    QElapsedTimer plain;
    plain.start();
    for (int i = 0; i < calls; ++i) {
        const QString name = RecordingNameFor(items[i].dateText, items[i].timeText);
        const QString levelled = dir.filePath(QStringLiteral("plain.wav"));
        if (!RunTool(QStringLiteral("sox"),
                     {JoinPath(temp, name + QStringLiteral(".qlm.wav")), levelled, QStringLiteral("compand"),
                      QStringLiteral("0.02,0.2"), QStringLiteral("-60,-60,-30,-12,0,-6"), QStringLiteral("-3")}) ||
            !RunTool(QStringLiteral("lame"), {QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("16"),
                                              levelled, dir.filePath(QStringLiteral("plain.mp3"))})) {
            std::puts("sox or lame failed");
            return 1;
        }
    }
    const double plainSeconds = plain.nsecsElapsed() / 1e9;

    const double perCall = seconds / calls;
    const double decode = windows.decoding / 1e9 / calls;
    const double waits = windows.sleeping / 1e9 / calls;
    const double lookups = windows.lookups / 1e9 / calls;
    std::printf("%d one-minute calls to MP3, front-end started %d time(s)\n", calls, windows.starts);
    std::printf("pipeline:            %.3f s per call\n", perCall);
    std::printf("  decode (voxform):  %.3f s\n", decode);
    std::printf("  automation waits:  %.3f s (sleeps of the protocol)\n", waits);
    std::printf("  window lookups:    %.3f s\n", lookups);
    std::printf("  stages and rest:   %.3f s (skip copy, gain pass, MP3, messages)\n",
                perCall - decode - waits - lookups);
    std::printf("sox + lame:          %.3f s per call\n", plainSeconds / calls);
    std::printf("ratio:               %.2f\n", perCall / (plainSeconds / calls));
    return 0;
}
