// The command set of the main window: the routines the toolbar, the menus,
// the list's pop-up menu and the search button run, and the enabling rules.
// Each concern keeps its commands in its own file (cmd_*.cpp).
#pragma once

class QString;

namespace qlm {

class frmMain;
struct SearchCriteria;

// Enabling (the four stages: signed out, signed in, catalogue listed, a
// recording checked).
void EnableCommands(frmMain& main, bool state);
void EnableCatalogueCommands(frmMain& main, bool state);
void EnableConvert(frmMain& main, bool state);

// Access (cmd_access.cpp).
void SignIn(frmMain& main);
void SignOut(frmMain& main);
void ModifyPassword(frmMain& main);

// Catalogue and card (cmd_catalogue.cpp).
void OpenCatalogue(frmMain& main);
void MakeCatalogue(frmMain& main);                          // BuildCatalogue with an empty folder
void BuildCatalogue(frmMain& main, const QString& folder);  // "" asks for the folder
void CopyRecordingsCommand(frmMain& main);
// The same with the dialog's source list opened on that folder (a card that
// was just plugged in).
void CopyRecordingsFrom(frmMain& main, const QString& source);

// Search (cmd_search.cpp).
void StartSearch(frmMain& main);
void SearchCatalogue(frmMain& main, SearchCriteria& criteria);

// Conversion and playback (cmd_convert.cpp).
void ConvertCommand(frmMain& main);
void PlayRecCommand(frmMain& main);  // frmSelect in play mode
void PlaySelected(frmMain& main);    // double click on a line
short ReadMp3Option(frmMain& main);  // the volume frame's MP3 option

// Calls and the card (cmd_records.cpp).
void WriteComment(frmMain& main);
// Tools > Verify Recordings (cmd_verify.cpp): its item, then the check.
void AddVerifyCommand(frmMain& main);
void VerifyCommand(frmMain& main);
void DeleteRecords(frmMain& main);  // pop-up MnuDelete
void DeleteCardRecordings(frmMain& main);
void ConfirmCardWipe(frmMain& main, const QString& folder);

// Help (frmAbout.cpp).
void ShowAbout(frmMain& main);

// The main window's unload: catalogue closed, front-end closed, temp emptied
// (commands.cpp), through the hooks of the concerns.
void UnloadMain(frmMain& main);
void CloseCatalogueForExit(frmMain& main);   // cmd_catalogue.cpp
void EmptyTempFolderForExit(frmMain& main);  // cmd_catalogue.cpp
void CloseFrontEndForExit(frmMain& main);    // cmd_convert.cpp

}  // namespace qlm
