// Comments, deletion of calls, deletion of the card's recordings that the
// library holds.
#include <QAction>
#include <QItemSelectionModel>
#include <QMessageBox>
#include <QTreeView>

#include "app/card/cardwipe.h"
#include "app/catalogue/calllistmodel.h"
#include "app/card/calldeletion.h"
#include "app/catalogue/deletion.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/commands.h"
#include "app/ui/frmMain.h"
#include "app/ui/frmSelect.h"
#include "app/ui/frmWriteCom.h"

namespace qlm {

namespace {

CallListModel* ListModel(frmMain& main) { return qobject_cast<CallListModel*>(main.lvData->model()); }

// The list's selected line: the current one when it is selected, else the
// first selected; -1 for none.
int SelectedLine(frmMain& main) {
    const QItemSelectionModel* selection = main.lvData->selectionModel();
    if (!selection)
        return -1;
    const QModelIndex current = selection->currentIndex();
    if (current.isValid() && selection->isRowSelected(current.row(), QModelIndex()))
        return current.row();
    const QModelIndexList rows = selection->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

}  // namespace

void WriteComment(frmMain& main) {
    frmWriteCom dialog(&main, ListModel(main), SelectedLine(main));
    dialog.Load();
    dialog.exec();
    main.SetPanelText(1, PrjPublicM().CataloguePath);
}

void DeleteRecords(frmMain& main) {
    CallListModel* model = ListModel(main);
    if (!model)
        return;
    QVector<int> rows;
    if (const QItemSelectionModel* selection = main.lvData->selectionModel())
        for (const QModelIndex& index : selection->selectedRows())
            rows << index.row();
    // Checked lines are for Convert and Export: Delete takes them never, and
    // says so rather than doing nothing unseen.
    if (rows.isEmpty() && model->AnyChecked())
        QMessageBox::information(
            &main, LibStr(str::MessageTitle),
            LibStr(str::DeleteNothingSelected, QStringLiteral("No line is selected. Delete removes the selected lines; "
                                                              "the checked ones are for Convert and Export.")));
    if (const int saved = SavedAmong(*model, rows); saved > 0) {
        const QString question =
            LibStr(str::ConfirmDeleteSaved, QStringLiteral("%1 of the selected calls are marked saved. Delete them "
                                                           "with the others?"))
                .arg(saved);
        if (QMessageBox::question(&main, LibStr(str::MessageTitle), question, QMessageBox::Ok | QMessageBox::Cancel,
                                  QMessageBox::Cancel) != QMessageBox::Ok)
            return;
    }
    PrjPublicState& state = PrjPublicM();
    Error error;
    DeleteListedCalls(state.CatalogueDatabase.get(), state.RecordingsFolder, model, rows, &error);
    // Checked lines may have gone with the deleted ones.
    EnableConvert(main, model->AnyChecked());
    main.SetPanelText(2, LibStr(str::Total) + u' ' + QString::number(model->rowCount()) + u' ' + LibStr(str::Calls));
}

namespace {

// The wipe's result, told once: what went, and what stayed and why.
void ShowWipeResult(frmMain& main, const CardWipeResult& result) {
    QStringList lines;
    lines << LibStr(str::WipeDeleted, QStringLiteral("%1 recordings were deleted from the card."))
                 .arg(result.deleted.size());
    if (!result.notInLibrary.isEmpty())
        lines << LibStr(str::WipeNotInLibrary,
                        QStringLiteral("%1 recordings were not deleted because they are not in the library."))
                     .arg(result.notInLibrary.size());
    if (!result.failed.isEmpty())
        lines << LibStr(str::WipeFailed,
                        QStringLiteral("%1 recordings could not be deleted (the card may be write-protected)."))
                     .arg(result.failed.size());
    if (!result.skipped.isEmpty())
        lines << LibStr(str::WipeSkipped, QStringLiteral("%1 entries were skipped because they are not regular files."))
                     .arg(result.skipped.size());
    if (result.error.IsSet())
        lines << result.error.BoxText();
    QMessageBox box(result.error.IsSet() || !result.failed.isEmpty() ? QMessageBox::Warning : QMessageBox::Information,
                    LibStr(str::MessageTitle), lines.join(u'\n'), QMessageBox::Ok, &main);
    box.setObjectName(QStringLiteral("msgWipeResult"));
    if (!result.notInLibrary.isEmpty())
        box.setDetailedText(result.notInLibrary.join(u'\n'));
    box.exec();
}

}  // namespace

// The confirmation and the deletion, once the folder is known. The library
// is the open catalogue's folder: without one nothing tells what is safe.
void ConfirmCardWipe(frmMain& main, const QString& folder) {
    if (folder.isEmpty())
        return;
    const PrjPublicState& state = PrjPublicM();
    const QString library = state.CatalogueDatabase ? state.RecordingsFolder : QString();
    if (library.isEmpty()) {
        QMessageBox::information(
            &main, LibStr(str::MessageTitle),
            LibStr(str::WipeNeedsLibrary, QStringLiteral("Open the catalogue of your library first: a recording is "
                                                         "deleted from the card only when the library holds a copy "
                                                         "of it.")));
        return;
    }
    const QString question =
        LibStr(str::ConfirmWipeLibrary, QStringLiteral("Delete the recordings on the card that the library in %1 "
                                                       "holds a copy of? The others stay on the card."))
            .arg(library);
    const auto answer = QMessageBox::question(&main, LibStr(str::MessageTitle), question,
                                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel);
    if (answer != QMessageBox::Ok)
        return;
    ShowWipeResult(main, DeleteCardRecordingsIn(folder, library));
}

void DeleteCardRecordings(frmMain& main) {
    PrjPublicState& state = PrjPublicM();
    state.SelectMode = 4;
    {
        frmSelect select(&main);
        select.exec();
    }
    // SourceFolder stays as chosen, for the next Delete CF as well.
    ConfirmCardWipe(main, state.SourceFolder);
}

}  // namespace qlm
