// The enabling rules of the command set.
#include "app/ui/commands.h"

#include <QAction>
#include <QPushButton>
#include <QToolBar>

#include "app/ui/frmConverter.h"
#include "app/ui/frmMain.h"

namespace qlm {

void EnableCommands(frmMain& main, bool state) {
    main.MnuCopyRECS->setEnabled(state);
    main.MnuMakeDB->setEnabled(state);
    main.MnuOpenDB->setEnabled(state);
    main.MnuSignOut->setEnabled(state);
    main.MnuSignIn->setEnabled(!state);
    for (QAction* button : main.tbaMain->actions()) {
        const QString key = button->objectName();
        if (key == u"Sign_In")
            button->setEnabled(!state);
        else if (key == u"Sign_Out")
            button->setEnabled(state);
        else if (key == u"Modify_Password" || key == u"Exit" || key == u"Search_Start" || key == u"Convert_Start" ||
                 key == u"Write_Comment")
            continue;
        else
            button->setEnabled(state);
    }
}

void EnableCatalogueCommands(frmMain& main, bool state) {
    main.cmdSearch->setEnabled(state);
    main.MnuConvertStart->setEnabled(state);
    main.MnuSearchStart->setEnabled(state);
    main.MnuWriteComment->setEnabled(state);
    for (QAction* button : main.tbaMain->actions()) {
        const QString key = button->objectName();
        if (key == u"Search_Start" || key == u"Write_Comment")
            button->setEnabled(state);
    }
}

void EnableConvert(frmMain& main, bool state) {
    // No second run may start inside the one in progress.
    state = state && !frmConverter::Running();
    main.MnuConvertStart->setEnabled(state);
    if (QAction* button = main.ToolbarButton(QStringLiteral("Convert_Start")))
        button->setEnabled(state);
}

void UnloadMain(frmMain& main) {
    CloseCatalogueForExit(main);
    CloseFrontEndForExit(main);
    EmptyTempFolderForExit(main);
}

}  // namespace qlm
