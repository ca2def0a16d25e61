#include "app/player/wavfile.h"

#include <QFile>
#include <QtEndian>

#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "platform/durablefile.h"

namespace qlm {
namespace {

quint32 U32(const char* p) { return qFromLittleEndian<quint32>(p); }
quint16 U16(const char* p) { return qFromLittleEndian<quint16>(p); }

void PutU32(QByteArray& out, quint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}
void PutU16(QByteArray& out, quint16 value) {
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

bool Fail(QString* error, const QString& text) {
    if (error)
        *error = text;
    return false;
}

}  // namespace

bool ReadPlayerWav(const QString& path, QVector<qint16>* samples, QString* error) {
    samples->clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Fail(error,
                    LibStr(str::RecordingUnreadable, QStringLiteral("The recording cannot be read:")) + u' ' + path);
    const QByteArray bytes = file.readAll();
    const QString notWav =
        LibStr(str::NotOurWav, QStringLiteral("Not a 16-bit mono WAV file at 8000 Hz:")) + u' ' + path;
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return Fail(error, notWav);
    bool haveFormat = false;
    qint64 at = 12;
    while (at + 8 <= bytes.size()) {
        const char* chunk = bytes.constData() + at;
        const qint64 size = U32(chunk + 4);
        const qint64 body = at + 8;
        const qint64 available = qMin<qint64>(size, bytes.size() - body);
        if (chunk[0] == 'f' && chunk[1] == 'm' && chunk[2] == 't' && chunk[3] == ' ') {
            if (available < 16)
                return Fail(error, notWav);
            const char* f = chunk + 8;
            if (U16(f) != 1 || U16(f + 2) != 1 || U32(f + 4) != kPlayerRate || U16(f + 14) != 16)
                return Fail(error, notWav);
            haveFormat = true;
        } else if (chunk[0] == 'd' && chunk[1] == 'a' && chunk[2] == 't' && chunk[3] == 'a') {
            if (!haveFormat)
                return Fail(error, notWav);
            // A data chunk cut short (a recorder or writer that stopped) plays
            // as far as it goes.
            samples->resize(static_cast<qsizetype>(available / 2));
            for (qsizetype i = 0; i < samples->size(); ++i)
                (*samples)[i] = qFromLittleEndian<qint16>(bytes.constData() + body + 2 * i);
            return true;
        }
        at = body + size + (size & 1);
    }
    return Fail(error, notWav);
}

bool WritePlayerWav(const QString& path, const QVector<qint16>& samples, QString* error) {
    const quint32 dataBytes = static_cast<quint32>(samples.size()) * 2;
    QByteArray out;
    out.reserve(static_cast<qsizetype>(44 + dataBytes));
    out.append("RIFF");
    PutU32(out, 36 + dataBytes);
    out.append("WAVEfmt ");
    PutU32(out, 16);
    PutU16(out, 1);
    PutU16(out, 1);
    PutU32(out, kPlayerRate);
    PutU32(out, kPlayerRate * 2);
    PutU16(out, 2);
    PutU16(out, 16);
    out.append("data");
    PutU32(out, dataBytes);
    for (qint16 s : samples)
        PutU16(out, static_cast<quint16>(s));
    QString why;
    if (!WriteFileDurably(path, out, &why))
        return Fail(error, QStringLiteral("%1: %2").arg(path, why));
    return true;
}

}  // namespace qlm
