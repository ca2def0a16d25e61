// Encoding time of MpegPack per minute of audio on ten minutes of levelled
// speech, beside the lame command-line encoder on the same file.
//   ninja -C build bench && build/bench/bench_mpegpack
#include <QElapsedTimer>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <functional>

#include "tests/gainpass/libtest.h"

using namespace qlm::test;

int main() {
    if (!HaveTools({QStringLiteral("espeak-ng"), QStringLiteral("sox"), QStringLiteral("lame")})) {
        std::puts("espeak-ng, sox and lame are needed");
        return 1;
    }
    QTemporaryDir dir;
    const QString speech = dir.filePath(QStringLiteral("speech.wav")), call = dir.filePath(QStringLiteral("call.wav"));
    const QString levelled = dir.filePath(QStringLiteral("levelled.wav"));
    MakeSpeech(QStringLiteral("Good afternoon. This is a message for the accounts department. "
                              "The invoice number is four seven one one."),
               speech, 0.3);
    Run(QStringLiteral("sox"), {speech, call, QStringLiteral("repeat"), QStringLiteral("150"), QStringLiteral("trim"),
                                QStringLiteral("0"), QStringLiteral("600")});

    FreshLibrary gainLib(QStringLiteral("libGainPass.so"));
    FreshLibrary mp3Lib(QStringLiteral("libMpegPack.so"));
    GainPassFn* gainPass = gainLib.get<GainPassFn>("GainPass");
    MpegPackFn* mpegPack = mp3Lib.get<MpegPackFn>("MpegPack");
    if (!gainPass || !mpegPack) {
        std::puts("libGainPass.so or libMpegPack.so not built");
        return 1;
    }
    if (gainPass(QFile::encodeName(call), QFile::encodeName(levelled), 40) != 0) {
        std::puts("could not make the test file");
        return 1;
    }
    const double minutes = double(QFileInfo(levelled).size() - 44) / 2.0 / 8000.0 / 60.0;

    const QString ours = dir.filePath(QStringLiteral("ours.mp3")), theirs = dir.filePath(QStringLiteral("lame.mp3"));
    const double pack =
        BestSeconds([&] { return mpegPack(QFile::encodeName(levelled), QFile::encodeName(ours), 1) == 0; });
    // The command-line encoder with the nearest settings: mono, VBR 8 to 16
    // kbit/s, no bit reservoir, at the input's 8000 Hz.
    const double lame = BestSeconds([&] {
        return Run(QStringLiteral("lame"),
                   {QStringLiteral("--quiet"), QStringLiteral("-m"), QStringLiteral("m"), QStringLiteral("-v"),
                    QStringLiteral("-b"), QStringLiteral("8"), QStringLiteral("-B"), QStringLiteral("16"),
                    QStringLiteral("--nores"), levelled, theirs})
                   .exitCode == 0;
    });

    std::printf("file: %.1f min of levelled speech, 8000 Hz mono 16-bit (best of %d runs)\n", minutes, kBenchRuns);
    std::printf("MpegPack   %7.3f s per minute of audio  (%.2f s, %lld bytes)\n", pack / minutes, pack,
                static_cast<long long>(QFileInfo(ours).size()));
    std::printf("lame CLI   %7.3f s per minute of audio  (%.2f s, %lld bytes)\n", lame / minutes, lame,
                static_cast<long long>(QFileInfo(theirs).size()));
    std::printf("MpegPack / lame time ratio: %.2f\n", pack / lame);
    return 0;
}
