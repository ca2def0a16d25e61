// Helpers for the tests and benchmarks of the conversion libraries: loading a
// library as the main program does, WAV files of given samples, real speech,
// a full disk, the best time of a few runs.
#pragma once

#include <dlfcn.h>
#include <signal.h>
#include <sys/resource.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "tests/support/testsupport.h"

namespace qlm::test {

// A library loaded from a private copy, so that its process-wide state starts
// as at program start however many tests ran before in this process.
class FreshLibrary {
public:
    explicit FreshLibrary(const QString& builtName, const QString& dir = BuiltPath(QString())) {
        const QString copy = dir_.filePath(builtName);
        QFile::copy(QDir(dir).filePath(builtName), copy);
        handle_ = dlopen(QFile::encodeName(copy).constData(), RTLD_NOW | RTLD_LOCAL);
    }
    ~FreshLibrary() {
        if (handle_)
            dlclose(handle_);
    }
    FreshLibrary(const FreshLibrary&) = delete;
    FreshLibrary& operator=(const FreshLibrary&) = delete;
    bool loaded() const { return handle_ != nullptr; }
    template <typename F>
    F* get(const char* name) const {
        return handle_ ? reinterpret_cast<F*>(dlsym(handle_, name)) : nullptr;
    }

private:
    QTemporaryDir dir_;
    void* handle_ = nullptr;
};

using GainPassFn = int32_t(const char*, const char*, int32_t);
using SkipCopyFn = int32_t(int32_t, const char*, const char*);
using MpegPackFn = int32_t(const char*, const char*, int32_t);

inline void PutLe(QByteArray& bytes, uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes.append(char((value >> (8 * i)) & 0xFF));
}

// The names a built library exports, sorted.
inline QStringList ExportedNames(const QString& library) {
    const RunResult nm = Run(QStringLiteral("nm"), {QStringLiteral("-D"), QStringLiteral("--defined-only"), library});
    QStringList names;
    for (const QByteArray& line : nm.out.split('\n'))
        if (!line.trimmed().isEmpty())
            names << QString::fromLatin1(line.split(' ').last());
    names.sort();
    return names;
}

// A PCM WAV file with the usual 44-byte header.
inline QByteArray WavBytes(const std::vector<int16_t>& samples, int rate = 8000, int channels = 1) {
    const uint32_t data = uint32_t(samples.size() * 2);
    QByteArray bytes("RIFF");
    PutLe(bytes, 36 + data, 4);
    bytes.append("WAVEfmt ");
    PutLe(bytes, 16, 4);
    PutLe(bytes, 1, 2);
    PutLe(bytes, uint32_t(channels), 2);
    PutLe(bytes, uint32_t(rate), 4);
    PutLe(bytes, uint32_t(rate * channels * 2), 4);
    PutLe(bytes, uint32_t(channels * 2), 2);
    PutLe(bytes, 16, 2);
    bytes.append("data");
    PutLe(bytes, data, 4);
    for (int16_t s : samples)
        PutLe(bytes, uint16_t(s), 2);
    return bytes;
}

// The samples after the 44-byte header.
inline std::vector<int16_t> SamplesOf(const QByteArray& bytes) {
    std::vector<int16_t> samples;
    for (qsizetype i = 44; i + 1 < bytes.size(); i += 2)
        samples.push_back(int16_t(uint16_t(uint8_t(bytes[i]) | (uint8_t(bytes[i + 1]) << 8))));
    return samples;
}

inline bool HaveTools(const QStringList& tools) {
    for (const QString& tool : tools)
        if (QStandardPaths::findExecutable(tool).isEmpty())
            return false;
    return true;
}

// Real speech as the recorder's decoder gives it: 8000 Hz, mono, 16-bit.
// `volume` scales it (sox "vol"), to make quiet callers.
inline bool MakeSpeech(const QString& text, const QString& wav, double volume = 1.0) {
    const QString raw = wav + QStringLiteral(".voice.wav");
    if (Run(QStringLiteral("espeak-ng"), {QStringLiteral("-w"), raw, text}).exitCode != 0)
        return false;
    const bool ok = Run(QStringLiteral("sox"),
                        {raw, QStringLiteral("-r"), QStringLiteral("8000"), QStringLiteral("-c"), QStringLiteral("1"),
                         QStringLiteral("-b"), QStringLiteral("16"), QStringLiteral("-e"),
                         QStringLiteral("signed-integer"), wav, QStringLiteral("vol"), QString::number(volume)})
                        .exitCode == 0;
    QFile::remove(raw);
    return ok;
}

// Files this process writes may grow to `bytes` at most, as on a disk that
// fills up; writes past it fail with EFBIG instead of ending the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    sighandler_t oldHandler_ = SIG_DFL;
};

// A path far longer than any fixed buffer of 128 or 256 characters: folders
// nested under `base`, created.
inline QString LongFolder(const QString& base) {
    QString path = base;
    for (int i = 0; i < 8; ++i)
        path += QStringLiteral("/folder-with-a-rather-long-name-number-%1").arg(i);
    QDir().mkpath(path);
    return path;
}

// Best of kBenchRuns runs, in seconds: the least disturbed by other work;
// -1 when a run fails.
inline constexpr int kBenchRuns = 3;
inline double BestSeconds(const std::function<bool()>& work) {
    double best = 1e9;
    for (int i = 0; i < kBenchRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!work())
            return -1;
        best = std::min(best, double(timer.nsecsElapsed()) / 1e9);
    }
    return best;
}

}  // namespace qlm::test
