#include "platform/filename.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include <QDateTime>
#include <QFile>
#include <QList>

#include "platform/durablefile.h"
#include "platform/error.h"

namespace qlm {

namespace {

constexpr char16_t kRawBase = 0xDC00;  // raw byte b is U+DC00 + b (b >= 0x80)

// The length of the valid UTF-8 sequence at bytes[at] and its code point;
// 0 when the bytes there are no valid sequence (overlong forms, surrogates
// and code points past U+10FFFF are not valid).
int Utf8SequenceAt(QByteArrayView bytes, qsizetype at, char32_t* code) {
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    int length = 0;
    char32_t value = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        *code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1Fu, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0Fu, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07u, least = 0x10000;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    for (int i = 1; i < length; ++i) {
        const unsigned char next = byte(at + i);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3Fu);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *code = value;
    return length;
}

bool IsRawByteAt(const QString& name, qsizetype i) {
    const char16_t unit = name[i].unicode();
    if (unit < kRawBase + 0x80 || unit > kRawBase + 0xFF)
        return false;
    // The low half of a pair is text, not a raw byte.
    return i == 0 || !QChar::isHighSurrogate(name[i - 1].unicode());
}

}  // namespace

QString DecodeName(QByteArrayView bytes) {
    QString name;
    name.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        char32_t code = 0;
        const int length = Utf8SequenceAt(bytes, at, &code);
        if (length == 0) {
            name += QChar(char16_t(kRawBase + static_cast<unsigned char>(bytes[at])));
            ++at;
            continue;
        }
        if (QChar::requiresSurrogates(code)) {
            name += QChar(QChar::highSurrogate(code));
            name += QChar(QChar::lowSurrogate(code));
        } else {
            name += QChar(char16_t(code));
        }
        at += length;
    }
    return name;
}

QByteArray EncodeName(const QString& name) {
    if (!HasRawBytes(name))
        return name.toLocal8Bit();  // what QFile::encodeName gives
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype start = 0;  // first unit of the run of text not yet written
    for (qsizetype i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !IsRawByteAt(name, i))
            continue;
        bytes += name.mid(start, i - start).toLocal8Bit();
        if (i < name.size())
            bytes += char(name[i].unicode() - kRawBase);
        start = i + 1;
    }
    return bytes;
}

bool HasRawBytes(const QString& name) {
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < name.size() && QChar::isLowSurrogate(name[i + 1].unicode())) {
            ++i;
            continue;
        }
        if (QChar::isSurrogate(unit))
            return true;
    }
    return false;
}

QString ShownName(const QString& name) {
    if (!HasRawBytes(name))
        return name;
    // Qt's UTF-8 encoder writes each lone surrogate as U+FFFD.
    return QString::fromUtf8(name.toLocal8Bit());
}

bool RefuseRawBytes(const QString& path, Error* error) {
    if (!HasRawBytes(path))
        return true;
    if (error)
        *error = FileError(err::kBadFileName, ShownName(path),
                           QStringLiteral("the name is not valid UTF-8 and cannot be used here exactly; "
                                          "rename it"));
    return false;
}

QString AbsoluteName(const QString& path) {
    if (path.startsWith(u'/'))
        return path;
    char* here = ::getcwd(nullptr, 0);
    if (!here)
        return path;
    QString folder = DecodeName(QByteArrayView(here));
    std::free(here);
    if (path.isEmpty() || path == u".")
        return folder;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder + (path.startsWith(QStringLiteral("./")) ? path.mid(2) : path);
}

namespace {

struct Alias {
    QString name;  // "/proc/<pid>/fd/<n>"
    QString path;  // the folder it was opened as
};

QList<Alias>& Aliases() {
    static QList<Alias> aliases;
    return aliases;
}

}  // namespace

QString QtReachablePath(const QString& given, Error* error) {
    // Qt makes a relative path absolute with a lossy working folder.
    const bool rawHere = !given.startsWith(u'/') && HasRawBytes(AbsoluteName(QString()));
    const QString path = rawHere ? AbsoluteName(given) : given;
    if (!HasRawBytes(path))
        return path;
    qsizetype lastRaw = 0;
    for (qsizetype i = 0; i < path.size(); ++i)
        if (QChar::isSurrogate(path[i].unicode()))
            lastRaw = i;
    const qsizetype end = path.indexOf(u'/', lastRaw);
    const QString folder = end < 0 ? path : path.left(end);
    const QString rest = end < 0 ? QString() : path.mid(end);
    for (const Alias& known : Aliases())
        if (known.path == folder)
            return known.name + rest;
    const int fd = OpenName(folder, O_PATH | O_DIRECTORY);
    if (fd < 0) {
        if (error)
            *error = FileError(
                err::kBadFileName, ShownName(path),
                QStringLiteral("the name is not valid UTF-8, and %1 is no folder; rename it").arg(ShownName(folder)));
        return QString();
    }
    const QString name = QStringLiteral("/proc/%1/fd/%2").arg(::getpid()).arg(fd);
    Aliases().append({name, folder});
    return name + rest;
}

