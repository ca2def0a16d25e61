// A private-profile (INI) reader with the semantics the original platform's
// GetPrivateProfileString gave such files: section and key names compared
// without case, values trimmed of blanks and unwrapped from one pair of
// matching quotes, ';' comment lines, the first occurrence of a key wins,
// values cut to 99 characters (the 100-character buffer of the callers).
//
// Files are read as UTF-8; a file that is not valid UTF-8 is read as
// Windows-1252, so libraries written for the original keep working.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

namespace qlm {

class PrivateProfile {
public:
    static constexpr int kValueLimit = 99;

    // A file that cannot be read gives an empty profile: every value then
    // reads as its default, as on the original platform.
    static PrivateProfile Load(const QString& path);
    static PrivateProfile FromBytes(const QByteArray& bytes);

    bool HasSection(const QString& section) const;
    bool HasKey(const QString& section, const QString& key) const;

    // The value of the key, or the default (also cut to the limit) when the
    // section or key is missing.
    QString GetString(const QString& section, const QString& key, const QString& defaultValue = QString()) const;

    // GetPrivateProfileInt: the leading decimal number of the value (an
    // optional sign, then digits); 0 when the value does not start with one;
    // the default when the key is missing.
    int GetInt(const QString& section, const QString& key, int defaultValue) const;

private:
    // section (lower case) -> key (lower case) -> value
    QHash<QString, QHash<QString, QString>> sections_;
};

// Bytes that are not valid UTF-8 are taken as Windows-1252.
QString DecodeUtf8OrWindows1252(const QByteArray& bytes);

}  // namespace qlm
