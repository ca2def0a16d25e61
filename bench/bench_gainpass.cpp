// Throughput of the gain pass (and the skip copy) on ten minutes of real
// speech, beside sox applying a plain gain to the same file.
//   ninja -C build bench && build/bench/bench_gainpass
#include <QElapsedTimer>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <functional>

#include "tests/gainpass/libtest.h"

using namespace qlm::test;

int main() {
    if (!HaveTools({QStringLiteral("espeak-ng"), QStringLiteral("sox")})) {
        std::puts("espeak-ng and sox are needed");
        return 1;
    }
    QTemporaryDir dir;
    const QString speech = dir.filePath(QStringLiteral("speech.wav")), call = dir.filePath(QStringLiteral("call.wav"));
    MakeSpeech(QStringLiteral("Hello, this is the recorder calling back about your order. "
                              "Please ring me tomorrow morning at the office."),
               speech, 0.2);
    // Ten minutes: the speech repeated, then cut to length.
    Run(QStringLiteral("sox"), {speech, call, QStringLiteral("repeat"), QStringLiteral("150"), QStringLiteral("trim"),
                                QStringLiteral("0"), QStringLiteral("600")});
    const double megabytes = double(QFileInfo(call).size()) / 1e6;
    if (megabytes < 9.0) {
        std::puts("could not make the test file");
        return 1;
    }

    FreshLibrary lib(QStringLiteral("libGainPass.so"));
    GainPassFn* gainPass = lib.get<GainPassFn>("GainPass");
    SkipCopyFn* skipCopy = lib.get<SkipCopyFn>("skipCopy");
    if (!gainPass || !skipCopy) {
        std::puts("libGainPass.so not built");
        return 1;
    }
    const QByteArray in = QFile::encodeName(call), out = QFile::encodeName(dir.filePath(QStringLiteral("out.wav")));
    const double gain = BestSeconds([&] { return gainPass(in, out, 40) == 0; });
    const double skip = BestSeconds([&] { return skipCopy(512, in, out) == 0; });
    const double sox = BestSeconds([&] {
        return Run(QStringLiteral("sox"),
                   {call, dir.filePath(QStringLiteral("sox.wav")), QStringLiteral("gain"), QStringLiteral("6")})
                   .exitCode == 0;
    });

    std::printf("file: 10 min of speech, 8000 Hz mono 16-bit, %.1f MB (best of %d runs)\n", megabytes, kBenchRuns);
    std::printf("GainPass      %8.1f MB/s  (%.3f s)\n", megabytes / gain, gain);
    std::printf("skipCopy      %8.1f MB/s  (%.3f s)\n", megabytes / skip, skip);
    std::printf("sox gain 6    %8.1f MB/s  (%.3f s)\n", megabytes / sox, sox);
    std::printf("GainPass / sox throughput ratio: %.2f\n", sox / gain);
    return 0;
}
