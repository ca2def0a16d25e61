// A window system in memory: front-end processes whose windows appear, take
// text and answer Alt+D as each test orders, on a clock that only moves when
// the code under test sleeps.
#pragma once

#include <QFile>
#include <QHash>
#include <QList>
#include <QStringList>

#include "app/convert/frontend.h"
#include "platform/winmsg.h"

namespace qlm::test {

// WriteOutputThenBox: the output appears, and a moment later (at the next
// text set) a box titled "Error" that stays open until answered; the
// program goes on after it, but takes no Alt+D while it is open.
enum class OnDecode { WriteOutput, ShowErrorBox, Nothing, NoWindow, WriteOutputThenBox };

struct FakeProcess {
    qint64 pid = 0;
    OnDecode onDecode = OnDecode::WriteOutput;
    bool alive = true;
    bool errorBox = false;
    QString boxCaption = QStringLiteral("vfTool");
    bool boxComing = false;
    QString caption = kFrontEndCaption.toString();
    QString wavText, datText;
    int ignoreSets = 0;  // text sets that are lost before the box takes them
    QString workingFolder;
    int decodes = 0;
    bool ignoresClose = false;  // a hung program: its window stays

    WindowHandle Main() const { return (static_cast<quint64>(pid) << 32) | 1; }
    WindowHandle Wav() const { return (static_cast<quint64>(pid) << 32) | 2; }
    WindowHandle Dat() const { return (static_cast<quint64>(pid) << 32) | 3; }
    WindowHandle Box() const { return (static_cast<quint64>(pid) << 32) | 4; }
};

class FakeWindowSystem : public WindowSystem {
public:
    // How the next started processes behave, in order; later ones repeat the last.
    QList<OnDecode> plan = {OnDecode::WriteOutput};
    QList<FakeProcess> processes;
    QStringList log;  // "start", "keys <pid> <keys>", "close <pid>", "end <pid>", "move <pid> x y bottom"
    qint64 now = 0;
    int fileProbes = 0;
    qint64 nextPid = 1000;

    FakeProcess* Process(qint64 pid) {
        for (FakeProcess& p : processes)
            if (p.pid == pid)
                return &p;
        return nullptr;
    }
    // A window of the same caption that some other program shows.
    FakeProcess& AddForeignFrontEnd() {
        FakeProcess p;
        p.pid = nextPid++;
        processes.append(p);
        return processes.last();
    }
    int Starts() const { return static_cast<int>(log.filter(QStringLiteral("start")).size()); }

    QList<WindowInfo> TopLevelWindows() override {
        QList<WindowInfo> list;
        for (const FakeProcess& p : std::as_const(processes)) {
            if (!p.alive || p.onDecode == OnDecode::NoWindow)
                continue;
            list.append({p.Main(), QStringLiteral("ThunderRT6FormDC"), p.caption, p.pid});
            if (p.errorBox)
                list.append({p.Box(), QStringLiteral("#32770"), p.boxCaption, p.pid});
        }
        return list;
    }
    QList<WindowHandle> ChildWindows(WindowHandle parent, const QString& windowClass) override {
        FakeProcess* p = Process(ProcessOfWindow(parent));
        if (!p || !p->alive || parent != p->Main() || windowClass != kTextBoxClass)
            return {};
        return {p->Wav(), p->Dat()};
    }
    bool SetWindowText(WindowHandle window, const QString& text) override {
        FakeProcess* p = Process(ProcessOfWindow(window));
        if (!p || !p->alive)
            return false;
        if (p->boxComing) {
            p->boxComing = false;
            p->errorBox = true;
            p->boxCaption = QStringLiteral("Error");
        }
        if (p->ignoreSets > 0) {
            --p->ignoreSets;
            return true;
        }
        (window == p->Wav() ? p->wavText : p->datText) = text;
        return true;
    }
    bool GetWindowText(WindowHandle window, QString* text) override {
        FakeProcess* p = Process(ProcessOfWindow(window));
        if (!p || !p->alive)
            return false;
        *text = window == p->Wav() ? p->wavText : p->datText;
        return true;
    }
    bool PostClose(WindowHandle window) override {
        FakeProcess* p = Process(ProcessOfWindow(window));
        if (!p)
            return false;
        log.append(QStringLiteral("close %1").arg(p->pid));
        p->alive = p->ignoresClose;
        return true;
    }
    bool SetWindowPosition(WindowHandle window, int x, int y, bool toBottom) override {
        log.append(QStringLiteral("move %1 %2 %3 %4").arg(ProcessOfWindow(window)).arg(x).arg(y).arg(toBottom));
        return true;
    }
    bool ActivateProcess(qint64 pid) override {
        FakeProcess* p = Process(pid);
        return p && p->alive;
    }
    bool SendKeys(qint64 pid, const QString& keys) override {
        log.append(QStringLiteral("keys %1 %2").arg(pid).arg(keys));
        FakeProcess* p = Process(pid);
        if (!p || !p->alive)
            return false;
        if (keys == u"%D" && p->errorBox) {
            // The open box has the keys; its window has no Alt+D.
        } else if (keys == u"%D") {
            ++p->decodes;
            const bool writes = p->onDecode == OnDecode::WriteOutput || p->onDecode == OnDecode::WriteOutputThenBox;
            if (writes && !p->datText.isEmpty()) {
                QFile out(p->wavText);
                if (out.open(QIODevice::WriteOnly))
                    out.write("RIFF");
            }
            if (p->onDecode == OnDecode::WriteOutputThenBox)
                p->boxComing = true;
            else if (p->onDecode == OnDecode::ShowErrorBox) {
                p->errorBox = true;
            }
        } else if (keys == u"{Enter}" && p->errorBox) {
            p->errorBox = false;
            // The front-end ends when its "vfTool" box is answered.
            p->alive = p->boxCaption != u"vfTool";
        }
        return true;
    }
    qint64 StartProcess(const QString& program, const QString& workingFolder) override {
        log.append(QStringLiteral("start"));
        FakeProcess p;
        p.pid = nextPid++;
        p.workingFolder = workingFolder;
        p.onDecode = plan.value(Starts() - 1, plan.last());
        processes.append(p);
        lastProgram = program;
        return p.pid;
    }
    QString WorkingFolderOf(qint64 pid) override {
        FakeProcess* p = Process(pid);
        return p && p->alive ? p->workingFolder : QString();
    }
    bool EndProcess(qint64 pid, const QString&) override {
        FakeProcess* p = Process(pid);
        if (p && p->alive) {
            log.append(QStringLiteral("end %1").arg(pid));
            p->alive = false;
        }
        return true;
    }
    bool CanOpenForReading(const QString& path) override {
        ++fileProbes;
        QFile file(path);
        return file.open(QIODevice::ReadOnly);
    }
    void Sleep(int milliseconds) override { now += milliseconds; }
    void ProcessEvents() override {}

    QString lastProgram;
};

}  // namespace qlm::test
