#include "app/card/verify.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include "app/card/imports.h"
#include "app/card/progress.h"
#include "app/card/recording.h"
#include "app/catalogue/callrecord.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/store.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "platform/appfolder.h"

namespace qlm {
namespace {

// The checksums taken at import, by call.
QHash<qint64, QByteArray> ImportSums(Database* db) {
    QHash<qint64, QByteArray> sums;
    auto rows = db->OpenRecordset(
        QStringLiteral("SELECT call, sha256 FROM %1 WHERE sha256 IS NOT NULL").arg(QLatin1String(kRecordingTable)),
        nullptr);
    for (; rows && !rows->AtEnd(); rows->MoveNext(nullptr))
        sums.insert(rows->Value(0).toLongLong(), rows->Value(1).toString().toLatin1());
    return sums;
}

RecordingCheck Check(const QString& path, const QByteArray& imported) {
    struct stat st {};
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return RecordingCheck::Missing;
    Error error;
    const QByteArray now = FileSha256(path, &error);
    if (now.isEmpty())
        return RecordingCheck::Unreadable;
    if (imported.isEmpty())
        return RecordingCheck::NoChecksum;
    return now == imported ? RecordingCheck::Unchanged : RecordingCheck::Changed;
}

}  // namespace

VerifyResult VerifyRecordings(Database* db, const QString& folder, const std::function<void()>& tick) {
    VerifyResult result;
    RepaintPacer pacer(tick);
    auto rows =
        db ? db->OpenRecordset(WithCallIdentity(db, QString::fromLatin1(kSelectAllCalls)), &result.error) : nullptr;
    if (!rows || !HasCatalogueColumns(*rows, &result.error))
        return result;
    const QHash<qint64, QByteArray> sums = ImportSums(db);
    RecordingLookup recordings(folder);
    for (; !rows->AtEnd() && !result.error.IsSet(); rows->MoveNext(&result.error)) {
        const CallRecord call = ReadCallRecord(*rows);
        CheckedCall checked;
        checked.dateText = DateDisplayText(call.Date);
        checked.timeText = TimeDisplayText(call.Time);
        // A file the catalogue names is checked whatever it has become (a
        // FIFO is unreadable, not missing).
        const QString path = call.File.isEmpty() ? recordings.PathOfCall(call.File, checked.dateText, checked.timeText)
                                                 : JoinPath(folder, call.File);
        checked.file = call.File.isEmpty() ? QFileInfo(path).fileName() : call.File;
        checked.state = Check(path, sums.value(call.Id));
        ++result.count[int(checked.state)];
        result.calls << checked;
        pacer.Tick();
    }
    return result;
}

QString VerifySummaryText(const VerifyResult& result) {
    return LibStr(str::VerifySummary,
                  QStringLiteral("%1 calls checked: %2 unchanged, %3 changed, %4 missing, %5 unreadable, %6 without a "
                                 "checksum."))
        .arg(result.calls.size())
        .arg(result.count[0])
        .arg(result.count[1])
        .arg(result.count[2])
        .arg(result.count[3])
        .arg(result.count[4]);
}

QString CheckText(RecordingCheck state) {
    switch (state) {
    case RecordingCheck::Changed:
        return LibStr(str::VerifyChanged, QStringLiteral("changed since the import"));
    case RecordingCheck::Missing:
        return LibStr(str::VerifyMissing, QStringLiteral("missing"));
    case RecordingCheck::Unreadable:
        return LibStr(str::VerifyUnreadable, QStringLiteral("unreadable"));
    case RecordingCheck::NoChecksum:
        return LibStr(str::VerifyNoChecksum, QStringLiteral("no checksum from an import"));
    case RecordingCheck::Unchanged:
        break;
    }
    return QString();
}

}  // namespace qlm
