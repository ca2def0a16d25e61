#include "app/card/carryforward.h"

#include <algorithm>

#include <QFileInfo>
#include <QSet>

#include "app/card/recording.h"
#include "app/catalogue/callrecord.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/store.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "platform/appfolder.h"

namespace qlm {
namespace {

struct Earlier {
    QString comment;  // "" when none
    QString size, sha256, imported;
    bool byStamp = false;  // named by its time stamp alone (an old catalogue)
};

QString Quoted(const QString& text) {
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("''"));
    return u'\'' + quoted + u'\'';
}

// An earlier catalogue's calls by recording file. One built before files
// were kept names its calls by time stamp; a stamp two of its calls share
// names neither.
bool ReadEarlier(const QString& path, QHash<QString, Earlier>* calls) {
    Error error;
    auto db = Database::Open(path, false, &error);
    auto rows =
        db ? db->OpenRecordset(WithCallIdentity(db.get(), QString::fromLatin1(kSelectAllCalls)), &error) : nullptr;
    if (!rows || !HasCatalogueColumns(*rows, &error))
        return false;
    QHash<qint64, QString> fileOf;
    QSet<QString> shared;
    for (; !rows->AtEnd() && !error.IsSet(); rows->MoveNext(&error)) {
        const CallRecord call = ReadCallRecord(*rows);
        const QString file = call.File.isEmpty() ? RecordingNameFor(call.Date, call.Time).toCaseFolded() : call.File;
        if (file.isEmpty())
            continue;
        if (call.File.isEmpty() && calls->contains(file))
            shared.insert(file);
        Earlier& earlier = (*calls)[file];
        earlier.byStamp = call.File.isEmpty();
        earlier.comment = call.Comment == u" " ? QString() : call.Comment;
        fileOf.insert(call.Id, file);
    }
    for (const QString& file : std::as_const(shared))
        calls->remove(file);
    if (error.IsSet())
        return false;
    auto sums = db->OpenRecordset(QStringLiteral("SELECT call, size, sha256, imported FROM %1 WHERE sha256 IS NOT NULL")
                                      .arg(QLatin1String(kRecordingTable)),
                                  nullptr);
    for (; sums && !sums->AtEnd(); sums->MoveNext(nullptr)) {
        const auto call = calls->find(fileOf.value(sums->Value(0).toLongLong()));
        if (call == calls->end())
            continue;
        call->size = sums->Value(1).toString();
        call->sha256 = sums->Value(2).toString();
        call->imported = sums->Value(3).toString();
    }
    return true;
}

}  // namespace

bool CarryForward(Database* db, const QString& folder, const QStringList& catalogues,
                  const QHash<QString, qint64>& callsByFile, CarryResult* result, Error* error) {
    QStringList newestFirst;
    for (const QString& name : catalogues)
        if (JoinPath(folder, name) != db->Path())
            newestFirst << name;
    std::stable_sort(newestFirst.begin(), newestFirst.end(), [&](const QString& a, const QString& b) {
        return QFileInfo(JoinPath(folder, a)).lastModified() > QFileInfo(JoinPath(folder, b)).lastModified();
    });
    QSet<qint64> commented, summed;
    for (const QString& name : std::as_const(newestFirst)) {
        QHash<QString, Earlier> earlier;
        if (!ReadEarlier(JoinPath(folder, name), &earlier)) {
            result->unreadable << name;
            continue;
        }
        int given = 0;
        for (auto call = callsByFile.cbegin(); call != callsByFile.cend(); ++call) {
            auto known = earlier.constFind(call.key());
            // An old catalogue's call of this stamp is this recording only
            // when the name is a plain stamp: a variant came later.
            if (known == earlier.cend() && call.key().size() == 12)
                known = earlier.constFind(call.key().toCaseFolded());
            if (known == earlier.cend() || (known->byStamp && call.key().size() != 12))
                continue;
            const QString id = QString::number(call.value());
            if (!known->comment.isEmpty() && !commented.contains(call.value())) {
                if (!db->Execute(
                        QStringLiteral("UPDATE qlm SET Comment = %1 WHERE rowid = %2").arg(Quoted(known->comment), id),
                        error, kFailOnError))
                    return false;
                commented.insert(call.value());
                ++given;
            }
            if (!known->sha256.isEmpty() && !summed.contains(call.value())) {
                // A checksum the new build took from the ledger stays.
                if (!db->Execute(QStringLiteral("UPDATE %1 SET size = %2, sha256 = %3, imported = %4 WHERE call = %5 "
                                                "AND sha256 IS NULL")
                                     .arg(QLatin1String(kRecordingTable), Quoted(known->size), Quoted(known->sha256),
                                          Quoted(known->imported), id),
                                 error, kFailOnError))
                    return false;
                summed.insert(call.value());
            }
        }
        if (given > 0) {
            result->comments += given;
            result->from << name;
        }
    }
    return true;
}

QString CarryNoticeText(const CarryResult& result) {
    QStringList parts;
    if (result.comments > 0)
        parts << LibStr(str::CommentsCarried, QStringLiteral("Comments of %1 calls carried over from %2"))
                     .arg(result.comments)
                     .arg(result.from.join(QStringLiteral(", ")));
    if (!result.unreadable.isEmpty())
        parts << LibStr(str::CataloguesNotRead, QStringLiteral("Earlier catalogues that could not be read:")) + u' ' +
                     result.unreadable.join(QStringLiteral(", "));
    return parts.join(QStringLiteral(". "));
}

}  // namespace qlm
