// A card file name and its bytes through the name check and the header
// reader. Input: one length byte, that many name bytes (UTF-8), then the
// file's content.
#include <cstdint>
#include <string>

#include <QString>

#include "app/card/recording.h"
#include "fuzz/fuzzutil.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const size_t nameLength = std::min<size_t>(data[0] % 32, size - 1);
    const QString name = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(nameLength));
    const uint8_t* body = data + 1 + nameLength;
    const size_t bodySize = size - 1 - nameLength;

    // A library's variant of a taken name keeps the 12-character stamp first.
    const bool pattern = qlm::MatchesRecordingPattern(name.left(12));
    const bool recording = qlm::IsRecordingName(name);
    fuzz::Check(!recording || pattern);
    if (recording) {
        // A real time stamp names itself again when written back.
        const QString again = qlm::RecordingNameFor(
            QDate(2000 + name.mid(3, 2).toInt(),
                  name[0].isDigit() ? name[0].digitValue() : name[0].toUpper().unicode() - u'A' + 10,
                  name.mid(1, 2).toInt()),
            QTime(name.mid(5, 2).toInt(), (name.mid(7, 1) + name.mid(9, 1)).toInt(), name.mid(10, 2).toInt()));
        fuzz::Check(again.compare(name.left(12), Qt::CaseInsensitive) == 0);
    }

    // The file itself, under the name when the file system takes it.
    QString fileName = name;
    fileName.replace(u'/', u'_');
    fileName.replace(QChar(0), u'_');
    if (fileName.isEmpty() || fileName == QStringLiteral(".") || fileName == QStringLiteral(".."))
        fileName = QStringLiteral("x");
    const std::string path = fuzz::ScratchFolder() + "/" + fileName.toStdString();
    if (!fuzz::WriteFile(path, body, bodySize))
        return 0;
    qlm::Error error;
    const qlm::RecordingInfo info = qlm::ReadRecordingHeader(QString::fromStdString(path), &error);
    std::remove(path.c_str());
    if (error.IsSet()) {
        fuzz::Check(info == qlm::RecordingInfo());
        return 0;
    }
    fuzz::Check(info.Duration >= 0 &&
                info.Duration == qlm::EstimateDuration(static_cast<qint64>(bodySize), info.SampleRate));
    fuzz::Check(info.SampleRate >= 0 && info.SampleRate <= 2);
    // 16 places, a code above 9 reads as two digits.
    fuzz::Check(info.CallerID.size() <= 32 && info.DialString.size() <= 32);
    fuzz::Check(info.CallerID.isEmpty() || info.DialString.isEmpty());
    return 0;
}
