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
    setWindowTitle(LibStr(122, QStringLiteral("QLM6200")) + QStringLiteral(" V") + LibStr(123));
    const auto menuText = [](QMenu* menu, int n) { menu->setTitle(LibStr(n, menu->title())); };
    const auto itemText = [](QAction* item, int n) { item->setText(LibStr(n, item->text())); };
    menuText(MnuFile, 1);
    itemText(MnuSignIn, 2);
    itemText(MnuSignOut, 3);
    itemText(MnuOpenDB, 4);
    itemText(MnuExit, 5);
    menuText(MnuTool, 6);
    itemText(MnuModifyPassword, 7);
    itemText(MnuSearchStart, 8);
    itemText(MnuConvertStart, 9);
    itemText(MnuWriteComment, 10);
    itemText(MnuWriteComment1, 10);
    itemText(MnuCopyRECS, 11);
    itemText(MnuMakeDB, 12);
    itemText(MnuDelete, 117);
    menuText(mnuHelp, 126);
    itemText(mnuAbout, 124);

    static const struct {
        const char* key;
        int n;
    } kTips[] = {{"Sign_In", 2},       {"Sign_Out", 3},       {"Modify_Password", 7}, {"Open_DB", 4},
                 {"Search_Start", 8},  {"Convert_Start", 9},  {"Write_Comment", 10},  {"Copy_RECs", 11},
                 {"Make_DB", 12},      {"Play_Rec", 105},     {"Delete_CF", 114},     {"Exit", 5}};
    for (const auto& tip : kTips) {
        if (QAction* button = ToolbarButton(QString::fromLatin1(tip.key))) {
            button->setToolTip(LibStr(tip.n, button->toolTip()));
            button->setText(button->toolTip());
        }
    }
    Frame1->setTitle(LibStr(13, Frame1->title()));
    cmdSearch->setText(LibStr(8, cmdSearch->text()));
    searchPanel->ApplyTexts();
    fraVolume->setTitle(LibStr(110, fraVolume->title()));
    fraFormat->setTitle(LibStr(127, fraFormat->title()));
    optMp3->setText(LibStr(128, optMp3->text()));
    optWav->setText(LibStr(129, optWav->text()));
}

}  // namespace qlm
