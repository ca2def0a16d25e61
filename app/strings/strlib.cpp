#include "app/strings/strlib.h"

#include <cmath>
#include <limits>

#include "platform/privateprofile.h"

namespace qlm {
namespace {

struct Tables {
    QVector<QString> strings{QString()};
    QVector<FontEntry> fonts{FontEntry()};
    QString fileName;
    QString section;
};

Tables& State() {
    static Tables tables;
    return tables;
}

QString UpToNul(const QString& value) {
    const qsizetype nul = value.indexOf(QChar(0));
    return nul < 0 ? value : value.left(nul);
}

// VB's CInt of a text: a number rounded half to even; nothing on failure.
bool ToInt16(const QString& text, qint16* out) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return false;
    const double rounded = std::nearbyint(value);
    if (rounded < std::numeric_limits<qint16>::min() || rounded > std::numeric_limits<qint16>::max())
        return false;
    *out = static_cast<qint16>(rounded);
    return true;
}

// VB's CBool of a text: the words true/false, or any number (0 is false).
bool ToBool(const QString& text, bool* out) {
    if (text.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0) {
        *out = true;
        return true;
    }
    if (text.compare(QStringLiteral("false"), Qt::CaseInsensitive) == 0) {
        *out = false;
        return true;
    }
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || std::isnan(value))
        return false;
    *out = value != 0.0;
    return true;
}

}  // namespace

QString FatalNoLibraryText() { return QStringLiteral("Can Not Find String Library. Fatal Error !"); }
QString FatalNoStringsText() { return QStringLiteral("Can Not Get String. Fatal Error !"); }

FontEntry ParseFontEntry(const QString& text) {
    QString fields[3];
    qsizetype start = 0;
    for (int k = 0; k < 3; ++k) {
        const qsizetype comma = text.indexOf(u',', start);
        if (comma < 0) {
            fields[k] = text.mid(start);
            break;
        }
        fields[k] = text.mid(start, comma - start);
        start = comma + 1;
    }
    FontEntry entry;
    entry.Name = fields[0].trimmed();
    qint16 size = 0;
    if (ToInt16(fields[1].trimmed(), &size))
        entry.Size = size;
    bool bold = false;
    if (ToBool(fields[2].trimmed(), &bold))
        entry.Bold = bold;
    return entry;
}

StringLibraryStatus LoadStringLibrary(const QString& fileName, const QString& section) {
    Tables& tables = State();
    tables = Tables();
    tables.fileName = fileName.trimmed();
    tables.section = section.trimmed();
    if (tables.fileName.isEmpty())
        return StringLibraryStatus::NoFileName;

    const PrivateProfile profile = PrivateProfile::Load(tables.fileName);
    const int totalFont = profile.GetInt(tables.section, QStringLiteral("TotalFont"), 0);
    // The original counts with 16-bit numbers; more entries cannot be read.
    const int fontCount = qBound(0, totalFont, 32767);
    tables.fonts.resize(fontCount + 1);
    for (int n = 1; n <= fontCount; ++n) {
        const QString value = UpToNul(profile.GetString(tables.section, QStringLiteral("Font%1").arg(n)));
        tables.fonts[n] = ParseFontEntry(value.trimmed());
    }

    const int totalStr = profile.GetInt(tables.section, QStringLiteral("TotalStr"), 0);
    if (totalStr < 1)
        return StringLibraryStatus::NoStrings;
    const int strCount = qMin(totalStr, 32767);
    tables.strings.resize(strCount + 1);
    for (int n = 1; n <= strCount; ++n)
        tables.strings[n] = UpToNul(profile.GetString(tables.section, QStringLiteral("Str%1").arg(n)));
    return StringLibraryStatus::Loaded;
}

const QVector<QString>& LibStrings() { return State().strings; }
const QVector<FontEntry>& LibFonts() { return State().fonts; }
int TotalStr() { return static_cast<int>(State().strings.size()) - 1; }
int TotalFont() { return static_cast<int>(State().fonts.size()) - 1; }
QString StringLibraryFileName() { return State().fileName; }
QString StringLibrarySection() { return State().section; }

bool HasLibStr(int n) { return n >= 1 && n <= TotalStr(); }

QString LibStr(int n, const QString& fallback) { return HasLibStr(n) ? State().strings[n] : fallback; }

const FontEntry* LibFont(int n) { return n >= 1 && n <= TotalFont() ? &State().fonts[n] : nullptr; }

}  // namespace qlm
