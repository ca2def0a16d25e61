#include "app/ui/frmMain.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QScrollBar>
#include <QStandardPaths>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/catalogue/calllistmodel.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/cardnotice.h"
#include "app/ui/commands.h"
#include "app/ui/exportcommands.h"
#include "app/ui/playerpanel.h"
#include "app/ui/searchpanel.h"

namespace qlm {
namespace {

constexpr int kTwipsPerPixel = 15;

QAction* MakeAction(QObject* parent, const char* name, const QString& designText) {
    auto* action = new QAction(designText, parent);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

// Toolbar pictures come from the desktop's icon theme; where it lacks one,
// from Adwaita (a dependency), whose full-colour pictures exist in every size
// the toolbar asks for at any scale. Without a desktop (offscreen, a bare X
// session) Qt knows neither a theme nor the system's icon folders.
void UseIconTheme() {
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& dir : QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                                        QStandardPaths::LocateDirectory))
        if (!paths.contains(dir))
            paths << dir;
    QIcon::setThemeSearchPaths(paths);
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    if (QIcon::themeName().isEmpty())
        QIcon::setThemeName(QStringLiteral("hicolor"));  // the base theme, falling back to Adwaita
}

QIcon ToolIcon(const QWidget* w, const char* themeName, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QString::fromLatin1(themeName), w->style()->standardIcon(fallback));
}

// Space between the client area's edges and the controls, and between them.
constexpr int kMargin = 100 / kTwipsPerPixel;
constexpr int kGap = 6;

// What the option frames' captions need.
int OptionFramesWidth(const QWidget* volume, const QWidget* format) {
    return std::max(volume->minimumSizeHint().width(), format->minimumSizeHint().width());
}

}  // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("QLM6200"));
    resize(1000, 680);
    setMinimumSize(640, 480);
    UseIconTheme();
    BuildMenus();
    AddExportCommands(*this);
    AddVerifyCommand(*this);
    BuildToolbar();
    BuildPanels();
    SetUpList();

    auto* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("sbaMain"));
    setStatusBar(bar);
    for (int i = 0; i < 3; ++i) {
        panels_[i] = new QLabel(bar);
        panels_[i]->setObjectName(QStringLiteral("sbaMainPanel%1").arg(i + 1));
        panels_[i]->setFrameShape(QFrame::StyledPanel);
        panels_[i]->setFrameShadow(QFrame::Sunken);
        bar->addWidget(panels_[i], i == 0 ? 4 : i == 1 ? 2 : 1);
    }
    SetUpKeyboard();
    AttachCardNotice(*this);
}

frmMain::~frmMain() = default;

