// The string library: every text the user sees, and the fonts of the forms,
// loaded once at start-up from an INI file beside the program so the program
// can be shown in another language by exchanging that file.
#pragma once

#include <QString>
#include <QVector>

namespace qlm {

struct FontEntry {
    QString Name;
    qint16 Size = 0;  // 0 = not given
    bool Bold = false;
};

enum class StringLibraryStatus { Loaded, NoFileName, NoStrings };

inline constexpr char kStringLibraryFile[] = "strLib.ini";
inline constexpr char kStringLibrarySection[] = "QLM6200";

// The two fatal messages; no library string can title them, the table is
// not loaded yet.
QString FatalNoLibraryText();  // "Can Not Find String Library. Fatal Error !"
QString FatalNoStringsText();  // "Can Not Get String. Fatal Error !"

// Fills LibStrings and LibFonts from the file's section. The caller shows the
// fatal message for a status other than Loaded and ends the program.
StringLibraryStatus LoadStringLibrary(const QString& fileName, const QString& section);

// The tables, indexed from 1 as the library numbers them; index 0 is unused.
const QVector<QString>& LibStrings();
const QVector<FontEntry>& LibFonts();
int TotalStr();
int TotalFont();
QString StringLibraryFileName();
QString StringLibrarySection();

// Library string N; a number outside 1..TotalStr is an error for the caller's
// statement, which is then skipped: the fallback (a design-time text) stands.
QString LibStr(int n, const QString& fallback = QString());
bool HasLibStr(int n);
// Font entry N, or nullptr outside 1..TotalFont.
const FontEntry* LibFont(int n);

// "Name, size, bold": fields split at the first two commas.
FontEntry ParseFontEntry(const QString& text);

}  // namespace qlm
