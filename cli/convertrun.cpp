#include "cli/convertrun.h"

#include <csignal>

#include <QFile>
#include <QFileInfo>

#include <QSet>

#include "app/catalogue/engine.h"
#include "app/catalogue/store.h"
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
    auto db = Database::Open(catalogue, true, &error);
    auto rows = db ? db->OpenRecordset(QString::fromLatin1(kSelectAllCalls), &error) : nullptr;
    if (!rows) {
        ReportCatalogueError(catalogue, error);
        return false;
    }
    QSet<QString> wanted;
    for (qsizetype i = 0; i + 1 < pairs.size(); i += 2)
        wanted.insert(pairs[i] + u' ' + pairs[i + 1]);
    QSet<QString> found;
    for (; !rows->AtEnd(); rows->MoveNext(&error)) {
        const CallRecord record = ReadCallRecord(*rows);
        const QString key = DateDisplayText(record.Date) + u' ' + TimeDisplayText(record.Time);
        if (all || (wanted.contains(key) && !found.contains(key))) {
            calls->append(record);
            found.insert(key);
        }
    }
    if (error.IsSet()) {
        Err(QStringLiteral("%1: error %2: %3").arg(catalogue).arg(error.number).arg(error.description));
        return false;
    }
    for (const QString& key : std::as_const(wanted))
        if (!found.contains(key))
            Err(QStringLiteral("%1: no such call in %2").arg(key, catalogue));
    *missing = !all && found.size() != wanted.size();
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
