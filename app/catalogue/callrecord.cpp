#include "app/catalogue/callrecord.h"
#include "app/strings/strnames.h"

#include <cstdlib>

#include "app/catalogue/engine.h"
#include "app/strings/strlib.h"

namespace qlm {

QStringList CatalogueColumns() {
    return {QStringLiteral("Date"),     QStringLiteral("Time"),       QStringLiteral("Duration"),
            QStringLiteral("CallerID"), QStringLiteral("DialString"), QStringLiteral("InorOut"),
            QStringLiteral("TelorMic"), QStringLiteral("Saved"),      QStringLiteral("SampleRate"),
            QStringLiteral("Comment")};
}

QString FormatDuration(qint32 seconds) {
    // Floor division throughout, so that even a negative count formats.
    const auto floorDiv = [](qint64 a, qint64 b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); };
    const qint64 s = seconds;
    const qint64 hours = floorDiv(floorDiv(s, 60), 60);
    const qint64 minutes = floorDiv(s - hours * 3600, 60);
    const qint64 rest = s - hours * 3600 - minutes * 60;
    return QStringLiteral("%1:%2:%3")
        .arg(hours)
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(rest, 2, 10, QLatin1Char('0'));
}

QString DateWriteText(const QDate& date) {
    return QStringLiteral("%1-%2-%3").arg(date.year(), 4, 10, QLatin1Char('0')).arg(date.month()).arg(date.day());
}

QString TimeWriteText(const QTime& time) {
    return QStringLiteral("%1:%2:%3").arg(time.hour()).arg(time.minute()).arg(time.second());
}

QString DateDisplayText(const QDate& date) { return date.toString(QStringLiteral("MM/dd/yyyy")); }
QString TimeDisplayText(const QTime& time) { return time.toString(QStringLiteral("hh:mm:ss")); }

QString InOutText(qint16 inorOut, qint16 telorMic) {
    if (telorMic != 0)
        return QStringLiteral(" ");
    return LibStr(inorOut == 0 ? str::Incoming : str::Outgoing);
}

QString TelMicText(qint16 telorMic) {
    return LibStr(telorMic == 0 ? str::Telephone : telorMic == 1 ? str::Microphone : str::VoiceActivated);
}
QString SavedText(qint16 saved) { return LibStr(saved == 0 ? str::NotSaved : str::SavedMark); }
QString SampleRateText(qint16 sampleRate) {
    return LibStr(sampleRate == 0 ? str::Rate1200 : sampleRate == 1 ? str::Rate900 : str::Rate550);
}

QStringList DisplayTexts(const CallRecord& r) {
    return {DateDisplayText(r.Date),
            TimeDisplayText(r.Time),
            FormatDuration(r.Duration),
            r.CallerID,
            r.DialString,
            InOutText(r.InorOut, r.TelorMic),
            TelMicText(r.TelorMic),
            SavedText(r.Saved),
            SampleRateText(r.SampleRate),
            r.Comment};
}

TableDef CatalogueTableDef() {
    static constexpr FieldType kTypes[] = {
        FieldType::Date,    FieldType::Date,    FieldType::Long,    FieldType::Text,    FieldType::Text,
        FieldType::Integer, FieldType::Integer, FieldType::Integer, FieldType::Integer, FieldType::Text};
    TableDef table{QString::fromLatin1(kCatalogueTable), {}};
    const QStringList names = CatalogueColumns();
    for (qsizetype i = 0; i < names.size(); ++i)
        table.CreateField(names[i], kTypes[i]);
    return table;
}

}  // namespace qlm
