#include "app/card/recording.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include "platform/appfolder.h"
#include "platform/filename.h"

namespace qlm {
namespace {

int MonthFromCode(char16_t c) {
    switch (c) {
    case u'A':
    case u'a':
        return 10;
    case u'B':
    case u'b':
        return 11;
    case u'C':
    case u'c':
        return 12;
    default:
        return (c >= u'1' && c <= u'9') ? c - u'0' : 0;
    }
}

bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Names are read as QString or, in a build, as the file system's bytes
// (QLatin1String): the same tests on either.
template <typename Name>
int TwoDigits(const Name& name, int pos1, int pos2) {
    return (name[pos1].unicode() - u'0') * 10 + (name[pos2].unicode() - u'0');
}

// A library keeps a second recording of a name already taken as the name, a
// dash and the start of its SHA-256 in lower-case hex (8 to 64 digits):
// 10100000.005-3fa2c1d9. No card writes such a name, so none collides.
template <typename Name>
bool HasVariantSuffix(const Name& name) {
    const qsizetype size = name.size();
    if (size == 12)
        return true;
    if (size < 21 || size > 77 || name[12].unicode() != u'-')
        return false;
    for (qsizetype i = 13; i < size; ++i) {
        const char16_t c = name[i].unicode();
        if (!IsAsciiDigit(c) && !(c >= u'a' && c <= u'f'))
            return false;
    }
    return true;
}

// The time stamp is the first 12 characters.
template <typename Name>
bool HasNumericName(const Name& name) {
    if (name.size() < 12 || !HasVariantSuffix(name))
        return false;
    for (int i : {1, 2, 3, 4, 5, 6, 7, 9, 10, 11})
        if (!IsAsciiDigit(name[i].unicode()))
            return false;
    return true;
}

template <typename Name>
bool IsRecordingNameOf(const Name& name) {
    if (name.size() < 12 || name[8].unicode() != u'.' || !HasNumericName(name))
        return false;
    const int month = MonthFromCode(name[0].unicode());
    const int year = 2000 + TwoDigits(name, 3, 4);
    const int day = TwoDigits(name, 1, 2);
    const int hour = TwoDigits(name, 5, 6);
    const int minute = TwoDigits(name, 7, 9);
    const int second = TwoDigits(name, 10, 11);
    return QDate::isValid(year, month, day) && QTime::isValid(hour, minute, second);
}

template <typename Name>
void SetStartFromName(const Name& name, RecordingInfo* info) {
    info->Year = static_cast<qint16>(TwoDigits(name, 3, 4));
    info->Month = static_cast<qint16>(MonthFromCode(name[0].unicode()));
    info->Day = static_cast<qint16>(TwoDigits(name, 1, 2));
    info->Hour = static_cast<qint16>(TwoDigits(name, 5, 6));
    info->Minute = static_cast<qint16>(TwoDigits(name, 7, 9));
    info->Second = static_cast<qint16>(TwoDigits(name, 10, 11));
}

// A code's decimal text (0xB stands for the digit 0, 0xF for nothing) put
// at out; returns the end. Characters, not texts: a build does this for
// every file.
char16_t* PutNumberCode(char16_t* out, int code) {
    if (code == 0xF)
        return out;
    if (code == 0xB) {
        *out = u'0';
        return out + 1;
    }
    if (code >= 10)
        *out++ = u'1';
    *out = char16_t(u'0' + code % 10);
    return out + 1;
}

// What a recording's file gives: its first 16 bytes (fewer when shorter)
// and its length.
struct HeaderBytes {
    unsigned char bytes[16] = {};
    int size = 0;
    qint64 length = 0;
    bool opened = false;
};

// One open, fstat, read and close: a build reads thousands of headers, and
// anything more per file shows in its time. Opened without blocking and
// taken only when it is a regular file: a FIFO or a device under a
// recording's name must neither hang a build nor be read. False with errno
// set (ENODEV for anything but a regular file, EILSEQ for a file shorter
// than its header).
bool ReadHeaderBytes(const char* path, HeaderBytes* head) {
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    head->opened = true;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (ok && !S_ISREG(st.st_mode)) {
        errno = ENODEV;
        ok = false;
    }
    while (ok && head->size < int(sizeof head->bytes)) {
        const ssize_t got = ::read(fd, head->bytes + head->size, sizeof head->bytes - size_t(head->size));
        if (got > 0)
            head->size += int(got);
        else if (got == 0)
            break;
        else if (errno != EINTR)
            ok = false;
    }
    if (ok) {
        head->length = st.st_size;
        // The header holds the number and the flags: a shorter file is no
        // recording, and its bytes would make up a call.
        if (head->length < RecordingHeaderSize) {
            errno = EILSEQ;
            ok = false;
        }
    }
    const int failure = errno;
    ::close(fd);
    errno = failure;
    return ok;
}

// The error of a failed ReadHeaderBytes, while errno still tells it.
Error HeaderReadError(const char* path, bool opened) {
    const int number = errno;
    const QString description = number == ENODEV   ? QStringLiteral("not a regular file")
                                : number == EILSEQ ? QStringLiteral("shorter than a recording's 512-byte header")
                                                   : qt_error_string(number);
    const QString shown = DecodeName(path);
    const bool exists = opened || QFileInfo::exists(shown);
    return FileError(exists ? err::kPathFileAccess : err::kFileNotFound, shown, description);
}

// The number, codes and estimated duration of the header.
void SetFromHeader(const HeaderBytes& head, RecordingInfo* info) {
    // Places beyond the end of a short file are empty (0xF); a missing flag
    // byte is 0.
    char16_t digits[32];
    char16_t* end = digits;
    for (int i = 0; i < 8; ++i) {
        const int byte = i < head.size ? head.bytes[i] : 0xFF;
        end = PutNumberCode(PutNumberCode(end, byte >> 4), byte & 0x0F);
    }
    const QString number = end == digits ? QString() : QString::fromUtf16(digits, end - digits);
    const int flags = head.size > 15 ? head.bytes[15] : 0;

    if (flags & flag::kLine) {
        info->TelorMic = 0;
        if (flags & flag::kNumberKind) {
            info->InorOut = 1;
            info->DialString = number;
        } else {
            info->InorOut = 0;
            info->CallerID = number;
        }
    } else {
        info->InorOut = 2;
        if (flags & flag::kNumberKind) {
            info->TelorMic = 2;
            info->DialString = number;
        } else {
            info->TelorMic = 1;
        }
    }
    info->Saved = (flags & flag::kSaved) ? 1 : 0;
    info->SampleRate = SampleRateFromFlags(flags);
    info->Duration = EstimateDuration(head.length, info->SampleRate);
}

// shownName() gives the name for a message: made only when one is needed.
template <typename Name, typename ShownName>
RecordingInfo ReadRecording(const Name& name, const ShownName& shownName, const char* localPath, Error* error) {
    if (!HasNumericName(name)) {
        if (error)
            *error = Error{err::kTypeMismatch, QStringLiteral("Type mismatch: ") + shownName()};
        return RecordingInfo();
    }
    HeaderBytes head;
    if (!ReadHeaderBytes(localPath, &head)) {
        if (error)
            *error = HeaderReadError(localPath, head.opened);
        return RecordingInfo();
    }
    RecordingInfo info;
    SetStartFromName(name, &info);
    SetFromHeader(head, &info);
    return info;
}

}  // namespace

QString RecordingNamePattern() { return QStringLiteral("????????.???"); }

bool MatchesRecordingPattern(const QString& name) { return name.size() == 12 && name[8] == u'.'; }

bool IsRecordingName(const QString& name) { return IsRecordingNameOf(name); }

bool IsRecordingName(QLatin1String name) { return IsRecordingNameOf(name); }

QString RecordingLookup::PathOf(const QString& name) {
    if (name.isEmpty() || folder_.isEmpty())
        return QString();
    const QString exact = JoinPath(folder_, name);
    if (QFileInfo(exact).isFile())
        return exact;
    if (!listed_) {
        listed_ = true;
        QDirIterator it(folder_, {RecordingNamePattern()}, QDir::Files | QDir::Hidden | QDir::System);
        while (it.hasNext()) {
            const QString found = it.nextFileInfo().fileName();
            byFoldedName_[found.toCaseFolded()].append(found);
        }
        for (QStringList& names : byFoldedName_)
            names.sort(Qt::CaseSensitive);
    }
    // A name listed earlier may have been deleted since.
    for (const QString& candidate : byFoldedName_.value(name.toCaseFolded())) {
        const QString path = JoinPath(folder_, candidate);
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

QString RecordingLookup::PathOfCall(const QString& file, const QString& dateText, const QString& timeText) {
    if (file.isEmpty())
        return PathOf(RecordingNameFor(dateText, timeText));
    const QString exact = JoinPath(folder_, file);
    return QFileInfo(exact).isFile() ? exact : QString();
}

QString VariantRecordingName(const QString& name, const QByteArray& sha256Hex) {
    return name + u'-' + QString::fromLatin1(sha256Hex.left(8)).toLower();
}

QString WorkNameOf(const QString& file, const QString& dateText, const QString& timeText, const QString& folder) {
    const QString usual = RecordingNameFor(dateText, timeText);
    if (file.isEmpty() || file == usual)
        return usual;
    if (file.compare(usual, Qt::CaseInsensitive) != 0)
        return file;
    // A card with lower-case names gives results under the usual name,
    // unless the folder holds another recording under that name.
    struct stat mine {
    }, other{};
    const bool apart = !folder.isEmpty() && ::stat(EncodeName(JoinPath(folder, usual)).constData(), &other) == 0 &&
                       (::stat(EncodeName(JoinPath(folder, file)).constData(), &mine) != 0 ||
                        mine.st_ino != other.st_ino || mine.st_dev != other.st_dev);
    return apart ? file : usual;
}

qint16 SampleRateFromFlags(int flags) {
    if (flags & flag::kRate1)
        return 1;
    if (flags & flag::kRate2)
        return 2;
    return 0;
}

qint32 EstimateDuration(qint64 fileLength, int sampleRate) {
    const qint64 kb = fileLength > RecordingHeaderSize ? (fileLength - RecordingHeaderSize) / 1024 : 0;
    const double rate = sampleRate == 0 ? 1.2 : sampleRate == 1 ? 0.9 : 0.55;
    // nearbyint rounds halves to even in the default rounding mode.
    const double seconds = std::nearbyint(static_cast<double>(kb) / rate);
    if (seconds >= std::numeric_limits<qint32>::max())
        return std::numeric_limits<qint32>::max();
    return static_cast<qint32>(seconds);
}

RecordingInfo ReadRecordingHeader(const QString& path, Error* error) {
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);  // as QFileInfo::fileName, without its cost
    return ReadRecording(
        name, [&] { return name; }, EncodeName(path).constData(), error);
}

RecordingInfo ReadRecordingHeader(const QByteArray& localPath, Error* error) {
    const qsizetype start = localPath.lastIndexOf('/') + 1;
    const QLatin1String name(localPath.constData() + start, localPath.size() - start);
    const auto shown = [&] { return DecodeName(localPath.mid(start)); };
    return ReadRecording(name, shown, localPath.constData(), error);
}

QString RecordingNameFor(const QDate& date, const QTime& time) {
    if (!date.isValid() || !time.isValid())
        return QString();
    static const char16_t kMonths[] = u"123456789ABC";
    const auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    const QString minute = two(time.minute());
    return QChar(kMonths[date.month() - 1]) + two(date.day()) + two(date.year() % 100) + two(time.hour()) + minute[0] +
           u'.' + minute[1] + two(time.second());
}

bool StampTextsOfName(const QString& name, QString* dateText, QString* timeText) {
    if (!IsRecordingName(name))
        return false;
    RecordingInfo info;
    SetStartFromName(name, &info);
    *dateText = QDate(2000 + info.Year, info.Month, info.Day).toString(QStringLiteral("MM/dd/yyyy"));
    *timeText = QTime(info.Hour, info.Minute, info.Second).toString(QStringLiteral("hh:mm:ss"));
    return true;
}

QString RecordingNameFor(const QString& dateText, const QString& timeText) {
    return RecordingNameFor(QDate::fromString(dateText.trimmed(), QStringLiteral("MM/dd/yyyy")),
                            QTime::fromString(timeText.trimmed(), QStringLiteral("hh:mm:ss")));
}

QByteArray MakeRecordingHeader(const QString& number, int flags) {
    QByteArray header(RecordingHeaderSize, '\0');
    QVector<int> codes;
    for (QChar c : number) {
        if (c >= u'0' && c <= u'9' && codes.size() < 16)
            codes.append(c == u'0' ? 0xB : c.unicode() - u'0');
    }
    while (codes.size() < 16)
        codes.append(0xF);
    for (int i = 0; i < 8; ++i)
        header[i] = static_cast<char>((codes[2 * i] << 4) | codes[2 * i + 1]);
    for (int i = 8; i < 15; ++i)
        header[i] = '\xFF';
    header[15] = static_cast<char>(flags & 0xFF);
    return header;
}

CallRecord CallRecordFromInfo(const RecordingInfo& info) {
    const auto blankIfEmpty = [](const QString& text) { return text.isEmpty() ? QStringLiteral(" ") : text; };
    CallRecord record;
    record.Date = QDate(2000 + info.Year, info.Month, info.Day);
    record.Time = QTime(info.Hour, info.Minute, info.Second);
    record.Duration = info.Duration;
    record.CallerID = blankIfEmpty(info.CallerID);
    record.DialString = blankIfEmpty(info.DialString);
    record.InorOut = info.InorOut;
    record.TelorMic = info.TelorMic;
    record.Saved = info.Saved;
    record.SampleRate = info.SampleRate;
    record.Comment = QStringLiteral(" ");
    return record;
}

}  // namespace qlm