QString UnaliasPaths(const QString& text) {
    QString out = text;
    // The longest first: ".../fd/12" holds ".../fd/1".
    QList<Alias> aliases = Aliases();
    std::sort(aliases.begin(), aliases.end(),
              [](const Alias& a, const Alias& b) { return a.name.size() > b.name.size(); });
    for (const Alias& alias : aliases)
        out.replace(alias.name, alias.path);
    return out;
}

namespace {

// The user's trash (freedesktop: $XDG_DATA_HOME/Trash) for a file reached
// through an alias: Qt would look for the trash of the alias's file system
// and can put it anywhere. Only on the file's own device, so the move is a
// rename; false when that cannot be (the caller then removes the file).
bool MoveToHomeTrash(const QByteArray& file, const QString& original) {
    QByteArray data = qgetenv("XDG_DATA_HOME");
    if (data.isEmpty())
        data = qgetenv("HOME") + "/.local/share";
    const QByteArray trash = data + "/Trash";
    struct stat st {
    }, home{};
    if (data.isEmpty() || ::lstat(file.constData(), &st) != 0 ||
        !MakeFolders(DecodeName(QByteArray(trash + "/files"))) ||
        !MakeFolders(DecodeName(QByteArray(trash + "/info"))) || ::stat(trash.constData(), &home) != 0 ||
        home.st_dev != st.st_dev)
        return false;
    const QByteArray base = file.mid(file.lastIndexOf('/') + 1);
    const QByteArray encoded = EncodeName(AbsoluteName(original)).toPercentEncoding("/");
    const QByteArray when = QDateTime::currentDateTime().toString(Qt::ISODate).toLatin1();
    for (int n = 0; n < 1000; ++n) {
        const QByteArray name = n == 0 ? base : base + '-' + QByteArray::number(n);
        // The info file claims the name first (O_EXCL), as the trash asks.
        const QByteArray info = trash + "/info/" + name + ".trashinfo";
        const int fd = ::open(info.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        const QByteArray text = "[Trash Info]\nPath=" + encoded + "\nDeletionDate=" + when + "\n";
        const bool written = ::write(fd, text.constData(), size_t(text.size())) == ssize_t(text.size());
        ::close(fd);
        if (written && ::rename(file.constData(), QByteArray(trash + "/files/" + name).constData()) == 0)
            return true;
        ::unlink(info.constData());
        return false;
    }
    return false;
}

}  // namespace

bool MoveToTrash(const QString& path) {
    const QString original = UnaliasPaths(path);
    if (original != path)
        return MoveToHomeTrash(EncodeName(path), original);
    // Qt 6.4 puts the trash in the working folder ("./files") when the
    // user's data folder does not exist yet: make it first, and never leave a
    // recording in such a place.
    QByteArray data = qgetenv("XDG_DATA_HOME");
    if (data.isEmpty())
        data = qgetenv("HOME") + "/.local/share";
    MakeFolders(DecodeName(data));
    QString trashed;
    if (!QFile::moveToTrash(path, &trashed))
        return false;
    if (trashed.startsWith(u'/'))
        return true;
    ::rename(EncodeName(trashed).constData(), EncodeName(path).constData());
    return false;
}

bool IsReadableFolderAt(const QString& path) {
    const QByteArray bytes = EncodeName(path);
    struct stat st {};
    return !path.isEmpty() && ::stat(bytes.constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(bytes.constData(), R_OK | X_OK) == 0;
}

bool ExistsAt(const QString& path) {
    struct stat st {};
    return !path.isEmpty() && ::lstat(EncodeName(path).constData(), &st) == 0;
}

bool MakeFolders(const QString& path) {
    if (path.isEmpty())
        return false;
    QByteArray bytes = EncodeName(path);
    struct stat st {};
    for (qsizetype slash = bytes.indexOf('/', 1);; slash = bytes.indexOf('/', slash + 1)) {
        const QByteArray step = slash < 0 ? bytes : bytes.left(slash);
        if (!step.isEmpty() && ::mkdir(step.constData(), 0777) != 0 && errno != EEXIST)
            return false;
        if (slash < 0)
            break;
    }
    return ::stat(bytes.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

int OpenName(const QString& path, int flags, unsigned mode) {
    return ::open(EncodeName(path).constData(), flags | O_CLOEXEC, static_cast<mode_t>(mode));
}

bool RemoveName(const QString& path) { return ::unlink(EncodeName(path).constData()) == 0; }

}  // namespace qlm
