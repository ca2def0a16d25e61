#include "voxform/vfcore.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "kvc/frames.h"
#include "platform/appfolder.h"
#include "platform/durablefile.h"

namespace qlm::vf {
namespace {

// The most sample bytes a WAV header's 32-bit sizes can describe.
constexpr qint64 kWavDataMax = 0xFFFFFFFFLL - 36;

Error MakeError(int number, const QString& text, const QString& path) {
    return Error{number, path.isEmpty() ? text : text + QStringLiteral(": ") + path};
}

Error OpenError(const QFile& file) {
    if (!QFileInfo::exists(file.fileName()))
        return MakeError(err::kFileNotFound, QStringLiteral("File not found"), file.fileName());
    return MakeError(err::kPathFileAccess, QStringLiteral("Path/File access error"), file.fileName());
}

Error WriteError(const QFile& file) {
    if (file.error() == QFileDevice::ResourceError)
        return MakeError(err::kDiskFull, QStringLiteral("Disk full"), file.fileName());
    return MakeError(err::kPathFileAccess, QStringLiteral("Path/File access error"), file.fileName());
}

// An output that could not be created or completed; its temporary file is
// gone with it.
Error FileError(const DurableFile& file) {
    if (file.ErrorCode() == QFileDevice::ResourceError)
        return MakeError(err::kDiskFull, QStringLiteral("Disk full"), file.Path());
    return MakeError(err::kPathFileAccess, QStringLiteral("Path/File access error"),
                     file.Path() + QStringLiteral(" (") + file.ErrorString() + u')');
}

// Rounds x / d to the nearest whole number, halves to the even neighbour, as
// the original runtime's integer conversion did.
qint64 RoundHalfEven(qint64 x, qint64 d) {
    qint64 q = x / d;
    qint64 r = x % d;
    if (r < 0) {
        r += d;
        --q;
    }
    if (2 * r > d || (2 * r == d && (q & 1)))
        ++q;
    return q;
}

// Makes the start folder current and resolves a path typed into the window
// against it.
QString Resolve(const QString& startFolder, const QString& path) {
    return QDir::cleanPath(QDir(startFolder).absoluteFilePath(path));
}

bool SameFile(const QString& a, const QString& b) {
    const QFileInfo fa(a), fb(b);
    if (fa.exists() && fb.exists())
        return fa.canonicalFilePath() == fb.canonicalFilePath();
    return fa.absoluteFilePath() == fb.absoluteFilePath();
}

Error CheckPath(const QString& text) {
    if (text.trimmed().isEmpty())
        return MakeError(err::kBadFileName, QStringLiteral("Bad file name or number"), QString());
    return Error();
}

// sgn2wav's answer to an input without samples.
void NotFoundMessage(const Hooks& hooks, const QString& name) {
    if (hooks.showMessage)
        hooks.showMessage(QStringLiteral("The file %1 was not found").arg(name), QStringLiteral("Error"));
}

void Status(const Hooks& hooks, const QString& text) {
    if (hooks.setStatus)
        hooks.setStatus(text);
}

}  // namespace

CodecLibrary::CodecLibrary(const QString& path) : path_(path) {}

const CodecApi* CodecLibrary::Bind(Error* error) {
    if (bound_)
        return &api_;
    const QString path = path_.isEmpty() ? JoinPath(ApplicationFolder(), QStringLiteral("libkvc.so")) : path_;
    if (!library_.IsLoaded() && !library_.Load(path)) {
        if (error)
            *error = MakeError(err::kDllLoad, QStringLiteral("Error in loading DLL"), library_.ErrorText());
        return nullptr;
    }
    CodecApi api;
    api.vInitDecoder = library_.Function<decltype(api.vInitDecoder)>("vInitDecoder");
    api.vDecode = library_.Function<decltype(api.vDecode)>("vDecode");
    api.vInitEncoder = library_.Function<decltype(api.vInitEncoder)>("vInitEncoder");
    api.vEncode = library_.Function<decltype(api.vEncode)>("vEncode");
    api.LSB = library_.Function<decltype(api.LSB)>("LSB");
    api.HSB = library_.Function<decltype(api.HSB)>("HSB");
    if (!api.vInitDecoder || !api.vDecode || !api.vInitEncoder || !api.vEncode || !api.LSB || !api.HSB) {
        if (error)
            *error = MakeError(err::kDllEntry, QStringLiteral("Can't find DLL entry point"), library_.ErrorText());
        return nullptr;
    }
    api_ = api;
    bound_ = true;
    return &api_;
}

int FrameLength(uint8_t first) { return kvc::FrameLength(first); }

int RunLength(uint8_t first, uint8_t second) { return ((first - 0xE0) & 0x1F) * 256 + second + 1; }

void RunMarker(int n, uint8_t* out) {
    out[0] = static_cast<uint8_t>(0xE0 + (((n - 1) >> 8) & 0x1F));
    out[1] = static_cast<uint8_t>((n - 1) & 0xFF);
}

QByteArray WavHeader(quint32 dataSize) {
    QByteArray h;
    h.reserve(kWavHeaderSize);
    auto u32 = [&h](quint32 v) {
        for (int i = 0; i < 4; ++i)
            h.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    auto u16 = [&h](quint16 v) {
        h.append(static_cast<char>(v & 0xFF));
        h.append(static_cast<char>(v >> 8));
    };
    h.append("RIFF", 4);
    u32(36 + dataSize);
    h.append("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(1);
    u32(8000);
    u32(16000);
    u16(2);
    u16(16);
    h.append("data", 4);
    u32(dataSize);
    return h;
}

bool proc2(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(4) == QByteArrayLiteral("RIFF");
}

Error proc3(const QString& source, const QString& destination) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return OpenError(in);
    if (QFileInfo::exists(destination) && !QFile::remove(destination))
        return MakeError(err::kPathFileAccess, QStringLiteral("Path/File access error"), destination);
    QFile out(destination);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return OpenError(out);
    if (in.size() > kWavHeaderSize)
        in.seek(kWavHeaderSize);
    else
        in.seek(in.size());
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(1 << 16);
        if (chunk.isEmpty())
            return OpenError(in);
        if (out.write(chunk) != chunk.size())
            return WriteError(out);
    }
    if (!out.flush())
        return WriteError(out);
    return Error();
}

int16_t sgn2wav(const QString& name1, const QString& name2, qint64 length_of_sgn_hdr, const Hooks& hooks,
                Error* error) {
    QFile in(name1);
    if (!in.open(QIODevice::ReadOnly)) {
        if (error)
            *error = OpenError(in);
        return 1;
    }
    const qint64 length = in.size();
    // Only whole samples go into the WAV: an odd byte at the end would make a
    // data size that no player can split into samples.
    const qint64 count = length > length_of_sgn_hdr ? (length - length_of_sgn_hdr) / 2 : 0;
    // Read before creating name2: the two may be the same file.
    QByteArray samples;
    if (count >= 1) {
        in.seek(length_of_sgn_hdr);
        samples = in.read(count * 2);
        if (samples.size() != count * 2) {
            if (error)
                *error = OpenError(in);
            return 1;
        }
    }
    in.close();
    if (count < 1) {
        NotFoundMessage(hooks, name1);
        return 1;
    }
    DurableFile out(name2);
    if (!out.Open() || !out.Write(WavHeader(static_cast<quint32>(samples.size()))) || !out.Write(samples) ||
        !out.Commit()) {
        if (error)
            *error = FileError(out);
        return 1;
    }
    return 0;
}

qint64 DecodeFrames(const CodecApi& api, const uint8_t* data, qint64 length,
                    const std::function<bool(const int16_t* samples)>& sink) {
    api.vInitDecoder();
    // Every frame goes to the codec in a buffer of the longest class, so the
    // codec may read its whole class whatever the data's end.
    uint8_t frame[kFrameBytesMax] = {};
    int16_t samples[kFrameSamples];
    qint64 count = 0;
    qint64 p = 0;
    while (p + 1 < length) {
        const uint8_t first = data[p];
        const int frameLength = FrameLength(first);
        if (frameLength == 2) {
            const int n = RunLength(first, data[p + 1]);
            p += 2;
            // The rest of the buffer keeps the previous frame, as it always has.
            frame[0] = 0xE0;
            frame[1] = 0x00;
            for (int i = 0; i < n; ++i) {
                api.vDecode(samples, frame);
                ++count;
                if (!sink(samples))
                    return count;
            }
            continue;
        }
        const qint64 available = std::min<qint64>(frameLength, length - p);
        std::memset(frame, 0, sizeof(frame));
        std::memcpy(frame, data + p, static_cast<size_t>(available));
        p += frameLength;
        api.vDecode(samples, frame);
        ++count;
        if (!sink(samples))
            return count;
    }
    return count;
}

Error DecodeDatToWav(CodecLibrary& codec, const QString& startFolder, const QString& datPath, const QString& wavPath,
                     const Hooks& hooks) {
    QDir::setCurrent(startFolder);
    if (Error e = CheckPath(datPath); e.IsSet())
        return e;
    if (Error e = CheckPath(wavPath); e.IsSet())
        return e;
    const QString input = Resolve(startFolder, datPath);
    const QString output = Resolve(startFolder, wavPath);
    // Replacing the output would replace the codec data it is made from.
    if (SameFile(input, output))
        return MakeError(err::kPathFileAccess, QStringLiteral("Path/File access error"), output);

    Error error;
    const CodecApi* api = codec.Bind(&error);
    if (!api)
        return error;

    QFile in(input);
    if (!in.open(QIODevice::ReadOnly))
        return OpenError(in);
    // Codec data is small (1.2 KB a second at most); reading it whole keeps
    // every frame read inside the buffer.
    const QByteArray data = in.readAll();
    in.close();

    // The WAV grows under a temporary name beside the output and takes the
    // output's name only when it is complete: a full disk or a write error
    // leaves no file that looks like a decoded recording.
    DurableFile out(output);
    if (!out.Open())
        return FileError(out);
    if (!out.Write(WavHeader(0)))  // its sizes follow once the samples are known
        return FileError(out);
    QByteArray pending;
    pending.reserve(1 << 16);
    qint64 dataSize = 0;
    bool written = true;
    DecodeFrames(*api, reinterpret_cast<const uint8_t*>(data.constData()), data.size(), [&](const int16_t* samples) {
        pending.append(reinterpret_cast<const char*>(samples), kFrameSamples * sizeof(int16_t));
        dataSize += kFrameSamples * static_cast<qint64>(sizeof(int16_t));
        if (dataSize > kWavDataMax)
            return false;
        if (pending.size() >= (1 << 16)) {
            written = out.Write(pending);
            pending.clear();
        }
        return written;
    });
    if (!written)
        return FileError(out);
    if (dataSize > kWavDataMax)
        return MakeError(err::kOverflow, QStringLiteral("Overflow"), output);
    if (dataSize == 0) {
        // Nothing to wrap: the message the program always gave, and the
        // output stays as it was.
        NotFoundMessage(hooks, output);
        return Error();
    }
    if (!out.Write(pending) || !out.Seek(0) || !out.Write(WavHeader(static_cast<quint32>(dataSize))) || !out.Commit())
        return FileError(out);
    return Error();
}

Error EncodeWavToDat(CodecLibrary& codec, const QString& startFolder, const QString& wavPath, const QString& datPath,
                     const EncodeOptions& options, const Hooks& hooks) {
    QDir::setCurrent(startFolder);
    if (Error e = CheckPath(wavPath); e.IsSet())
        return e;
    if (Error e = CheckPath(datPath); e.IsSet())
        return e;
    const QString output = Resolve(startFolder, datPath);
    const QString tmp = Resolve(startFolder, QStringLiteral("tmp.wav"));
    QString input = Resolve(startFolder, wavPath);
    // Deleting the output first would delete the speech it is made from.
    if (SameFile(input, output) || SameFile(output, tmp))
        return MakeError(err::kPathFileAccess, QStringLiteral("Path/File access error"), output);
    if (!QFileInfo::exists(input))
        return MakeError(err::kFileNotFound, QStringLiteral("File not found"), input);

    Error error;
    const CodecApi* api = codec.Bind(&error);
    if (!api)
        return error;

    // A WAV loses its 44-byte header through the work file "tmp.wav"; a WAV
    // that is itself that file is read past its header in place, since
    // copying onto it, and deleting it afterwards, would destroy it.
    qint64 skip = 0;
    bool madeTmp = false;
    if (proc2(input)) {
        if (SameFile(input, tmp)) {
            skip = kWavHeaderSize;
        } else {
            if (Error e = proc3(input, tmp); e.IsSet()) {
                QFile::remove(tmp);  // a part of the copy is of no use
                return e;
            }
            input = tmp;
            madeTmp = true;
        }
    }
    auto cleanUp = [&]() {
        if (madeTmp)
            QFile::remove(tmp);
    };

    QFile in(input);
    if (!in.open(QIODevice::ReadOnly)) {
        cleanUp();
        return OpenError(in);
    }
    const qint64 length = std::max<qint64>(0, in.size() - skip);
    // The codec data grows under a temporary name and replaces an existing
    // output only when complete.
    DurableFile out(output);
    if (!out.Open()) {
        cleanUp();
        return FileError(out);
    }
    api->vInitEncoder();

    const int32_t rate = options.rate == 0 ? 0 : options.rate == 1 ? 1 : 2;
    const int32_t vad = options.vad ? 1 : 0;
    const bool silenceCoding = options.vad && options.silenceCoding;
    // The last 160 to 480 bytes are never encoded, as on the recorder's
    // own encoder, so that a file encodes to the same frames everywhere.
    const qint64 frames = RoundHalfEven(length, 320) - 1;
    in.seek(skip);
    int16_t samples[kFrameSamples];
    uint8_t buffer[kFrameBytesMax];
    int run = 0;
    auto writeBytes = [&](const uint8_t* b, int n) { return out.Write(QByteArrayView(b, n)); };
    auto writeRun = [&]() {
        uint8_t marker[2];
        if (run > 256) {
            const int16_t n1 = static_cast<int16_t>(run - 1);
            marker[0] = static_cast<uint8_t>(0xE0 + (api->HSB(n1) & 0x1F));
            marker[1] = api->LSB(n1);
        } else {
            RunMarker(run, marker);
        }
        run = 0;
        return writeBytes(marker, 2);
    };
    for (qint64 i = 0; i < frames; ++i) {
        if (in.read(reinterpret_cast<char*>(samples), sizeof(samples)) != sizeof(samples)) {
            cleanUp();
            return OpenError(in);
        }
        std::memset(buffer, 0, sizeof(buffer));
        const int k = std::clamp<int>(api->vEncode(samples, buffer, rate, vad), 0, kFrameBytesMax);
        bool ok = true;
        if (k == 2 && silenceCoding) {
            ++run;
            if (run == 8192) {
                const uint8_t full[2] = {0xFF, 0xFF};
                ok = writeBytes(full, 2);
                run = 0;
            }
            if (ok && i == frames - 1 && run > 0)
                ok = writeRun();
        } else {
            if (run > 0)
                ok = writeRun();
            ok = ok && writeBytes(buffer, k);
        }
        if (!ok) {
            cleanUp();
            return FileError(out);
        }
        // One frame makes the divisor 0: that frame is all the work.
        const qint64 percent = frames > 1 ? RoundHalfEven(i * 100, frames - 1) : 100;
        Status(hooks, QString::number(percent) + QStringLiteral("%"));
    }
    Status(hooks, QString());
    in.close();
    if (!out.Commit()) {
        cleanUp();
        return FileError(out);
    }
    cleanUp();
    return Error();
}

}  // namespace qlm::vf
