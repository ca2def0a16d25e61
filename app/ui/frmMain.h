// The program's main window: the search panel Frame1, the output options
// fraFormat and fraVolume, the call list lvData, the toolbar tbaMain, the
// menus and the status bar sbaMain. Commands live in cmd_*.cpp; this class
// holds the controls, lays them out and dispatches.
#pragma once

#include <QMainWindow>

class QAction;
class QCheckBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QToolBar;
class QTreeView;

namespace qlm {

class CallListModel;
class PlayerPanel;
class SearchPanel;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // The load handler: texts, status panels, options, layout, commands off,
    // then the sign-in. runSignIn false leaves the sign-in out (tests,
    // screenshots).
    void Load(bool runSignIn = true);

    // Status bar panels 1-3.
    void SetPanelText(int panel, const QString& text);
    QString PanelText(int panel) const;

    // The toolbar button of a key ("Sign_In", ...), or nullptr.
    QAction* ToolbarButton(const QString& key) const;
    // The toolbar's click event: runs the command of the key; an unknown
    // key does nothing.
    void tbaMain_ButtonClick(const QString& key);

    // The layout rules: the search panel and the option frames side by side,
    // the list below them down to what sits under it.
    void Layout();
    // What the client area keeps below the list: a margin, and the height of
    // every panel docked under the list (add its term here).
    int BelowListHeight() const;
    // The smallest window at which every control shows its texts in full in
    // the current language; run after the texts are set.
    void UpdateMinimumSize();

    // Fonts, then texts, from the string library (frmMain_texts.cpp).
    void ApplyMainFonts();
    void ApplyMainTexts();

    // Controls, named as the forms' designers named them.
    QMenu* MnuFile = nullptr;
    QMenu* MnuTool = nullptr;
    QMenu* mnuHelp = nullptr;
    QMenu* MnuPop = nullptr;
    QAction* MnuSignIn = nullptr;
    QAction* MnuSignOut = nullptr;
    QAction* MnuOpenDB = nullptr;
    QAction* MnuExit = nullptr;
    QAction* MnuModifyPassword = nullptr;
    QAction* MnuSearchStart = nullptr;
    QAction* MnuConvertStart = nullptr;
    QAction* MnuWriteComment = nullptr;
    QAction* MnuCopyRECS = nullptr;
    QAction* MnuMakeDB = nullptr;
    QAction* mnuAbout = nullptr;
    QAction* MnuWriteComment1 = nullptr;
    QAction* MnuDelete = nullptr;

    QToolBar* tbaMain = nullptr;
    QGroupBox* Frame1 = nullptr;
    QPushButton* cmdSearch = nullptr;
    SearchPanel* searchPanel = nullptr;  // the rest of Frame1's controls
    QGroupBox* fraVolume = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QRadioButton* Option3 = nullptr;
    QRadioButton* Option4 = nullptr;
    QLineEdit* Text1 = nullptr;
    QGroupBox* fraFormat = nullptr;
    QRadioButton* optWav = nullptr;
    QRadioButton* optMp3 = nullptr;
    QTreeView* lvData = nullptr;
    CallListModel* lvDataModel = nullptr;  // the lines of lvData
    PlayerPanel* playerPanel = nullptr;    // below the list while signed in

    // The list's flags: the sort direction flips on every header click; the
    // last press over the list hit a line.
    bool SortDescending = false;
    bool ItemUnderMouse = false;
    void lvData_ColumnClick(int section);
    void lvData_ItemCheck();
    // Sorting on or off (a header click switches it on, a search off). While
    // on, every new listing comes out in the order under the sort arrow.
    void SetListSorted(bool on);
    void SortAsShown();
    // Column widths for the longest library text of each column's values.
    void FitListColumns();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildToolbar();
    void BuildPanels();
    void SetUpList();
    void VolumeOptionClicked();
    void SetUpKeyboard();  // frmMain_keys.cpp
    void SetAccessibleNames();
    bool ListKeyPressed(const QKeyEvent* key);
    int sortSection_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;

    QLabel* panels_[3] = {};
    bool unloaded_ = false;
};

}  // namespace qlm
