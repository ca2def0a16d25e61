// Conversion of the checked recordings and playback.
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTreeView>

#include "app/catalogue/calllistmodel.h"
#include "app/catalogue/callrecord.h"
#include "app/catalogue/store.h"
#include "app/card/recording.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/commands.h"
#include "app/ui/errorbox.h"
#include "app/ui/frmConverter.h"
#include "app/ui/frmMain.h"
#include "app/ui/frmSelect.h"
#include "platform/appfolder.h"
#include "platform/shellopen.h"

namespace qlm {
namespace {

ConvertItem ItemOf(const CallListModel& model, int row) {
    return {model.Text(row, kColDate), model.Text(row, kColTime), model.Record(row).File};
}

// A run is still working in the converter window: a second one must not
// start inside it.
bool RefuseWhileRunning(frmMain& main) {
    if (!frmConverter::Running())
        return false;
    ShowMessage(LibStr(str::ConversionRunning,
                       QStringLiteral("A conversion is still running. Try again when it has finished.")),
                &main);
    return true;
}

void ShowPlaybackFailure(frmMain& main) {
    QMessageBox::warning(&main, LibStr(str::MessageTitle), QStringLiteral("Fail to Playback"), QMessageBox::Ok);
}

}  // namespace

short ReadMp3Option(frmMain& main) {
    int selected = 0;
    if (main.Option1->isChecked())
        selected = 1;
    else if (main.Option2->isChecked())
        selected = 2;
    else if (main.Option3->isChecked())
        selected = 3;
    else if (main.Option4->isChecked())
        selected = 4;
    return Mp3OptionFor(selected, main.Text1->text());
}

void ConvertCommand(frmMain& main) {
    if (RefuseWhileRunning(main))
        return;
    PrjPublicState& state = PrjPublicM();
    state.SelectMode = 1;
    {
        frmSelect select(&main);
        select.exec();
    }
    CallListModel* model = main.lvDataModel;
    if (!state.DestinationFolder.isEmpty() && model) {
        QVector<ConvertItem> items;
        for (int row : model->CheckedRows())
            items << ItemOf(*model, row);
        if (!items.isEmpty()) {
            const qint16 mp3Option = state.Mp3Output != 0 ? ReadMp3Option(main) : 0;
            frmConverter::ConvertFiles(&main, items, JoinPath(state.DestinationFolder, QString()), mp3Option, false);
        }
    }
    state.SourceFolder.clear();
    state.DestinationFolder.clear();
    state.AllChecked = false;
    if (model) {
        model->SetAllChecked(false);
        model->SetHeaderImageKey(QStringLiteral("abc"));
    }
    main.lvData->viewport()->update();
    EnableConvert(main, false);
}

void PlayRecCommand(frmMain& main) {
    PrjPublicM().SelectMode = 2;
    frmSelect select(&main);
    select.exec();
}

void PlaySelected(frmMain& main) {
    CallListModel* model = main.lvDataModel;
    const QItemSelectionModel* selection = main.lvData->selectionModel();
    if (!model || !selection)
        return;
    // The first selected line in list order.
    int row = -1;
    for (int r = 0; r < model->rowCount() && row < 0; ++r)
        if (selection->isRowSelected(r, QModelIndex()))
            row = r;
    if (row < 0)
        return;
    if (RefuseWhileRunning(main))
        return;
    const ConvertItem item = ItemOf(*model, row);
    const QString name = WorkNameOf(item.file, item.dateText, item.timeText, PrjPublicM().RecordingsFolder);
    const QString temp = GetTempFolder();
    const QString playFile = name.isEmpty() ? QString() : JoinPath(temp, name + QStringLiteral(".wav"));
    if (!playFile.isEmpty() && !QFileInfo(playFile).isFile()) {
        frmConverter::ConvertFiles(&main, {item}, temp, 0, true);
        // Playing converts one line for itself; the lines checked for a
        // conversion of their own stay checked, and Convert stays usable.
        EnableConvert(main, model->AnyChecked());
    }
    if (playFile.isEmpty() || !QFileInfo(playFile).isFile()) {
        ShowPlaybackFailure(main);
        return;
    }
    // Whether the desktop could play the file is known only when its opener
    // has ended; the window goes on meanwhile.
    frmMain* window = &main;
    ShellOpen(playFile, QStringLiteral("/"), window, [window](bool opened) {
        if (!opened)
            ShowPlaybackFailure(*window);
    });
}

void CloseFrontEndForExit(frmMain&) {
    // A run still working stops at its next cancel point; its window goes
    // with it.
    if (frmConverter* converter = frmConverter::Loaded())
        converter->Unload();
    if (!frmConverter::Running())
        CloseFrontEnd();
}

}  // namespace qlm
