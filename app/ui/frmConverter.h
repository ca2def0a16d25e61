// The converter window: one line per recording with its stage or result,
// the overall state, OK and Cancel. It does not block its owner. There is at
// most one, and at most one run at a time; ConvertFiles refuses a second run
// while one is in progress (the owner's windows stay usable meanwhile).
#pragma once

#include <functional>

#include <QDialog>
#include <QPointer>

#include "app/convert/convertfiles.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace qlm {

class frmConverter : public QDialog, public ConvertProgress {
    Q_OBJECT
public:
    explicit frmConverter(QWidget* owner);
    ~frmConverter() override;

    // Converts the items into the destination folder (mp3Option > 0: MP3),
    // in the loaded converter window or a new one owned by owner. The
    // folder checks report in a message box and show no window. At the end
    // the window stays open with OK enabled, or unloads itself when
    // closeWhenDone is set or the run was cancelled. Returns false, doing
    // nothing, while another run is in progress.
    static bool ConvertFiles(QWidget* owner, const QVector<ConvertItem>& items, const QString& destination,
                             qint16 mp3Option, bool closeWhenDone, ConvertResult* result = nullptr);
    // Other work that converts, run in the window as ConvertFiles runs a
    // conversion (the export: its conversion, then the writing).
    using Work = std::function<ConvertResult(ConvertProgress&)>;
    static bool RunWork(QWidget* owner, const Work& work, bool closeWhenDone, ConvertResult* result = nullptr);

    // The loaded converter window, or nullptr.
    static frmConverter* Loaded();
    // True while a run is working.
    static bool Running();

    // Unloads the window: closes the front-end, then the window goes. During
    // a run it only asks the run to stop; the run unloads it at its end.
    void Unload();

    QListWidget* LstConverted = nullptr;
    QLabel* lblStatus = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    // ConvertProgress: the list and the cancel flag.
    int LineCount() const override;
    void AddLine(const QString& text) override;
    int SelectedLine() const override;
    void SelectLine(int index) override;
    void SetLineText(int index, const QString& text) override;
    void RunStarted() override;
    void ProcessEvents() override;
    bool CancelRequested() override { return cancel_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;  // Escape: as the close box

private:
    void cmdOK_Click();
    void cmdCancel_Click();

    bool cancel_ = false;
    bool unloaded_ = false;
};

}  // namespace qlm
