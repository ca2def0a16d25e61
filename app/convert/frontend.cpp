#include "app/convert/frontend.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <cmath>

#include "app/catalogue/store.h"
#include "platform/appfolder.h"
#include "platform/runfolder.h"
#include "platform/userstate.h"

namespace qlm {

qint32 FrontEndProcessId = 0;

namespace {

constexpr int kPollMs = 20;
constexpr int kWindowPolls = 101;
constexpr int kTextTries = 31;
constexpr int kDecodeAttempts = 20;
constexpr int kSettleMs = 100;
constexpr qint16 kOutputWaitMs = 3000;
constexpr int kOutOfSightX = 1600;
constexpr int kOutOfSightY = 1600;
constexpr int kBoxAnswers = 5;

// The front-end window of the process we started. Windows of the same
// caption that other instances show are not ours to type into: the keys go
// to our process, so the text boxes must be that process's too.
WindowHandle OurFrontEndWindow(WindowSystem& windows) {
    if (FrontEndProcessId == 0)
        return 0;
    const QList<WindowInfo> all = windows.TopLevelWindows();
    for (const WindowInfo& w : all) {
        if (w.caption == kFrontEndCaption && w.processId == FrontEndProcessId)
            return w.handle;
    }
    return 0;
}

// Any message box of our front-end: its "vfTool" box, or the "Error" box of
// a decode that found nothing to convert. Either one holds the program until
// it is answered, so it is a failed attempt as well.
bool OurErrorBoxShown(WindowSystem& windows) {
    if (FrontEndProcessId == 0)
        return false;
    const QList<WindowInfo> all = windows.TopLevelWindows();
    for (const WindowInfo& w : all) {
        if (w.windowClass == kDialogClass && w.processId == FrontEndProcessId)
            return true;
    }
    return false;
}

// Answers every box our front-end shows, so that the next decode finds it
// ready instead of losing an attempt to a box left open.
void DismissErrorBoxes(WindowSystem& windows) {
    for (int i = 0; i < kBoxAnswers && OurErrorBoxShown(windows); ++i) {
        windows.ActivateProcess(FrontEndProcessId);
        windows.SendKeys(FrontEndProcessId, QStringLiteral("{Enter}"));
    }
}

// Whose a front-end window is, judged by the folder its program works in.
enum class Owner {
    Ours,      // started by this process
    OtherRun,  // started by another live run: not ours to close
    EndedRun,  // started by a run that has ended (killed): ours to tidy up
    Stranger,  // started by hand, or unknown: asked to close, as ever
};

Owner OwnerOf(qint64 processId, const QString& folder, const QString& own, const QString& work) {
    if (processId == FrontEndProcessId || SameFolder(folder, own))
        return Owner::Ours;
    if (folder.isEmpty())
        return Owner::Stranger;
    if (IsHeldRunFolder(folder))
        return Owner::OtherRun;
    return IsRunFolderOf(folder, work) ? Owner::EndedRun : Owner::Stranger;
}

QSet<qint64>& IgnoredFrontEnds() {
    static QSet<qint64> ignored;
    return ignored;
}

}  // namespace

void StringLines::SetLineText(int index, const QString& text) {
    if (index >= 0 && index < lines.size())
        lines[index] = text;
}

bool WaitForFile(const QString& path, qint16 limitMs) {
    WindowSystem& windows = CurrentWindowSystem();
    // Rounded half to even, as the tries were always counted: 101 for 2000 ms.
    const int tries = static_cast<int>(std::nearbyint((limitMs + 19) / 20.0));
    for (int k = 0; k <= tries; ++k) {
        windows.Sleep(kPollMs);
        windows.ProcessEvents();
        if (windows.CanOpenForReading(path))
            return true;
    }
    return false;
}

void CloseFrontEnd() {
    WindowSystem& windows = CurrentWindowSystem();
    const QString own = OwnRunFolder();
    const QString work = UserStateFolders().work;
    QHash<qint64, Owner> owners;
    // Ours and those of ended runs: asked to close, then ended for certain.
    QHash<qint64, QString> toEnd;
    if (FrontEndProcessId != 0)
        toEnd.insert(FrontEndProcessId, own);
    QSet<qint64> asked;
    bool allClosed = false;
    for (int i = 0; i < kWindowPolls && !allClosed; ++i) {
        asked.clear();
        const QList<WindowInfo> all = windows.TopLevelWindows();
        if (i == 0) {
            // A program that has gone may come back under its number.
            QSet<qint64> shown;
            for (const WindowInfo& w : all)
                shown.insert(w.processId);
            IgnoredFrontEnds().intersect(shown);
        }
        for (const WindowInfo& w : all) {
            if (w.caption != kFrontEndCaption || IgnoredFrontEnds().contains(w.processId))
                continue;
            auto owner = owners.constFind(w.processId);
            if (owner == owners.constEnd()) {
                const QString folder = windows.WorkingFolderOf(w.processId);
                owner = owners.insert(w.processId, OwnerOf(w.processId, folder, own, work));
                if (*owner == Owner::Ours || *owner == Owner::EndedRun)
                    toEnd.insert(w.processId, folder);
            }
            if (*owner == Owner::OtherRun)
                continue;
            windows.PostClose(w.handle);
            asked.insert(w.processId);
        }
        allClosed = asked.isEmpty();
        if (!allClosed) {
            windows.ProcessEvents();
            windows.Sleep(kPollMs);
        }
    }
    for (auto it = toEnd.constBegin(); it != toEnd.constEnd(); ++it) {
        windows.EndProcess(it.key(), it.value());
        asked.remove(it.key());
    }
    // A stranger's window that stays after every round is not asked again:
    // each run would wait for it once more.
    IgnoredFrontEnds().unite(asked);
    FrontEndProcessId = 0;
}

WindowHandle StartFrontEnd() {
    WindowSystem& windows = CurrentWindowSystem();
    if (OurFrontEndWindow(windows) == 0) {
        const qint64 pid =
            windows.StartProcess(JoinPath(ApplicationFolder(), kFrontEndProgram.toString()), GetTempFolder());
        FrontEndProcessId = static_cast<qint32>(pid);
    }
    WindowHandle window = 0;
    for (int i = 0; i < kWindowPolls; ++i) {
        window = OurFrontEndWindow(windows);
        if (window != 0)
            break;
        windows.ProcessEvents();
        windows.Sleep(kPollMs);
    }
    if (window == 0)
        return 0;
    windows.SetWindowPosition(window, kOutOfSightX, kOutOfSightY, true);
    return window;
}

void SetTextVerified(WindowHandle window, const QString& text) {
    WindowSystem& windows = CurrentWindowSystem();
    for (int i = 0; i < kTextTries; ++i) {
        windows.SetWindowText(window, text);
        QString readBack;
        if (windows.GetWindowText(window, &readBack) && readBack == text)
            return;
        windows.Sleep(kPollMs);
        windows.ProcessEvents();
    }
}

void DecodeWithFrontEnd(const QString& source, const QString& destination, ConverterLines& list) {
    WindowSystem& windows = CurrentWindowSystem();
    if (list.LineCount() == 0)
        list.AddLine(QString());
    if (list.SelectedLine() < 0)
        list.SelectLine(list.LineCount() - 1);
    if (!QFileInfo(source).isFile()) {
        list.SetLineText(list.SelectedLine(), u"No Source: " + source);
        return;
    }
    const QString textBoxClass = kTextBoxClass.toString();
    DismissErrorBoxes(windows);
    for (int attempt = 1; attempt <= kDecodeAttempts; ++attempt) {
        const WindowHandle window = StartFrontEnd();
        WindowHandle wavBox = 0;
        WindowHandle datBox = 0;
        if (window != 0) {
            wavBox = windows.FindChildWindow(window, textBoxClass);
            if (wavBox != 0)
                datBox = windows.FindChildWindow(window, textBoxClass, wavBox);
        }
        if (window != 0 && wavBox != 0 && datBox != 0) {
            SetTextVerified(datBox, source);
            SetTextVerified(wavBox, destination);
            windows.ActivateProcess(FrontEndProcessId);
            // Returns once the front-end has handled the keys: its decode runs
            // in the key's handler, so normally after the decode.
            windows.SendKeys(FrontEndProcessId, QStringLiteral("%D"));
            windows.Sleep(kSettleMs);
            if (OurErrorBoxShown(windows)) {
                DismissErrorBoxes(windows);
            } else {
                SetTextVerified(datBox, QString());
                SetTextVerified(wavBox, QString());
                if (WaitForFile(destination, kOutputWaitMs)) {
                    DismissErrorBoxes(windows);
                    return;
                }
            }
        }
        list.SetLineText(list.SelectedLine(), u"Retry: " + source);
        CloseFrontEnd();
        windows.Sleep(kSettleMs);
        windows.ProcessEvents();
    }
}

}  // namespace qlm
