// The search command: the panel read into criteria, the catalogue searched,
// the panel back to its defaults. A search that fails ends quietly where it
// failed; the user sees the list and panel 1 as they were left.
#include <QAction>
#include <QPushButton>
#include <QTreeView>

#include "app/catalogue/calllistmodel.h"
#include "app/catalogue/engine.h"
#include "app/catalogue/search.h"
#include "app/catalogue/store.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/commands.h"
#include "app/ui/frmMain.h"
#include "app/ui/searchpanel.h"

namespace qlm {
namespace {

void EnableSearchCommands(frmMain& main, bool state) {
    main.cmdSearch->setEnabled(state);
    main.MnuSearchStart->setEnabled(state);
    if (QAction* button = main.ToolbarButton(QStringLiteral("Search_Start")))
        button->setEnabled(state);
}

}  // namespace

void SearchCatalogue(frmMain& main, SearchCriteria& criteria) {
    PrjPublicState& state = PrjPublicM();
    main.SetPanelText(1, LibStr(str::Searching));
    const QString statement = BuildSearchStatement(criteria, SearchChoiceTexts::FromLibrary());
    if (!state.CatalogueDatabase)
        return;
    Error error;
    CallListModel* model = main.lvDataModel;
    const int listed = ListCatalogueStatement(state.CatalogueDatabase.get(), statement, model, &error);
    if (listed < 0)
        return;
    main.SetPanelText(2, LibStr(str::Total) + QLatin1Char(' ') + QString::number(listed) + QLatin1Char(' ') +
                             LibStr(str::CallsFound));
    main.SetPanelText(1, state.CataloguePath);
    state.AllChecked = false;
    model->SetHeaderImageKey(QStringLiteral("abc"));
    main.lvData->viewport()->update();
    EnableConvert(main, false);
}

void StartSearch(frmMain& main) {
    main.SetListSorted(false);
    EnableSearchCommands(main, false);
    SearchCriteria criteria = main.searchPanel->ReadCriteria();
    SearchCatalogue(main, criteria);
    EnableSearchCommands(main, true);
    main.searchPanel->Reset();
}

}  // namespace qlm