void frmMain::BuildMenus() {
    MnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    MnuFile->setObjectName(QStringLiteral("MnuFile"));
    MnuSignIn = MakeAction(this, "MnuSignIn", QStringLiteral("Sign In"));
    MnuSignOut = MakeAction(this, "MnuSignOut", QStringLiteral("Sign Out"));
    MnuOpenDB = MakeAction(this, "MnuOpenDB", QStringLiteral("Open DB"));
    MnuExit = MakeAction(this, "MnuExit", QStringLiteral("Exit"));
    MnuFile->addAction(MnuSignIn);
    MnuFile->addAction(MnuSignOut);
    MnuFile->addSeparator();
    MnuFile->addAction(MnuOpenDB);
    MnuFile->addSeparator();
    MnuFile->addAction(MnuExit);

    MnuTool = menuBar()->addMenu(QStringLiteral("&Tool"));
    MnuTool->setObjectName(QStringLiteral("MnuTool"));
    MnuModifyPassword = MakeAction(this, "MnuModifyPassword", QStringLiteral("Modify Password"));
    MnuSearchStart = MakeAction(this, "MnuSearchStart", QStringLiteral("Search"));
    MnuConvertStart = MakeAction(this, "MnuConvertStart", QStringLiteral("Convert"));
    MnuWriteComment = MakeAction(this, "MnuWriteComment", QStringLiteral("Write Comment"));
    MnuCopyRECS = MakeAction(this, "MnuCopyRECS", QStringLiteral("Copy RECs"));
    MnuMakeDB = MakeAction(this, "MnuMakeDB", QStringLiteral("Make DB"));
    MnuTool->addAction(MnuModifyPassword);
    MnuTool->addSeparator();
    MnuTool->addAction(MnuSearchStart);
    MnuTool->addAction(MnuConvertStart);
    MnuTool->addAction(MnuWriteComment);
    MnuTool->addSeparator();
    MnuTool->addAction(MnuCopyRECS);
    MnuTool->addAction(MnuMakeDB);

    mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuAbout = MakeAction(this, "mnuAbout", QStringLiteral("About"));
    mnuHelp->addAction(mnuAbout);

    // The list's pop-up menu, not shown in the menu bar.
    MnuPop = new QMenu(this);
    MnuPop->setObjectName(QStringLiteral("MnuPop"));
    MnuWriteComment1 = MakeAction(this, "MnuWriteComment1", QStringLiteral("Write Comment"));
    MnuDelete = MakeAction(this, "MnuDelete", QStringLiteral("Delete"));
    MnuPop->addAction(MnuWriteComment1);
    MnuPop->addAction(MnuDelete);

    // Menu clicks run the routines directly; sign-in, sign-out and search
    // switch convert off once more afterwards.
    connect(MnuSignIn, &QAction::triggered, this, [this] {
        SignIn(*this);
        EnableConvert(*this, false);
    });
    connect(MnuSignOut, &QAction::triggered, this, [this] {
        SignOut(*this);
        EnableConvert(*this, false);
    });
    connect(MnuOpenDB, &QAction::triggered, this, [this] { OpenCatalogue(*this); });
    connect(MnuExit, &QAction::triggered, this, &QWidget::close);
    connect(MnuModifyPassword, &QAction::triggered, this, [this] { ModifyPassword(*this); });
    connect(MnuSearchStart, &QAction::triggered, this, [this] {
        StartSearch(*this);
        EnableConvert(*this, false);
    });
    connect(MnuConvertStart, &QAction::triggered, this, [this] { ConvertCommand(*this); });
    connect(MnuWriteComment, &QAction::triggered, this, [this] { WriteComment(*this); });
    connect(MnuCopyRECS, &QAction::triggered, this, [this] { CopyRecordingsCommand(*this); });
    connect(MnuMakeDB, &QAction::triggered, this, [this] { MakeCatalogue(*this); });
    connect(mnuAbout, &QAction::triggered, this, [this] { ShowAbout(*this); });
    connect(MnuWriteComment1, &QAction::triggered, this, [this] { WriteComment(*this); });
    connect(MnuDelete, &QAction::triggered, this, [this] { DeleteRecords(*this); });
}

void frmMain::BuildToolbar() {
    tbaMain = new QToolBar(this);
    tbaMain->setObjectName(QStringLiteral("tbaMain"));
    tbaMain->setMovable(false);
    tbaMain->setIconSize(QSize(24, 24));
    tbaMain->setToolButtonStyle(Qt::ToolButtonIconOnly);
    // Hiding the toolbar from its context menu would leave an empty band.
    tbaMain->setContextMenuPolicy(Qt::PreventContextMenu);
    tbaMain->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, tbaMain);

    struct Button {
        const char* key;  // nullptr: a separator
        const char* theme;
        QStyle::StandardPixmap fallback;
        const char* designTip;
    };
    static const Button kButtons[] = {
        {"Sign_In", "changes-allow", QStyle::SP_DialogYesButton, "Sign In"},
        {"Sign_Out", "changes-prevent", QStyle::SP_DialogNoButton, "Sign Out"},
        {"Modify_Password", "dialog-password", QStyle::SP_FileDialogDetailedView, "Modify Password"},
        {nullptr, nullptr, QStyle::SP_CustomBase, nullptr},
        {"Open_DB", "document-open", QStyle::SP_DialogOpenButton, "Open DB"},
        {"Search_Start", "edit-find", QStyle::SP_FileDialogContentsView, "Search"},
        {"Convert_Start", "document-save-as", QStyle::SP_DialogSaveButton, "Convert"},
        {"Write_Comment", "insert-text", QStyle::SP_FileDialogInfoView, "Write Comment"},
        {"Copy_RECs", "edit-copy", QStyle::SP_DriveFDIcon, "Copy RECs"},
        {"Make_DB", "document-new", QStyle::SP_FileDialogNewFolder, "Make DB"},
        {"Play_Rec", "media-playback-start", QStyle::SP_MediaPlay, "Play"},
        {nullptr, nullptr, QStyle::SP_CustomBase, nullptr},
        {"Delete_CF", "user-trash-full", QStyle::SP_TrashIcon, "Delete CF"},
        {nullptr, nullptr, QStyle::SP_CustomBase, nullptr},
        {"Exit", "application-exit", QStyle::SP_DialogCloseButton, "Exit"},
    };
    for (const Button& b : kButtons) {
        if (!b.key) {
            tbaMain->addSeparator();
            continue;
        }
        QAction* action = tbaMain->addAction(ToolIcon(this, b.theme, b.fallback), QString::fromLatin1(b.designTip));
        action->setObjectName(QString::fromLatin1(b.key));
        action->setToolTip(QString::fromLatin1(b.designTip));
    }
    connect(tbaMain, &QToolBar::actionTriggered, this,
            [this](QAction* action) { tbaMain_ButtonClick(action->objectName()); });
}

