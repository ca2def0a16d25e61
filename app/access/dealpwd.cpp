#include "app/access/dealpwd.h"

#include <cerrno>
#include <cmath>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include "platform/appfolder.h"
#include "platform/durablefile.h"
#include "platform/userstate.h"
#include "platform/vbrandom.h"

namespace qlm {
namespace {

constexpr int kFirstCode = 32;
constexpr int kLastCode = 126;
constexpr int kSymbols = 95;
// The runtime's "Invalid procedure call or argument".
constexpr int kInvalidArgument = 5;

PasswordWriteHook& WriteHook() {
    static PasswordWriteHook hook;
    return hook;
}

// The ANSI code of a character. Only 32-126 take part in scrambling, so a
// character beyond Latin-1 maps to DEL, outside that range, rather than to a
// printable "?" that would make all such characters one and the same.
int AnsiCode(QChar c) {
    const char16_t u = c.unicode();
    return u < 256 ? u : 127;
}

// The runtime's Trim: spaces only, not tabs or other white space.
QString TrimBlanks(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == u' ')
        ++first;
    while (last > first && text.at(last - 1) == u' ')
        --last;
    return text.mid(first, last - first);
}

Error SystemError(const QString& path, int code) {
    const int number = code == ENOSPC ? err::kDiskFull : err::kPathFileAccess;
    return FileError(number, path, QString::fromLocal8Bit(std::strerror(code)));
}

void SetError(Error* error, const Error& value) {
    if (error)
        *error = value;
}

void SetProblem(PasswordFileProblem* problem, PasswordFileProblem value) {
    if (problem)
        *problem = value;
}

bool IsStorable(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() < kFirstCode || c.unicode() > kLastCode)
            return false;
    return true;
}

// Fails the read: the field is all NUL, never the empty password.
QString Refuse(Error* error, PasswordFileProblem* problem, PasswordFileProblem kind, const Error& value) {
    SetError(error, value);
    SetProblem(problem, kind);
    return QString(kPasswordLength, QChar(0));
}

// Both directions: the same reset, seed and draws; only the shift's sign
// differs.
QString Shift(const QString& text, const QString& key, int direction) {
    VbRandom& random = ProcessRandom();
    const qint32 seed = KeyToSeed(key);
    random.Rnd(-1.0f);
    random.Randomize(static_cast<double>(seed));
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        int code = AnsiCode(c);
        if (code < kFirstCode || code > kLastCode)
            continue;
        code -= kFirstCode;
        // The product is taken in double precision; 96 offsets over 95
        // symbols, so 95 moves nothing, like 0.
        const int offset = static_cast<int>(std::floor(96.0 * static_cast<double>(random.Rnd())));
        if (direction > 0) {
            code = (code + offset) % kSymbols;
        } else {
            code = (code - offset) % kSymbols;
            if (code < 0)
                code += kSymbols;
        }
        out += QChar(static_cast<char16_t>(code + kFirstCode));
    }
    return out;
}

}  // namespace

QString PasswordFilePath() { return JoinPath(UserStateFolders().settings, QString::fromLatin1(kPasswordFileName)); }

qint32 KeyToSeed(const QString& key) {
    std::uint32_t result = 0;
    int a = 0;
    int b = 0;
    for (const QChar c : key) {
        const auto code = static_cast<std::uint32_t>(AnsiCode(c));
        result ^= code << a;
        result ^= code << b;
        a = (a + 7) % 19;
        b = (b + 13) % 23;
    }
    return static_cast<qint32>(result);
}

QString ScramblePassword(const QString& text, const QString& key) { return Shift(text, key, +1); }

QString UnscramblePassword(const QString& text, const QString& key) { return Shift(text, key, -1); }

