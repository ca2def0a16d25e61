#include "platform/privateprofile.h"

#include <QFile>
#include <QStringDecoder>

namespace qlm {
namespace {

// Windows-1252 differs from Latin-1 only in 0x80-0x9F; the five undefined
// places map to themselves, as Windows' own conversion does.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }

QString TrimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin).toString();
}

QString CutToLimit(const QString& value) {
    if (value.size() <= PrivateProfile::kValueLimit)
        return value;
    QString cut = value.left(PrivateProfile::kValueLimit);
    // Never leave half of a surrogate pair behind.
    if (cut.back().isHighSurrogate())
        cut.chop(1);
    return cut;
}

}  // namespace

QString DecodeUtf8OrWindows1252(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    text.clear();
    text.reserve(bytes.size());
    for (char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        text.append(QChar(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b)));
    }
    return text;
}

PrivateProfile PrivateProfile::Load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return PrivateProfile();
    return FromBytes(file.readAll());
}

PrivateProfile PrivateProfile::FromBytes(const QByteArray& bytes) {
    PrivateProfile profile;
    QString text = DecodeUtf8OrWindows1252(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);

    QHash<QString, QString>* current = nullptr;
    bool currentIsFirst = false;
    for (QStringView rawLine : QStringView(text).split(u'\n')) {
        if (rawLine.endsWith(u'\r'))
            rawLine.chop(1);
        const QString line = TrimBlanks(rawLine);
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            const QString name = TrimBlanks(QStringView(line).mid(1, close < 0 ? -1 : close - 1)).toLower();
            // A repeated section is ignored: lookups stop at the first one.
            currentIsFirst = !profile.sections_.contains(name);
            current = &profile.sections_[name];
            continue;
        }
        if (!current || !currentIsFirst)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        const QString key = TrimBlanks(QStringView(line).left(equals)).toLower();
        if (key.isEmpty() || current->contains(key))
            continue;
        QString value = TrimBlanks(QStringView(line).mid(equals + 1));
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        current->insert(key, CutToLimit(value));
    }
    return profile;
}

bool PrivateProfile::HasSection(const QString& section) const {
    return sections_.contains(section.trimmed().toLower());
}

bool PrivateProfile::HasKey(const QString& section, const QString& key) const {
    const auto it = sections_.constFind(section.trimmed().toLower());
    return it != sections_.cend() && it->contains(key.trimmed().toLower());
}

QString PrivateProfile::GetString(const QString& section, const QString& key, const QString& defaultValue) const {
    const auto it = sections_.constFind(section.trimmed().toLower());
    if (it != sections_.cend()) {
        const auto value = it->constFind(key.trimmed().toLower());
        if (value != it->cend())
            return *value;
    }
    return CutToLimit(defaultValue);
}

int PrivateProfile::GetInt(const QString& section, const QString& key, int defaultValue) const {
    if (!HasKey(section, key))
        return defaultValue;
    const QString value = GetString(section, key);
    qsizetype i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == u'-' || value[i] == u'+'))
        negative = value[i++] == u'-';
    long long number = 0;
    for (; i < value.size() && value[i].isDigit() && value[i].unicode() < 128; ++i) {
        number = number * 10 + (value[i].unicode() - u'0');
        if (number > 0x7FFFFFFF)
            return 0;  // out of range reads as no number
    }
    return static_cast<int>(negative ? -number : number);
}

}  // namespace qlm
