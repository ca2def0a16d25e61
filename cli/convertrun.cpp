#include "cli/convertrun.h"

#include <csignal>

#include <QFile>
#include <QFileInfo>

#include <QSet>

#include "app/catalogue/engine.h"
#include "app/catalogue/store.h"
#include "cli/callargs.h"
#include "cli/cli.h"
#include "platform/appfolder.h"

namespace qlm::cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) { interrupted = 1; }

}  // namespace

void ClaimTempFolder(const QString& catalogue) {
    const QString temp = GetTempFolder();
    const QString marker = JoinPath(temp, QStringLiteral("qlmtool.catalogue"));
    const QByteArray owner = QFile::encodeName(QFileInfo(catalogue).absoluteFilePath());
    QFile file(marker);
    if (file.open(QIODevice::ReadOnly) && file.readAll() == owner)
        return;
    file.close();
    DeleteFilesIn(temp);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(owner);
}

bool SelectCalls(const QString& catalogue, bool all, const QStringList& pairs, QVector<CallRecord>* calls,
                 bool* missing) {
    Error error;
    auto db = OpenCatalogueForCommand(catalogue, &error);
    auto rows = db && all ? db->OpenRecordset(WithCallIdentity(db.get(), QString::fromLatin1(kSelectAllCalls)), &error)
                          : nullptr;
    if (!db || (all && !rows)) {
        ReportCatalogueError(catalogue, error);
        return false;
    }
    *missing = false;
    if (!all) {
        // Each call once, in the order named.
        QSet<qint64> found;
        for (qsizetype i = 0; i < pairs.size(); i += CallArgCount(pairs, i)) {
            CallRecord record;
            if (!ResolveCall(db.get(), catalogue, pairs, i, &record))
                *missing = true;
            else if (!found.contains(record.Id))
                calls->append(record);
            found.insert(record.Id);
        }
        return true;
    }
    for (; !rows->AtEnd(); rows->MoveNext(&error))
        calls->append(ReadCallRecord(*rows));
    if (error.IsSet()) {
        Err(QStringLiteral("%1: error %2: %3").arg(catalogue).arg(error.number).arg(error.description));
        return false;
    }
    return true;
}

CliProgress::CliProgress(bool cancelOnInterrupt) {
    if (cancelOnInterrupt) {
        std::signal(SIGINT, OnInterrupt);
        std::signal(SIGTERM, OnInterrupt);
    }
}

void CliProgress::AddLine(const QString& text) {
    lines_.AddLine(text);
    Err(text);
}

void CliProgress::SetLineText(int index, const QString& text) {
    if (index >= 0 && index < lines_.lines.size() && lines_.lines[index] == text)
        return;
    lines_.SetLineText(index, text);
    Err(text);
}

void CliProgress::ProcessEvents() { CurrentWindowSystem().ProcessEvents(); }

bool CliProgress::CancelRequested() { return interrupted != 0; }

}  // namespace qlm::cli
