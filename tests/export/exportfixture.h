// Calls on a card with a catalogue built from them, as the export, backup
// and pruning tests need them: dates relative to today, every direction and
// source, a saved one, and codec data whose decoded length is known (one
// frame is 20 ms of sound).
#pragma once

#include <QDateTime>
#include <QDir>
#include <QRandomGenerator>
#include <QtEndian>

#include "app/card/build.h"
#include "app/catalogue/comments.h"
#include "app/catalogue/store.h"
#include "app/convert/convertfiles.h"
#include "app/prjpublic.h"
#include "platform/appfolder.h"
#include "tests/support/testsupport.h"
#include "tools/recsim.h"

namespace qlm::test {

struct CardCall {
    QDateTime start;
    QString number;
    int flags = 0;
    int frames = 0;  // of the rate's class: 11 bytes (rate 0) or 18 bytes (kRate1)
    QString comment;

    double Seconds() const { return frames * 0.02; }
    QString DateText() const { return start.date().toString(QStringLiteral("MM/dd/yyyy")); }
    QString TimeText() const { return start.time().toString(QStringLiteral("hh:mm:ss")); }
    QString FileName() const { return RecordingNameFor(start.date(), start.time()); }
};

// Six calls, oldest first: an incoming line call with quotes and a comma in
// its comment, a saved outgoing one with line breaks, a microphone call in
// other scripts, a voice-activated call with a number, one without a
// comment, and a recent one.
inline QVector<CardCall> ExportCardCalls() {
    const QDateTime today(QDate::currentDate(), QTime(9, 5, 0));
    return {
        {today.addDays(-400), QStringLiteral("5550100"), flag::kLine, 150,
         QStringLiteral("He said \"call back\", then hung up")},
        {today.addDays(-400).addSecs(60), QStringLiteral("0301234567"),
         flag::kLine | flag::kNumberKind | flag::kSaved | flag::kRate1, 120,
         QStringLiteral("line one\nline two\r\nline three, \"quoted\"")},
        {today.addDays(-200), QString(), 0, 90, QStringLiteral("Grüße aus Köln – Привет, 你好 🙂")},
        {today.addDays(-150), QStringLiteral("123"), flag::kNumberKind | flag::kRate1, 80, QStringLiteral("=1+1")},
        {today.addDays(-100), QStringLiteral("5550199"), flag::kLine, 60, QString()},
        {today.addDays(-10), QStringLiteral("5550111"), flag::kLine, 70, QStringLiteral("recent")},
    };
}

// The card's recordings and its catalogue, opened as the window opens it
// (held in PrjPublicM()), with the calls' comments written through the
// program's comment routine.
inline QString MakeCardCatalogue(const QString& folder, const QVector<CardCall>& calls) {
    for (const CardCall& call : calls) {
        const bool rate1 = (call.flags & flag::kRate1) != 0;
        sim::WriteRecording(folder, {call.start, call.number, call.flags,
                                     sim::FillerPayload(call.frames * (rate1 ? 18 : 11), rate1 ? 1 : 0)});
    }
    const BuildResult built = BuildCatalogueIn(folder, nullptr, {});
    PrjPublicM().CatalogueDatabase = built.database;
    PrjPublicM().CataloguePath = built.path;
    PrjPublicM().RecordingsFolder = folder;
    for (const CardCall& call : calls)
        if (!call.comment.isEmpty())
            WriteCatalogueComment(PrjPublicM().CatalogueDatabase.get(), call.DateText(), call.TimeText(), call.comment,
                                  nullptr);
    return built.path;
}

// A levelled WAV of noise (which no archive can shrink) of the given length.
inline QByteArray NoiseWav(double seconds) {
    const quint32 data = static_cast<quint32>(seconds * 8000) * 2;
    QByteArray wav(44, '\0');
    const auto put32 = [&](int at, quint32 v) { qToLittleEndian<quint32>(v, wav.data() + at); };
    const auto put16 = [&](int at, quint16 v) { qToLittleEndian<quint16>(v, wav.data() + at); };
    wav.replace(0, 4, "RIFF");
    put32(4, 36 + data);
    wav.replace(8, 8, "WAVEfmt ");
    put32(16, 16);
    put16(20, 1);
    put16(22, 1);
    put32(24, 8000);
    put32(28, 16000);
    put16(32, 2);
    put16(34, 16);
    wav.replace(36, 4, "data");
    put32(40, data);
    QByteArray samples(static_cast<qsizetype>(data), Qt::Uninitialized);
    QRandomGenerator random(7);
    random.fillRange(reinterpret_cast<quint32*>(samples.data()), samples.size() / 4);
    return wav + samples;
}

// The conversion's work files of a call, as an earlier run left them in the
// temp folder: the conversion then has nothing to do.
inline void LeaveWorkFiles(const CardCall& call, double seconds) {
    const ConvertPaths paths = PathsFor(call.FileName(), GetTempFolder(), GetTempFolder(), 0);
    WriteFile(paths.dat, QByteArray(16, '\0'));
    WriteFile(paths.decoded, NoiseWav(seconds));
    WriteFile(paths.levelled, NoiseWav(seconds));
}

// Everything in a folder, hidden files included.
inline QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

}  // namespace qlm::test
