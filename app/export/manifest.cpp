#include "app/export/manifest.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtEndian>

#include <cmath>

#include "app/catalogue/comments.h"

namespace qlm {
namespace {

// A spreadsheet takes a cell that starts with one of these as a formula
// (a comment "=HYPERLINK(...)" would become a live link); the apostrophe
// makes it show as text. calls.json keeps the exact text.
QString DefusedCell(const QString& text) {
    if (!text.isEmpty() && QStringView(u"=+-@\t\r").contains(text.front()))
        return u'\'' + text;
    return text;
}

QString CsvField(const QString& value) {
    const QString text = DefusedCell(value);
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString SecondsText(double seconds) { return QString::number(seconds, 'f', 3); }

}  // namespace

QString ReadableFileName(const CallRecord& record, const QString& extension) {
    QStringList parts = {record.Date.toString(QStringLiteral("yyyy-MM-dd")),
                         record.Time.toString(QStringLiteral("HH-mm-ss"))};
    parts << (record.TelorMic == 0 ? InOutText(record.InorOut, record.TelorMic) : TelMicText(record.TelorMic));
    // The number the list shows for the call: the caller's for incoming line
    // calls, the dialled one otherwise.
    const bool incoming = record.TelorMic == 0 && record.InorOut == 0;
    parts << (incoming ? record.CallerID : record.DialString);
    QString name;
    for (const QString& part : std::as_const(parts)) {
        const QString trimmed = part.trimmed();
        if (!trimmed.isEmpty())
            name += (name.isEmpty() ? QString() : QStringLiteral(" ")) + trimmed;
    }
    for (QChar& c : name)
        if (c.unicode() < 0x20 || c == u'\x7f' || QStringView(u"/\\:*?\"<>|").contains(c))
            c = u'_';
    return name + u'.' + extension;
}

QStringList ManifestKeys() {
    return {QStringLiteral("date"),     QStringLiteral("time"),       QStringLiteral("duration"),
            QStringLiteral("callerId"), QStringLiteral("dialString"), QStringLiteral("inOut"),
            QStringLiteral("telMic"),   QStringLiteral("saved"),      QStringLiteral("sampleRate"),
            QStringLiteral("comment"),  QStringLiteral("file"),       QStringLiteral("seconds")};
}

QStringList ManifestValues(const ExportedCall& call) {
    const CallRecord& r = call.record;
    // A single blank is the catalogue's "none", for numbers and comments alike.
    const auto none = [](const QString& text) { return text == u" " ? QString() : text; };
    return {r.Date.toString(QStringLiteral("yyyy-MM-dd")),
            r.Time.toString(QStringLiteral("HH:mm:ss")),
            FormatDuration(r.Duration),
            none(r.CallerID),
            none(r.DialString),
            none(InOutText(r.InorOut, r.TelorMic)),
            TelMicText(r.TelorMic),
            SavedText(r.Saved),
            SampleRateText(r.SampleRate),
            CommentBoxText(r.Comment),
            call.file,
            SecondsText(call.seconds)};
}

QByteArray ManifestCsv(const QVector<ExportedCall>& calls) {
    const auto line = [](const QStringList& fields) -> QByteArray {
        QStringList quoted;
        for (const QString& field : fields)
            quoted << CsvField(field);
        return quoted.join(u',').toUtf8() + "\r\n";
    };
    QByteArray csv = QByteArrayLiteral("\xEF\xBB\xBF");
    csv += line(ManifestKeys());
    for (const ExportedCall& call : calls)
        csv += line(ManifestValues(call));
    return csv;
}

QByteArray ManifestJson(const QVector<ExportedCall>& calls) {
    const QStringList keys = ManifestKeys();
    QJsonArray array;
    for (const ExportedCall& call : calls) {
        const QStringList values = ManifestValues(call);
        QJsonObject object;
        for (int i = 0; i < keys.size(); ++i)
            object.insert(keys[i], values[i]);
        // The one number: what programs compute with.
        object.insert(keys.last(), values.last().toDouble());
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

double WavSeconds(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray head = file.read(44);
    if (head.size() < 44 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
        return 0;
    const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(head.constData() + at); };
    const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(head.constData() + at); };
    const quint32 bytesPerSecond = u32(24) * u16(22) * (u16(34) / 8u);
    if (bytesPerSecond == 0)
        return 0;
    // The data the file really holds, whatever its header claims.
    const qint64 data = qMin<qint64>(u32(40), file.size() - 44);
    return std::round(static_cast<double>(data) * 1000.0 / bytesPerSecond) / 1000.0;
}

}  // namespace qlm
