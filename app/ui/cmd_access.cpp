// Sign-in, sign-out and the password change.
#include "app/catalogue/calllistmodel.h"
#include "app/strings/strnames.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/ui/commands.h"
#include "app/ui/frmChangepwd.h"
#include "app/ui/frmMain.h"
#include "app/ui/frmSignin.h"
#include "app/ui/playerpanel.h"

namespace qlm {
namespace {

void SetPanelFromLibrary(frmMain& main, int panel, int n) {
    if (HasLibStr(n))
        main.SetPanelText(panel, LibStr(n));
}

}  // namespace

void SignIn(frmMain& main) {
    frmSignin dialog(&main);
    dialog.onSignedIn = [&main] {
        EnableCommands(main, true);
        SetPanelFromLibrary(main, 1, str::SignedIn);
        PrjPublicM().SignedIn = true;
        main.playerPanel->SetSignedIn(true);
        main.UpdateMinimumSize();  // the list keeps its lines above the panel
    };
    // Only a sign-in made here leads on to the copy; a cancelled dialog
    // leaves everything as it was.
    if (dialog.exec() == QDialog::Accepted && PrjPublicM().SignedIn) {
        CopyRecordingsCommand(main);
        if (!PrjPublicM().RecordingsFolder.isEmpty())
            BuildCatalogue(main, PrjPublicM().RecordingsFolder);
        else
            OpenCatalogue(main);
    }
    EnableConvert(main, false);
}

void SignOut(frmMain& main) {
    EnableCommands(main, false);
    EnableCatalogueCommands(main, false);
    SetPanelFromLibrary(main, 1, str::SignedOut);
    main.SetPanelText(2, QString());
    main.lvDataModel->Clear();
    PrjPublicState& state = PrjPublicM();
    state.SignedIn = false;
    main.playerPanel->SetSignedIn(false);
    main.UpdateMinimumSize();
    // The catalogue itself stays open until another is opened or the
    // window unloads.
    state.CataloguePath.clear();
    state.SourceFolder.clear();
    state.DestinationFolder.clear();
    state.RecordingsFolder.clear();
    EnableConvert(main, false);
}

void ModifyPassword(frmMain& main) {
    frmChangepwd dialog(&main);
    dialog.exec();
}

}  // namespace qlm
