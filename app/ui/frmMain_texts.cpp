// The main window's fonts and texts from the string library. A number beyond
// the loaded library leaves the design-time text.
#include <QAction>
#include <QGroupBox>

#include <initializer_list>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeView>

#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/applyfont.h"
#include "app/ui/frmMain.h"
#include "app/ui/searchpanel.h"

namespace qlm {

void frmMain::ApplyMainFonts() {
    ApplyFont(cmdSearch, 1);
    ApplyFont(lvData, 1);
    for (QWidget* w : std::initializer_list<QWidget*>{this, Frame1, fraVolume, fraFormat, Text1, Option1, Option2,
                                                      Option3, Option4, tbaMain, statusBar(), optMp3, optWav})
        ApplyFont(w, 2);
    // Frame1's own controls take entry 2 as well, the button excepted.
    for (QWidget* w : Frame1->findChildren<QWidget*>())
        if (w != cmdSearch)
            ApplyFont(w, 2);
}

void frmMain::ApplyMainTexts() {
    setWindowTitle(LibStr(str::ProgramName, QStringLiteral("QLM6200")) + QStringLiteral(" V") + LibStr(str::Version));
    const auto menuText = [](QMenu* menu, int n) { menu->setTitle(LibStr(n, menu->title())); };
    const auto itemText = [](QAction* item, int n) { item->setText(LibStr(n, item->text())); };
    menuText(MnuFile, str::MenuFile);
    itemText(MnuSignIn, str::SignIn);
    itemText(MnuSignOut, str::SignOut);
    itemText(MnuOpenDB, str::OpenCatalogue);
    itemText(MnuExit, str::Exit);
    menuText(MnuTool, str::MenuTools);
    itemText(MnuModifyPassword, str::ChangePassword);
    itemText(MnuSearchStart, str::Search);
    itemText(MnuConvertStart, str::ConvertRecordings);
    itemText(MnuWriteComment, str::WriteComment);
    itemText(MnuWriteComment1, str::WriteComment);
    itemText(MnuCopyRECS, str::CopyRecordings);
    itemText(MnuMakeDB, str::BuildCatalogue);
    itemText(MnuDelete, str::DeleteCall);
    menuText(mnuHelp, str::MenuHelp);
    itemText(mnuAbout, str::About);

    static const struct {
        const char* key;
        int n;
    } kTips[] = {{"Sign_In", str::SignIn},
                 {"Sign_Out", str::SignOut},
                 {"Modify_Password", str::ChangePassword},
                 {"Open_DB", str::OpenCatalogue},
                 {"Search_Start", str::Search},
                 {"Convert_Start", str::ConvertRecordings},
                 {"Write_Comment", str::WriteComment},
                 {"Copy_RECs", str::CopyRecordings},
                 {"Make_DB", str::BuildCatalogue},
                 {"Play_Rec", str::PlayRecording},
                 {"Delete_CF", str::DeleteCardRecordings},
                 {"Exit", str::Exit}};
    for (const auto& tip : kTips) {
        if (QAction* button = ToolbarButton(QString::fromLatin1(tip.key))) {
            button->setToolTip(LibStr(tip.n, button->toolTip()));
            button->setText(button->toolTip());
        }
    }
    Frame1->setTitle(LibStr(str::SearchCalls, Frame1->title()));
    cmdSearch->setText(LibStr(str::Search, cmdSearch->text()));
    searchPanel->ApplyTexts();
    fraVolume->setTitle(LibStr(str::Mp3Volume, fraVolume->title()));
    fraFormat->setTitle(LibStr(str::OutputFormat, fraFormat->title()));
    optMp3->setText(LibStr(str::Mp3, optMp3->text()));
    optWav->setText(LibStr(str::Wave, optWav->text()));
}

}  // namespace qlm