QString ReadPasswordFile(Error* error, PasswordFileProblem* problem) {
    QString field(kPasswordLength, QChar(0));
    SetProblem(problem, PasswordFileProblem::None);
    const QString path = PasswordFilePath();
    const QByteArray name = QFile::encodeName(path);
    // Without O_NONBLOCK a FIFO would hold the sign-in until someone writes
    // to it; with it the open returns at once and fstat tells what it is.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int code = errno;
        struct stat link {};
        if (code == ENOENT && ::lstat(name.constData(), &link) == 0)
            return Refuse(error, problem, PasswordFileProblem::Unreadable, SystemError(path, code));
        if (code == ENOENT) {
            // First use on this machine: the empty password, and an empty
            // file that says so. If the folder is not writable the empty
            // password still applies.
            const int created = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (created >= 0)
                ::close(created);
            return field;
        }
        const auto kind =
            code == EACCES || code == EPERM ? PasswordFileProblem::NoAccess : PasswordFileProblem::Unreadable;
        return Refuse(error, problem, kind, SystemError(path, code));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int code = errno;
        ::close(fd);
        if (S_ISDIR(st.st_mode))
            return Refuse(error, problem, PasswordFileProblem::Folder, SystemError(path, EISDIR));
        if (st.st_mode != 0)
            return Refuse(error, problem, PasswordFileProblem::NotRegular, FileError(err::kPathFileAccess, path, {}));
        return Refuse(error, problem, PasswordFileProblem::Unreadable, SystemError(path, code));
    }
    char bytes[kPasswordLength] = {};
    qsizetype have = 0;
    while (have < kPasswordLength) {
        const ssize_t n = ::read(fd, bytes + have, static_cast<size_t>(kPasswordLength - have));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int code = errno;
            ::close(fd);
            return Refuse(error, problem, PasswordFileProblem::Unreadable, SystemError(path, code));
        }
        if (n == 0)
            break;
        have += n;
    }
    ::close(fd);
    for (qsizetype i = 0; i < have; ++i)
        field[i] = QChar(static_cast<char16_t>(static_cast<unsigned char>(bytes[i])));
    return field;
}

NewPasswordProblem CheckNewPassword(const QString& password) {
    const QString text = TrimBlanks(password);
    if (!IsStorable(text))
        return NewPasswordProblem::Character;
    // Only 16 characters are ever read back; a longer one could never be
    // entered again.
    if (text.size() > kPasswordLength)
        return NewPasswordProblem::TooLong;
    return NewPasswordProblem::None;
}

bool PasswordMatches(const QString& entered, const QString& field) {
    const QString typed = TrimBlanks(entered);
    // Scrambling skips what the file cannot keep; compared as typed, such a
    // text can never be the stored password.
    if (!IsStorable(typed))
        return false;
    return typed == TrimBlanks(UnscramblePassword(field, QString::fromLatin1(kPasswordKey)));
}

bool WritePasswordFile(const QString& scrambled, Error* error) {
    const QString path = PasswordFilePath();
    DurableFile file(path);
    const bool written = file.Open() && file.SetPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
                         file.Write(scrambled.toLatin1()) && file.Sync();
    if (written) {
        if (const PasswordWriteHook& hook = WriteHook(); hook && !hook(file.TemporaryPath())) {
            file.Discard();
            SetError(error, SystemError(path, EINTR));
            return false;
        }
        if (file.Commit())
            return true;
    }
    const int number = file.ErrorCode() == QFileDevice::ResourceError ? err::kDiskFull : err::kPathFileAccess;
    SetError(error, FileError(number, path, file.ErrorString()));
    return false;
}

bool CheckPassword(const QString& entered, Error* error) {
    Error readError;
    const QString field = ReadPasswordFile(&readError);
    if (readError.IsSet()) {
        SetError(error, readError);
        return false;
    }
    return PasswordMatches(entered, field);
}

bool SavePassword(const QString& oldPassword, const QString& newPassword, Error* error) {
    switch (CheckNewPassword(newPassword)) {
    case NewPasswordProblem::None:
        break;
    case NewPasswordProblem::Character:
        SetError(error,
                 Error{kInvalidArgument, QStringLiteral("The password holds a character outside ASCII 32-126.")});
        return false;
    case NewPasswordProblem::TooLong:
        SetError(error, Error{kInvalidArgument, QStringLiteral("The password is longer than 16 characters.")});
        return false;
    }
    Error readError;
    const QString field = ReadPasswordFile(&readError);
    if (readError.IsSet()) {
        SetError(error, readError);
        return false;
    }
    if (!PasswordMatches(oldPassword, field))
        return false;
    return WritePasswordFile(ScramblePassword(TrimBlanks(newPassword), QString::fromLatin1(kPasswordKey)), error);
}

void SetPasswordWriteHook(PasswordWriteHook hook) { WriteHook() = std::move(hook); }

}  // namespace qlm