void frmMain::BuildPanels() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("frmMainClient"));
    setCentralWidget(central);

    Frame1 = new QGroupBox(QStringLiteral("Search"), central);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(7, 4, 780, 190);
    cmdSearch = new QPushButton(QStringLiteral("Search"), Frame1);
    cmdSearch->setObjectName(QStringLiteral("cmdSearch"));
    connect(cmdSearch, &QPushButton::clicked, this, [this] {
        StartSearch(*this);
        EnableConvert(*this, false);
    });
    searchPanel = new SearchPanel(Frame1, cmdSearch);

    fraVolume = new QGroupBox(QStringLiteral("Volume"), central);
    fraVolume->setObjectName(QStringLiteral("fraVolume"));
    auto* volumeLayout = new QVBoxLayout(fraVolume);
    volumeLayout->setSpacing(2);
    const auto addVolume = [&](const char* name, const QString& text) {
        auto* option = new QRadioButton(text, fraVolume);
        option->setObjectName(QString::fromLatin1(name));
        volumeLayout->addWidget(option);
        connect(option, &QRadioButton::clicked, this, &frmMain::VolumeOptionClicked);
        return option;
    };
    Option1 = addVolume("Option1", QStringLiteral("X 1"));
    Option2 = addVolume("Option2", QStringLiteral("X 2"));
    Option3 = addVolume("Option3", QStringLiteral("X 3"));
    auto* ownRow = new QHBoxLayout;
    Option4 = new QRadioButton(QStringLiteral("X"), fraVolume);
    Option4->setObjectName(QStringLiteral("Option4"));
    connect(Option4, &QRadioButton::clicked, this, &frmMain::VolumeOptionClicked);
    Text1 = new QLineEdit(fraVolume);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setMaximumWidth(60);
    ownRow->addWidget(Option4);
    ownRow->addWidget(Text1);
    volumeLayout->addLayout(ownRow);
    Option1->setChecked(true);
    Text1->setEnabled(false);

    fraFormat = new QGroupBox(QStringLiteral("Format"), central);
    fraFormat->setObjectName(QStringLiteral("fraFormat"));
    auto* formatLayout = new QVBoxLayout(fraFormat);
    optWav = new QRadioButton(QStringLiteral("WAVE"), fraFormat);
    optWav->setObjectName(QStringLiteral("optWav"));
    optMp3 = new QRadioButton(QStringLiteral("MP3"), fraFormat);
    optMp3->setObjectName(QStringLiteral("optMp3"));
    formatLayout->addWidget(optWav);
    formatLayout->addWidget(optMp3);

    lvData = new QTreeView(central);
    lvData->setObjectName(QStringLiteral("lvData"));
    lvData->setRootIsDecorated(false);
    lvData->setUniformRowHeights(true);
    lvData->setAlternatingRowColors(true);
    lvData->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvData->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvData->setContextMenuPolicy(Qt::CustomContextMenu);
    lvDataModel = new CallListModel(lvData);
    lvData->setModel(lvDataModel);
    playerPanel = new PlayerPanel(lvData, lvDataModel, central);
}

void frmMain::Load(bool runSignIn) {
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    }
    ApplyMainFonts();
    ApplyMainTexts();
    playerPanel->ApplyTexts();
    FillSearchPanel(*this);
    SetAccessibleNames();
    FitListColumns();
    UpdateMinimumSize();
    SetPanelText(1, LibStr(str::Ready));
    SetPanelText(2, LibStr(str::PanelTwoStart));
    SetPanelText(3, LibStr(str::MessageTitle));
    // Selecting an option runs its click handler.
    if (PrjPublicM().Mp3Output != 0)
        optMp3->click();
    else
        optWav->click();
    Layout();
    show();
    EnableCommands(*this, false);
    EnableCatalogueCommands(*this, false);
    EnableConvert(*this, false);
    if (runSignIn)
        SignIn(*this);
}

QAction* frmMain::ToolbarButton(const QString& key) const {
    for (QAction* action : tbaMain->actions())
        if (action->objectName() == key)
            return action;
    return nullptr;
}

