// Open DB, Make DB, Copy RECs, and closing the catalogue at the end.
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTreeView>

#include "app/card/build.h"
#include "app/card/calldeletion.h"
#include "app/card/copy.h"
#include "app/card/library.h"
#include "app/catalogue/calllistmodel.h"
#include "app/catalogue/store.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/commands.h"
#include "app/ui/errorbox.h"
#include "app/ui/frmMain.h"
#include "app/ui/frmSelect.h"
#include "platform/userstate.h"

namespace qlm {
namespace {

// Long work lets the window repaint (status panels, list) but takes no
// clicks meanwhile, so no second command starts inside the first.
void Repaint() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

QString CountText(int count, int after) {
    return LibStr(str::Total) + u' ' + QString::number(count) + u' ' + LibStr(after);
}

// A new listing: nothing checked, header image "abc", and in the order
// under the sort arrow while sorting is on.
void ListingStarted(frmMain& main) {
    main.SortAsShown();
    main.lvDataModel->SetHeaderImageKey(QStringLiteral("abc"));
    main.lvData->viewport()->update();
    PrjPublicM().AllChecked = false;
}

}  // namespace

void OpenCatalogue(frmMain& main) {
    PrjPublicState& state = PrjPublicM();
    EmptyWorkFolder();
    main.lvDataModel->Clear();
    main.SetPanelText(1, LibStr(str::OpeningCatalogue));

    QFileDialog dialog(&main);
    dialog.setObjectName(QStringLiteral("cdlMain"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilter(QStringLiteral("ACCESS Files(*.mdb)"));
    // Without a copy this session, the library used last, on its newest
    // catalogue.
    const QString library = state.RecordingsFolder.isEmpty() ? LastLibraryFolder() : QString();
    dialog.setDirectory(!state.RecordingsFolder.isEmpty() ? state.RecordingsFolder
                        : !library.isEmpty()              ? library
                                                          : QDir::currentPath());
    if (const QString newest = library.isEmpty() ? QString() : NewestCatalogueIn(library); !newest.isEmpty())
        dialog.selectFile(newest);
    if (dialog.exec() != QDialog::Accepted) {
        // Cancelled: the catalogue open before stays open and current.
        EnableConvert(main, false);
        return;
    }
    const QString path = dialog.selectedFiles().value(0);
    if (path.isEmpty()) {
        EnableCatalogueCommands(main, !state.CataloguePath.isEmpty());
        ListingStarted(main);
        EnableConvert(main, false);
        return;
    }

    // The file becomes the current one even when it fails to open, as the
    // window has always kept it; the one open before is closed first, so
    // opening the same file again is not refused by its own lock.
    state.CloseCatalogue();
    Error error;
    // A deletion a kill interrupted is completed before the calls are shown.
    OpenedCatalogue opened = OpenCatalogueFile(path, main.lvDataModel, &error, [&path](Database* db) {
        FinishDeletions(db, FolderOf(QFileInfo(path).absoluteFilePath()));
    });
    state.CataloguePath = opened.path;
    state.RecordingsFolder = opened.recordingsFolder;
    state.CatalogueDatabase = opened.database;
    if (!opened) {
        ShowMessage(LibStr(str::OpenFailed) + u'\n' + LibStr(str::OpenFailedReasons), &main);
        EnableConvert(main, false);
        return;
    }
    main.SetPanelText(1, state.CataloguePath);
    main.SetPanelText(2, CountText(opened.listed, str::Calls));
    EnableCatalogueCommands(main, !state.CataloguePath.isEmpty());
    ListingStarted(main);
    EnableConvert(main, false);
}

void MakeCatalogue(frmMain& main) { BuildCatalogue(main, QString()); }

void BuildCatalogue(frmMain& main, const QString& folder) {
    PrjPublicState& state = PrjPublicM();
    EmptyWorkFolder();
    state.SelectMode = 3;
    main.SetPanelText(1, LibStr(str::ChooseBuildFolder));

    bool known = false;
    if (!folder.isEmpty()) {
        state.SourceFolder = folder;
        known = true;
    }
    while (!known) {
        {
            frmSelect select(&main);
            // Where the calls are: the open catalogue's folder, else the
            // library used last.
            select.StartSourceAt(!state.RecordingsFolder.isEmpty() ? state.RecordingsFolder : LastLibraryFolder());
            select.exec();
        }
        if (!state.SourceFolder.isEmpty()) {
            known = true;
            break;
        }
        const auto answer =
            QMessageBox::question(&main, LibStr(str::MessageTitle),
                                  LibStr(str::FolderHasNoRecordings) + u'\n' + LibStr(str::ChooseAnotherFolder),
                                  QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
        if (answer != QMessageBox::Ok) {
            main.SetPanelText(1, LibStr(str::BuildCancelled));
            break;
        }
    }

    if (known) {
        main.SetPanelText(1, LibStr(str::BuildingCatalogue));
        Repaint();
        BuildHooks hooks;
        hooks.status = [&main](int panel, const QString& text) { main.SetPanelText(panel, text); };
        hooks.unreadable = [&main](const QString&, const Error& error) {
            Error shown = error;
            ShowErrorBox(&shown, &main);
        };
        hooks.repaint = Repaint;
        state.CloseCatalogue();
        const BuildResult result = BuildCatalogueIn(state.SourceFolder, main.lvDataModel, hooks);
        // The new catalogue is the open one, also when the build stopped
        // with rows stored; it replaces anything opened meanwhile.
        if (result.database) {
            state.CloseCatalogue();
            state.CatalogueDatabase = result.database;
        }
        if (result.error.IsSet()) {
            ShowMessage(LibStr(str::BuildFailed) + u'\n' + result.error.BoxText(), &main);
        } else {
            state.CataloguePath = result.path;
            state.RecordingsFolder = state.SourceFolder;
            RememberLibraryFolder(state.SourceFolder);
            main.SetPanelText(2, CountText(result.listed, str::Calls));
            const QString carried = CarryNoticeText(result.carried);
            main.SetPanelText(1, carried.isEmpty() ? state.CataloguePath : carried);
            ListingStarted(main);
        }
    }

    EnableCatalogueCommands(main, !state.CataloguePath.isEmpty());
    state.SourceFolder.clear();
    state.DestinationFolder.clear();
    EnableConvert(main, false);
}

void CopyRecordingsCommand(frmMain& main) { CopyRecordingsFrom(main, QString()); }

void CopyRecordingsFrom(frmMain& main, const QString& source) {
    PrjPublicState& state = PrjPublicM();
    state.SelectMode = 0;
    {
        frmSelect select(&main);
        if (!source.isEmpty())
            select.StartSourceAt(source);
        select.exec();
    }
    if (!state.SourceFolder.isEmpty() && !state.DestinationFolder.isEmpty()) {
        main.SetPanelText(1, LibStr(str::CopyingFrom) + u' ' + state.SourceFolder + u' ' + LibStr(str::ToTime) + u' ' +
                                 state.DestinationFolder);
        Repaint();
        CopyHooks hooks;
        hooks.copiedFile = [&main](int copied, const QString&) {
            main.SetPanelText(2, CountText(copied, str::FilesCopied));
        };
        hooks.repaint = Repaint;
        const CopyResult result = CopyRecordings(state.SourceFolder, state.DestinationFolder, hooks);
        state.RecordingsFolder = state.DestinationFolder;
        if (result.copied > 0 || result.alreadyThere > 0)
            RememberLibraryFolder(state.DestinationFolder);
        // "Copy finished." only when it did; otherwise what failed.
        if (result.listError.IsSet())
            main.SetPanelText(1, LibStr(str::CopySourceUnreadable) + u' ' + state.SourceFolder);
        else if (!result.failed.isEmpty())
            main.SetPanelText(1, LibStr(str::CopyIncomplete) + u' ' + QString::number(result.failed.size()));
        else
            main.SetPanelText(1, (QStringList{LibStr(str::CopyFinished)} + CopyNoticeLines(result)).join(u' '));
        if (result.listError.IsSet()) {
            ShowMessage(LibStr(str::SourceUnreadable) + u' ' + state.SourceFolder, &main);
        } else if (!result.failed.isEmpty()) {
            // Tell how many, and which, so the user can copy them by hand.
            constexpr int kNamesShown = 20;
            QString text = LibStr(str::FilesNotCopied) + u' ' + QString::number(result.failed.size()) + u'\n' +
                           result.failed.mid(0, kNamesShown).join(u'\n');
            if (result.failed.size() > kNamesShown)
                text += QStringLiteral("\n...");
            ShowMessage(text, &main);
        }
    }
    state.SourceFolder.clear();
    state.DestinationFolder.clear();
}

void CloseCatalogueForExit(frmMain&) { PrjPublicM().CloseCatalogue(); }

void EmptyTempFolderForExit(frmMain&) { EmptyWorkFolder(true); }

}  // namespace qlm
