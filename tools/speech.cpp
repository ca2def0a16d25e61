#include "tools/speech.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "app/card/recording.h"
#include "voxform/vfcore.h"

namespace qlm::sim {
namespace {

bool RunTool(const QString& program, const QStringList& args, QString* why) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForStarted() || !process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        if (why)
            *why = program + QStringLiteral(" failed: ") +
                   QString::fromLocal8Bit(process.readAllStandardError()).trimmed() + process.errorString();
        process.kill();
        process.waitForFinished();
        return false;
    }
    return true;
}

quint32 U32(const QByteArray& b, qsizetype at) {
    return static_cast<quint8>(b[at]) | static_cast<quint8>(b[at + 1]) << 8 | static_cast<quint8>(b[at + 2]) << 16 |
           static_cast<quint32>(static_cast<quint8>(b[at + 3])) << 24;
}

}  // namespace

bool CanSpeak() {
    return !QStandardPaths::findExecutable(QStringLiteral("espeak-ng")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("sox")).isEmpty();
}

bool SpeakToWav(const QString& text, const QString& wavPath, QString* why) {
    if (!CanSpeak()) {
        if (why)
            *why = QStringLiteral("espeak-ng or sox is not installed");
        return false;
    }
    QTemporaryDir dir;
    const QString spoken = dir.filePath(QStringLiteral("spoken.wav"));
    if (!RunTool(QStringLiteral("espeak-ng"), {QStringLiteral("-w"), spoken, text}, why))
        return false;
    return RunTool(
        QStringLiteral("sox"),
        {spoken, QStringLiteral("-r"), QStringLiteral("8000"), QStringLiteral("-c"), QStringLiteral("1"),
         QStringLiteral("-b"), QStringLiteral("16"), QStringLiteral("-e"), QStringLiteral("signed-integer"), wavPath},
        why);
}

QVector<qint16> ReadWavSamples(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return {};
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const quint32 size = U32(bytes, at + 4);
        if (bytes.mid(at, 4) == "data") {
            const qsizetype count = std::min<qsizetype>(size, bytes.size() - at - 8) / 2;
            QVector<qint16> samples(count);
            for (qsizetype i = 0; i < count; ++i)
                samples[i] = static_cast<qint16>(static_cast<quint8>(bytes[at + 8 + 2 * i]) |
                                                 static_cast<quint8>(bytes[at + 9 + 2 * i]) << 8);
            return samples;
        }
        at += 8 + size + (size & 1);
    }
    return {};
}

bool WriteWavSamples(const QString& path, const QVector<qint16>& samples) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray data(samples.size() * 2, '\0');
    for (qsizetype i = 0; i < samples.size(); ++i) {
        data[2 * i] = static_cast<char>(samples[i] & 0xFF);
        data[2 * i + 1] = static_cast<char>((samples[i] >> 8) & 0xFF);
    }
    const QByteArray header = vf::WavHeader(static_cast<quint32>(data.size()));
    return file.write(header) == header.size() && file.write(data) == data.size() && file.flush();
}

QByteArray EncodeWavFile(const QString& wavPath, const EncodeSettings& settings, const QString& libPath, Error* error) {
    // The encoder works in a start folder of its own ("tmp.wav" lands there);
    // the caller's current folder is given back afterwards.
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    const QString absoluteWav = QDir(previous).absoluteFilePath(wavPath);
    const QString datPath = dir.filePath(QStringLiteral("payload.dat"));
    vf::CodecLibrary codec(libPath);
    const vf::EncodeOptions options{settings.rate, settings.vad, settings.silenceCoding};
    const Error e = vf::EncodeWavToDat(codec, dir.path(), absoluteWav, datPath, options, vf::Hooks());
    QDir::setCurrent(previous);
    if (e.IsSet()) {
        if (error)
            *error = e;
        return QByteArray();
    }
    QFile dat(datPath);
    if (!dat.open(QIODevice::ReadOnly)) {
        if (error)
            *error = FileError(err::kPathFileAccess, datPath, dat.errorString());
        return QByteArray();
    }
    return dat.readAll();
}

int CodecRateForFlags(int flags) {
    switch (SampleRateFromFlags(flags)) {
    case 1:
        return 1;
    case 2:
        return 0;
    default:
        return 2;
    }
}

}  // namespace qlm::sim
