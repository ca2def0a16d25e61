// Export of the checked calls, catalogue backup and deletion of old calls.
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QSet>
#include <QTreeView>

#include "app/catalogue/calllistmodel.h"
#include "app/export/backup.h"
#include "app/export/exportcalls.h"
#include "app/export/exportsink.h"
#include "app/export/prune.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/commands.h"
#include "app/ui/errorbox.h"
#include "app/ui/exportcommands.h"
#include "app/ui/frmBackup.h"
#include "app/ui/frmConverter.h"
#include "app/ui/frmExport.h"
#include "app/ui/frmMain.h"
#include "app/ui/frmPrune.h"
#include "platform/appfolder.h"

namespace qlm {
namespace {

QAction* AddItem(frmMain& main, const char* name, const QString& text, void (*command)(frmMain&)) {
    auto* action = new QAction(text, &main);
    action->setObjectName(QString::fromLatin1(name));
    QObject::connect(action, &QAction::triggered, &main, [&main, command] { command(main); });
    return action;
}

// An item that is usable exactly when another one is.
void EnableLike(QAction* item, QAction* model) {
    item->setEnabled(model->isEnabled());
    QObject::connect(model, &QAction::enabledChanged, item, &QAction::setEnabled);
}

// A file named by typing is replaced only when the user says so.
bool MayReplace(frmMain& main, const QString& path) {
    if (!QFileInfo(path).isFile())
        return true;
    return QMessageBox::question(&main, LibStr(str::MessageTitle),
                                 LibStr(str::ReplaceExisting, QStringLiteral("%1 exists. Replace it?")).arg(path),
                                 QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel) == QMessageBox::Ok;
}

QString Today() { return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")); }

}  // namespace

void AddExportCommands(frmMain& main) {
    QAction* exportItem =
        AddItem(main, "MnuExport", LibStr(str::MenuExport, QStringLiteral("&Export...")), ExportCommand);
    QAction* pruneItem = AddItem(main, "MnuPrune",
                                 LibStr(str::MenuDeleteOldCalls, QStringLiteral("Delete &Old Calls...")), PruneCommand);
    QAction* backupItem =
        AddItem(main, "MnuBackup", LibStr(str::MenuBackUp, QStringLiteral("&Back Up Catalogue...")), BackupCommand);
    main.MnuTool->addSeparator();
    main.MnuTool->addAction(exportItem);
    main.MnuTool->addAction(pruneItem);
    // Beside Open DB, above the separator before Exit.
    const QList<QAction*> fileItems = main.MnuFile->actions();
    const qsizetype exitAt = fileItems.indexOf(main.MnuExit);
    main.MnuFile->insertAction(exitAt > 0 ? fileItems[exitAt - 1] : main.MnuExit, backupItem);
    EnableLike(exportItem, main.MnuConvertStart);
    EnableLike(pruneItem, main.MnuWriteComment);
    EnableLike(backupItem, main.MnuWriteComment);
}

void ExportCommand(frmMain& main) {
    if (frmConverter::Running()) {
        ShowMessage(LibStr(str::ConversionRunning,
                           QStringLiteral("A conversion is still running. Try again when it has finished.")),
                    &main);
        return;
    }
    PrjPublicState& state = PrjPublicM();
    CallListModel* model = main.lvDataModel;
    ExportRequest request;
    for (int row : model->CheckedRows())
        request.calls << model->Record(row);
    if (request.calls.isEmpty())
        return;
    request.recordingsFolder = state.RecordingsFolder;
    request.mp3Option = state.Mp3Output != 0 ? ReadMp3Option(main) : 0;

    static QString lastDestination = JoinPath(QDir::homePath(), QStringLiteral("calls %1.zip").arg(Today()));
    {
        const QString format =
            request.mp3Option > 0 ? LibStr(str::Mp3, QStringLiteral("MP3")) : LibStr(str::Wave, QStringLiteral("WAVE"));
        frmExport dialog(&main, static_cast<int>(request.calls.size()), format, lastDestination);
        if (dialog.exec() != QDialog::Accepted)
            return;
        request.destination = dialog.Destination();
    }
    lastDestination = request.destination;
    if (IsZipDestination(request.destination) && !MayReplace(main, request.destination))
        return;

    ExportResult exported;
    frmConverter::RunWork(
        &main,
        [&](ConvertProgress& progress) {
            exported = ExportCalls(request, progress);
            ConvertResult run;
            run.outcome = exported.outcome;
            run.message = exported.message;
            return run;
        },
        false);
    EnableConvert(main, model->AnyChecked());
    if (exported.outcome == ConvertOutcome::Finished && exported.error.IsSet())
        ShowMessage(exported.summary, &main);
}

void BackupCommand(frmMain& main) {
    PrjPublicState& state = PrjPublicM();
    if (!state.CatalogueDatabase || !state.CatalogueDatabase->IsOpen())
        return;
    const QFileInfo catalogue(state.CataloguePath);
    QString destination;
    {
        frmBackup dialog(&main, state.RecordingsFolder,
                         JoinPath(catalogue.absolutePath(),
                                  QStringLiteral("%1 backup %2.mdb").arg(catalogue.completeBaseName(), Today())));
        if (dialog.exec() != QDialog::Accepted)
            return;
        destination = dialog.Destination();
    }
    if (!MayReplace(main, destination))
        return;
    Error error;
    if (BackupCatalogue(*state.CatalogueDatabase, destination, &error))
        ShowMessage(LibStr(str::BackedUpTo, QStringLiteral("The catalogue was backed up to %1.")).arg(destination),
                    &main);
    else
        ShowMessage(LibStr(str::BackupFailed, QStringLiteral("The catalogue could not be backed up:")) + u'\n' +
                        error.description,
                    &main);
}

void PruneCommand(frmMain& main) {
    PrjPublicState& state = PrjPublicM();
    Database* db = state.CatalogueDatabase.get();
    QVector<AgedCall> calls;
    Error error;
    if (!ReadAgedCalls(db, state.RecordingsFolder, &calls, &error)) {
        ShowMessage(LibStr(str::OpenFailed) + u'\n' + error.description, &main);
        return;
    }
    PrunePlan plan;
    {
        frmPrune dialog(&main, std::move(calls));
        if (dialog.exec() != QDialog::Accepted)
            return;
        plan = dialog.Plan();
    }
    const PruneResult result = RunPrune(db, state.RecordingsFolder, plan);

    // The deleted calls leave the list as well.
    QSet<QString> gone;
    if (!result.error.IsSet()) {
        for (const AgedCall& call : std::as_const(plan.calls))
            gone.insert(DateDisplayText(call.date) + u' ' + TimeDisplayText(call.time));
        for (const AgedCall& call : result.notDeleted)
            gone.remove(DateDisplayText(call.date) + u' ' + TimeDisplayText(call.time));
    }
    CallListModel* model = main.lvDataModel;
    for (int row = model->rowCount() - 1; row >= 0 && !gone.isEmpty(); --row)
        if (gone.contains(model->Text(row, kColDate) + u' ' + model->Text(row, kColTime)))
            model->RemoveLine(row);
    EnableConvert(main, model->AnyChecked());
    main.SetPanelText(2, LibStr(str::Total) + u' ' + QString::number(model->rowCount()) + u' ' + LibStr(str::Calls));

    QString text = LibStr(str::CallsDeleted, QStringLiteral("%1 calls deleted.")).arg(result.deleted);
    if (!result.notDeleted.isEmpty()) {
        QStringList names;
        for (const AgedCall& call : result.notDeleted)
            names << DateDisplayText(call.date) + u' ' + TimeDisplayText(call.time);
        const QString kept =
            LibStr(str::CallsNotDeleted,
                   QStringLiteral("%1 calls could not be deleted: their recordings could not be removed."));
        text += u'\n' + kept.arg(result.notDeleted.size()) + u'\n' + names.mid(0, 20).join(u'\n');
    }
    if (result.error.IsSet())
        text += u'\n' + LibStr(str::RowsNotDeleted, QStringLiteral("The catalogue rows could not be deleted:")) + u' ' +
                result.error.description;
    ShowMessage(text, &main);
}

}  // namespace qlm
