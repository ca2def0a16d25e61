// Comments, deletion of calls, deletion of the card's recordings.
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
    PrjPublicState& state = PrjPublicM();
    Error error;
    DeleteListedCalls(state.CatalogueDatabase.get(), state.RecordingsFolder, model, rows, &error);
    // Checked lines may have gone with the deleted ones.
    EnableConvert(main, model->AnyChecked());
    main.SetPanelText(2, LibStr(str::Total) + u' ' + QString::number(model->rowCount()) + u' ' + LibStr(str::Calls));
}

// The confirmation and the deletion, once the folder is known.
void ConfirmCardWipe(frmMain& main, const QString& folder) {
    if (folder.isEmpty())
        return;
    const auto answer = QMessageBox::question(&main, LibStr(str::MessageTitle), LibStr(str::ConfirmWipeCard),
                                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel);
    if (answer != QMessageBox::Ok)
        return;
    DeleteCardRecordingsIn(folder);
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
