#include "tools/recsim.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/card/recording.h"
#include "platform/appfolder.h"
#include "tools/speech.h"

namespace qlm::sim {

QByteArray FillerPayload(qint64 bytes, int codecRate) {
    const int length = codecRate == 0 ? 11 : codecRate == 1 ? 18 : 24;
    const char first = static_cast<char>(codecRate == 0 ? 0x00 : codecRate == 1 ? 0x40 : 0x80);
    QByteArray payload(bytes, '\0');
    for (qint64 at = 0; at < bytes; at += length)
        payload[at] = first;
    return payload;
}

QString WriteRecording(const QString& folder, const Call& call, Error* error) {
    const QString path = JoinPath(folder, RecordingNameFor(call.start.date(), call.start.time()));
    QFile file(path);
    if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = FileError(err::kPathFileAccess, path, file.errorString());
        return QString();
    }
    const QByteArray header = MakeRecordingHeader(call.number, call.flags);
    if (file.write(header) != header.size() || file.write(call.payload) != call.payload.size() || !file.flush()) {
        if (error)
            *error = FileError(err::kDiskFull, path, file.errorString());
        file.remove();
        return QString();
    }
    return path;
}

namespace {

// A call of the given length: the sentence again and again with a second of
// quiet between, one frame longer than the call since the encoder leaves the
// last frame out.
bool MakeCallSpeech(const QString& sentence, int seconds, const QString& wavPath, QString* why) {
    if (!SpeakToWav(sentence, wavPath, why))
        return false;
    const QVector<qint16> spoken = ReadWavSamples(wavPath);
    if (spoken.isEmpty()) {
        if (why)
            *why = QStringLiteral("espeak-ng gave no speech");
        return false;
    }
    const qsizetype total = (static_cast<qsizetype>(seconds) * 50 + 1) * 160;
    QVector<qint16> call;
    call.reserve(total);
    while (call.size() < total) {
        call.append(spoken);
        call.append(QVector<qint16>(8000, 0));
    }
    call.resize(total);
    return WriteWavSamples(wavPath, call);
}

}  // namespace

int WriteDemoCard(const QString& folder, Error* error, const DemoCardOptions& options, QString* warning) {
    struct Row {
        const char* start;
        const char* number;
        int flags;
        int seconds;
        const char* sentence;
        bool vad;
    };
    // Incoming and outgoing line calls, microphone and voice-activated
    // recordings, saved and not, at the three rates.
    static const Row kRows[] = {
        {"2024-01-15T09:05:07", "5551234", 0x20, 12, "Hello, this is Anna. I am calling about the delivery on Monday.",
         false},
        {"2024-01-15T11:30:00", "02079460000", 0x30, 45,
         "Good morning. Your order number is four five seven two, and it ships today.", false},
        {"2024-02-29T14:35:27", "", 0x00, 20, "Note to self: buy milk, bread and batteries on the way home.", false},
        {"2024-03-07T08:00:59", "5559876", 0x28, 90,
         "The meeting has moved to Thursday at half past three in room twelve.", false},
        {"2024-05-17T17:45:12", "18005550199", 0x31, 33,
         "Thank you for calling customer service. Please hold the line.", false},
        {"2024-06-01T23:59:59", "5551234", 0x21, 8, "Sorry to call so late. Call me back tomorrow.", false},
        {"2024-07-04T12:00:00", "911", 0x32, 15, "There is smoke coming from the house across the street.", false},
        {"2024-08-19T06:15:30", "", 0x08, 60, "Dictation. The quarterly figures look better than last year.", true},
        {"2024-10-25T14:35:27", "4420", 0x10, 25,
         "Extension four four two zero, the printer on the second floor is jammed.", false},
        {"2024-11-11T10:10:10", "5550000", 0x22, 5, "Wrong number, sorry.", false},
        {"2024-12-24T19:20:00", "0044123456789", 0x38, 120,
         "Merry Christmas from London. We will visit you in the spring.", false},
        {"2025-01-02T07:07:07", "5551234", 0x20, 3, "Are you there?", false},
    };
    QTemporaryDir work;
    bool speech = options.speech;
    if (speech && !CanSpeak()) {
        speech = false;
        if (warning)
            *warning = QStringLiteral("espeak-ng or sox is missing; the calls hold placeholder data, not speech");
    }
    int written = 0;
    for (const Row& row : kRows) {
        Call call;
        call.start = QDateTime::fromString(QString::fromLatin1(row.start), Qt::ISODate);
        call.number = QString::fromLatin1(row.number);
        call.flags = row.flags;
        const int codecRate = CodecRateForFlags(row.flags);
        if (speech) {
            const QString wav = work.filePath(QStringLiteral("call.wav"));
            QString why;
            Error encodeError;
            if (MakeCallSpeech(QString::fromUtf8(row.sentence), row.seconds, wav, &why))
                call.payload =
                    EncodeWavFile(wav, EncodeSettings{codecRate, row.vad, row.vad}, options.codecPath, &encodeError);
            if (call.payload.isEmpty()) {
                speech = false;
                if (warning)
                    *warning = (why.isEmpty() ? encodeError.description : why) +
                               QStringLiteral("; the calls hold placeholder data, not speech");
            }
        }
        if (call.payload.isEmpty()) {
            const double kbPerSecond = codecRate == 2 ? 1.2 : codecRate == 1 ? 0.9 : 0.55;
            call.payload = FillerPayload(static_cast<qint64>(row.seconds * kbPerSecond * 1024), codecRate);
        }
        if (WriteRecording(folder, call, error).isEmpty())
            return written;
        ++written;
    }
    return written;
}

}  // namespace qlm::sim