void frmMain::tbaMain_ButtonClick(const QString& key) {
    if (key == u"Sign_In")
        SignIn(*this);
    else if (key == u"Sign_Out")
        SignOut(*this);
    else if (key == u"Modify_Password")
        ModifyPassword(*this);
    else if (key == u"Open_DB")
        OpenCatalogue(*this);
    else if (key == u"Search_Start")
        StartSearch(*this);
    else if (key == u"Convert_Start")
        ConvertCommand(*this);
    else if (key == u"Write_Comment")
        WriteComment(*this);
    else if (key == u"Copy_RECs")
        CopyRecordingsCommand(*this);
    else if (key == u"Make_DB")
        MakeCatalogue(*this);
    else if (key == u"Play_Rec")
        PlayRecCommand(*this);
    else if (key == u"Delete_CF")
        DeleteCardRecordings(*this);
    else if (key == u"Exit")
        close();
}

void frmMain::Layout() {
    QWidget* client = centralWidget();
    // W - 2200 twips for the search panel leaves the option frames their
    // design width; a language whose captions need more takes it from the
    // panel.
    const int w = client->width();
    const int twips = w * kTwipsPerPixel;
    const int optionsWidth = OptionFramesWidth(fraVolume, fraFormat);
    const int frameWidth = qMin((twips - 2200) / kTwipsPerPixel, w - Frame1->x() - 4 - optionsWidth - kMargin);
    // The option frames share the panel's height, each at least its own.
    const int volumeNeed = fraVolume->minimumSizeHint().height();
    const int formatNeed = fraFormat->minimumSizeHint().height();
    const int frameHeight = qMax(Frame1->height(), volumeNeed + 4 + formatNeed);
    Frame1->resize(qMax(0, frameWidth), frameHeight);
    const int volumeLeft = Frame1->x() + Frame1->width() + 50 / kTwipsPerPixel + 1;
    const int volumeHeight = qBound(volumeNeed, frameHeight * 3 / 5, frameHeight - 4 - formatNeed);
    fraVolume->setGeometry(volumeLeft, Frame1->y(), qMax(0, w - volumeLeft - kMargin), volumeHeight);
    fraFormat->setGeometry(volumeLeft, fraVolume->geometry().bottom() + 5, fraVolume->width(),
                           frameHeight - volumeHeight - 4);

    const int listTop = Frame1->geometry().bottom() + 1 + kGap;
    const int listHeight = client->height() - listTop - BelowListHeight();
    lvData->setGeometry(kMargin, listTop, qMax(0, (twips - 200) / kTwipsPerPixel), qMax(0, listHeight));
    if (playerPanel)
        playerPanel->setGeometry(kMargin, lvData->geometry().bottom() + 1 + kGap, lvData->width(),
                                 playerPanel->sizeHint().height());
}

int frmMain::BelowListHeight() const {
    // The player panel, while shown, takes its height from the list's.
    const bool player = playerPanel && playerPanel->isVisibleTo(this);
    return kMargin + (player ? playerPanel->sizeHint().height() + kGap : 0);
}

void frmMain::UpdateMinimumSize() {
    // Client area: the panel at its natural width beside the option frames;
    // in height the panel and a list of a few lines. Menu bar, toolbar and
    // status bar are measured, not assumed.
    Layout();  // the panel's height follows the option frames' captions
    const int optionsWidth = OptionFramesWidth(fraVolume, fraFormat);
    const int clientWidth = Frame1->x() + Frame1->minimumSizeHint().width() + 4 + optionsWidth + kMargin;
    const int listMinimum = lvData->header()->sizeHint().height() + 5 * lvData->fontMetrics().height() +
                            lvData->horizontalScrollBar()->sizeHint().height() + 2 * lvData->frameWidth();
    const int clientHeight = Frame1->y() + Frame1->height() + kGap + listMinimum + BelowListHeight();
    const int chrome = menuBar()->sizeHint().height() + tbaMain->sizeHint().height() + statusBar()->sizeHint().height();
    setMinimumSize(qMax(640, clientWidth), qMax(480, clientHeight + chrome));
}

void frmMain::VolumeOptionClicked() { Text1->setEnabled(Option4->isChecked()); }

void frmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Layout();
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        unloaded_ = true;
        UnloadMain(*this);
    }
    event->accept();
}

void frmMain::SetPanelText(int panel, const QString& text) {
    if (panel >= 1 && panel <= 3)
        panels_[panel - 1]->setText(text);
}

QString frmMain::PanelText(int panel) const {
    return panel >= 1 && panel <= 3 ? panels_[panel - 1]->text() : QString();
}

}  // namespace qlm
