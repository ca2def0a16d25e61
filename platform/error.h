// Errors are values until a form shows them: a number and a description, as
// the original runtime's error object carried them.
#pragma once

#include <QString>

namespace qlm {

struct Error {
    int number = 0;
    QString description;

    bool IsSet() const { return number != 0; }
    void Clear() { *this = Error(); }
    // The text of the common error box: the number in decimal followed
    // directly by the description.
    QString BoxText() const { return QString::number(number) + description; }
};

// Numbers of the original runtime that our code raises itself.
namespace err {
inline constexpr int kOverflow = 6;
inline constexpr int kTypeMismatch = 13;
inline constexpr int kBadFileName = 52;
inline constexpr int kFileNotFound = 53;
inline constexpr int kFileAlreadyExists = 58;
inline constexpr int kDiskFull = 61;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kPathFileAccess = 75;
inline constexpr int kPathNotFound = 76;
inline constexpr int kDllLoad = 48;
inline constexpr int kDllEntry = 453;
}  // namespace err

// An error for a failed file operation on the path, with the system's reason.
Error FileError(int number, const QString& path, const QString& reason);

}  // namespace qlm
