// The main window from the keyboard and for screen readers: the Tab order,
// the shortcuts of the commands, the Delete and menu keys on the list, and
// the accessible names of the controls whose captions do not say enough.
#include <QAction>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolBar>
#include <QTreeView>

#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/commands.h"
#include "app/ui/frmMain.h"
#include "app/ui/keyboard.h"
#include "app/ui/searchpanel.h"

namespace qlm {

void frmMain::SetUpKeyboard() {
    // Reading order: the panel row by row, its button, the options, the list.
    QList<QWidget*> chain = searchPanel->TabChain();
    chain << cmdSearch << Option1 << Option2 << Option3 << Option4 << Text1 << optWav << optMp3 << lvData;
    for (int i = 0; i + 1 < chain.size(); ++i)
        setTabOrder(chain[i], chain[i + 1]);

    // Commands with a menu item are reached through its mnemonic; these keys
    // are the common ones. The toolbar-only commands get their own.
    MnuOpenDB->setShortcut(QKeySequence::Open);
    MnuSearchStart->setShortcut(Qt::Key_F5);
    MnuExit->setShortcut(QKeySequence::Quit);
    if (QAction* play = ToolbarButton(QStringLiteral("Play_Rec")))
        play->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    if (QAction* wipe = ToolbarButton(QStringLiteral("Delete_CF")))
        wipe->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    lvData->installEventFilter(this);
}

void frmMain::SetAccessibleNames() {
    AssignMnemonics(menuBar());
    AssignMnemonics(MnuPop);
    SetAccessibleName(lvData, {LibStr(str::ListOfCalls, QStringLiteral("List of calls"))});
    for (QRadioButton* option : {Option1, Option2, Option3, Option4})
        SetAccessibleName(option, {fraVolume->title(), option->text()});
    SetAccessibleName(Text1, {fraVolume->title(), LibStr(str::OwnFactor, QStringLiteral("own factor"))});
}

// The list's keys: Delete deletes the selected calls and the menu key opens
// the pop-up menu, both as the right-click menu does (signed in, a line
// chosen).
bool frmMain::ListKeyPressed(const QKeyEvent* key) {
    const QModelIndex current = lvData->currentIndex();
    if (!PrjPublicM().SignedIn || !current.isValid())
        return false;
    if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
        DeleteRecords(*this);
        return true;
    }
    if (key->key() == Qt::Key_Menu || (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier)) {
        const QRect line = lvData->visualRect(current);
        MnuPop->popup(lvData->viewport()->mapToGlobal(line.bottomLeft()));
        return true;
    }
    return false;
}

}  // namespace qlm
