#include "app/ui/frmSelect.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStorageInfo>

#include "app/card/library.h"
#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"
#include "app/ui/applyfont.h"
#include "app/ui/errorbox.h"
#include "app/ui/keyboard.h"
#include "platform/appfolder.h"
#include "platform/shellopen.h"

namespace qlm {
namespace {

constexpr int kTwips = 15;  // twips to a pixel

QRect Twips(int left, int top, int width, int height) {
    return QRect(left / kTwips, top / kTwips, width / kTwips, height / kTwips);
}

VolumeLister& Lister() {
    static VolumeLister lister;
    return lister;
}

QVector<Volume> MountedVolumes() {
    QVector<Volume> out;
    const QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo& v : volumes) {
        if (!v.isValid())
            continue;
        const QString name = v.displayName() == v.rootPath() ? QString::fromLocal8Bit(v.device()) : v.displayName();
        out.push_back({v.rootPath(), QString::fromLocal8Bit(v.fileSystemType()) + u' ' + name});
    }
    std::sort(out.begin(), out.end(), [](const Volume& a, const Volume& b) { return a.root < b.root; });
    return out;
}

QString Clean(const QString& path) { return QDir::cleanPath(path); }

bool IsWithin(const QString& folder, const QString& root) {
    const QString r = Clean(root);
    const QString f = Clean(folder);
    return f == r || r == u"/" || f.startsWith(r + u'/');
}

// The volume a folder lies on: the one with the longest root that holds it;
// -1 when none does.
int VolumeHolding(const QVector<Volume>& volumes, const QString& folder) {
    int best = -1;
    for (int i = 0; i < volumes.size(); ++i)
        if (IsWithin(folder, volumes[i].root) &&
            (best < 0 || Clean(volumes[i].root).size() > Clean(volumes[best].root).size()))
            best = i;
    return best;
}

// A volume that can be listed now (a card reader without a card cannot).
bool VolumeReady(const QString& root) {
    const QFileInfo info(root);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

}  // namespace

// ---- DirListBox --------------------------------------------------------------

DirListBox::DirListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { SetPath(item->data(Qt::UserRole).toString(), root_); });
}

QString DirListBox::Path() const {
    if (path_.isEmpty())
        return QString();
    // A volume's root keeps its separator, as a drive's root does.
    if (Clean(path_) == Clean(root_))
        return path_.endsWith(u'/') ? path_ : path_ + u'/';
    return path_;
}

void DirListBox::SetPath(const QString& folder, const QString& root) {
    QString target = Clean(folder);
    root_ = Clean(root);
    if (!IsWithin(target, root_))
        target = root_;
    // A folder that went away: its nearest existing parent.
    while (target != root_ && !QFileInfo(target).isDir())
        target = Clean(target + QStringLiteral("/.."));
    path_ = target;

    clear();
    QStringList chain;
    for (QString p = path_;; p = Clean(p + QStringLiteral("/.."))) {
        chain.prepend(p);
        if (p == root_ || p == u"/")
            break;
    }
    int level = 0;
    for (const QString& p : chain) {
        const QString name = p == root_ ? (root_.endsWith(u'/') ? root_ : root_ + u'/') : QFileInfo(p).fileName();
        auto* item = new QListWidgetItem(QString(level * 2, u' ') + name, this);
        item->setData(Qt::UserRole, p);
        ++level;
    }
    setCurrentRow(count() - 1);
    const QStringList children =
        QDir(path_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& child : children) {
        auto* item = new QListWidgetItem(QString(level * 2, u' ') + child, this);
        item->setData(Qt::UserRole, JoinPath(path_, child));
    }
    emit PathChanged(Path());
}

// ---- FileListBox -------------------------------------------------------------

FileListBox::FileListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void FileListBox::SetFolder(const QString& folder) {
    folder_ = folder;
    clear();
    // The pattern "*.mp3;*.wav", matched without regard to case.
    const QStringList all = QDir(folder).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : all) {
        if (name.endsWith(u".mp3", Qt::CaseInsensitive) || name.endsWith(u".wav", Qt::CaseInsensitive))
            addItem(name);
    }
    setCurrentRow(-1);
}

QString FileListBox::SelectedName() const {
    const QList<QListWidgetItem*> items = selectedItems();
    return items.isEmpty() ? QString() : items.first()->text();
}

// ---- frmSelect ---------------------------------------------------------------

void frmSelect::SetVolumeLister(VolumeLister lister) { Lister() = std::move(lister); }

QVector<Volume> frmSelect::Volumes() { return Lister() ? Lister()() : MountedVolumes(); }

frmSelect::frmSelect(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSelect"));
    setModal(true);

    fraSource = new QGroupBox(QStringLiteral("Source"), this);
    fraSource->setObjectName(QStringLiteral("fraSource"));
    drvSource = new QComboBox(fraSource);
    drvSource->setObjectName(QStringLiteral("drvSource"));
    dirSource = new DirListBox(fraSource);
    dirSource->setObjectName(QStringLiteral("dirSource"));

    fraDest = new QGroupBox(QStringLiteral("Destination"), this);
    fraDest->setObjectName(QStringLiteral("fraDest"));
    drvDest = new QComboBox(fraDest);
    drvDest->setObjectName(QStringLiteral("drvDest"));
    dirDest = new DirListBox(fraDest);
    dirDest->setObjectName(QStringLiteral("dirDest"));

    fraPlayFile = new QGroupBox(QStringLiteral("Files"), this);
    fraPlayFile->setObjectName(QStringLiteral("fraPlayFile"));
    filPlay = new FileListBox(fraPlayFile);
    filPlay->setObjectName(QStringLiteral("filPlay"));

    cmdSubmit = new QPushButton(QStringLiteral("OK"), this);
    cmdSubmit->setObjectName(QStringLiteral("cmdSubmit"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdNewFloder = new QPushButton(QStringLiteral("New Folder"), this);
    cmdNewFloder->setObjectName(QStringLiteral("cmdNewFloder"));
    // Enter in a folder list opens the folder; it must not end the dialog.
    for (QPushButton* b : {cmdSubmit, cmdCancel, cmdNewFloder}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    // Design positions, in twips.
    fraSource->setGeometry(Twips(120, 120, 3300, 3450));
    drvSource->setGeometry(Twips(120, 300, 3060, 330));
    dirSource->setGeometry(Twips(120, 700, 3060, 2450));
    fraDest->setGeometry(Twips(3540, 120, 3300, 3450));
    drvDest->setGeometry(Twips(120, 300, 3060, 330));
    dirDest->setGeometry(Twips(120, 700, 3060, 2450));
    fraPlayFile->setGeometry(Twips(3540, 120, 3300, 3450));
    filPlay->setGeometry(Twips(120, 300, 3060, 3000));
    cmdSubmit->setGeometry(Twips(400, 3700, 1000, 420));
    cmdCancel->setGeometry(Twips(2100, 3700, 1000, 420));
    cmdNewFloder->setGeometry(Twips(5000, 3700, 1500, 420));
    setFixedSize(7000 / kTwips, 4700 / kTwips);

    connect(dirSource, &DirListBox::PathChanged, this, [this](const QString& path) { filPlay->SetFolder(path); });
    connect(drvSource, &QComboBox::activated, this, [this] { DriveChanged(drvSource, dirSource, &sourceDrive_); });
    connect(drvDest, &QComboBox::activated, this, [this] { DriveChanged(drvDest, dirDest, &destDrive_); });
    connect(cmdSubmit, &QPushButton::clicked, this, &frmSelect::cmdSubmit_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSelect::cmdCancel_Click);
    connect(cmdNewFloder, &QPushButton::clicked, this, &frmSelect::cmdNewFloder_Click);

    const int mode = PrjPublicM().SelectMode;
    FillDrives();
    // Copies go to the user's library, not beside the card's files.
    if (mode == 0)
        StartDestinationAt(DefaultLibraryFolder());
    Layout(mode);
    if (parent) {
        const QRect main = parent->window()->frameGeometry();
        move(main.left() + main.width() / 2 - width() / 2, main.top() + main.height() / 2 - height() / 2);
    }
    ApplyTexts(mode);
}

void frmSelect::FillDrives() {
    volumes_ = Volumes();
    // Both lists start on the process's current folder and its volume.
    const QString current = QDir::currentPath();
    for (int i = 0; i < volumes_.size(); ++i) {
        const QString label = volumes_[i].name.isEmpty()
                                  ? volumes_[i].root
                                  : volumes_[i].root + QStringLiteral("  [") + volumes_[i].name + u']';
        drvSource->addItem(label);
        drvDest->addItem(label);
    }
    const int best = VolumeHolding(volumes_, current);
    if (best < 0)
        return;
    drvSource->setCurrentIndex(best);
    drvDest->setCurrentIndex(best);
    sourceDrive_ = destDrive_ = best;
    dirSource->SetPath(current, volumes_[best].root);
    dirDest->SetPath(current, volumes_[best].root);
}

void frmSelect::StartSourceAt(const QString& folder) { StartAt(drvSource, dirSource, &sourceDrive_, folder); }

void frmSelect::StartDestinationAt(const QString& folder) { StartAt(drvDest, dirDest, &destDrive_, folder); }

void frmSelect::StartAt(QComboBox* drives, DirListBox* dirs, int* drive, const QString& folder) {
    const int best = folder.isEmpty() ? -1 : VolumeHolding(volumes_, folder);
    if (best < 0)
        return;
    drives->setCurrentIndex(best);
    *drive = best;
    dirs->SetPath(folder, volumes_[best].root);
}

void frmSelect::DriveChanged(QComboBox* drives, DirListBox* dirs, int* previous) {
    const int index = drives->currentIndex();
    if (index < 0 || index >= volumes_.size())
        return;
    const QString root = volumes_[index].root;
    while (!VolumeReady(root)) {
        const auto answer = QMessageBox::question(this, LibStr(str::MessageTitle),
                                                  LibStr(str::DriveNotReady) + u'\n' + LibStr(str::InsertCard) + u'\n',
                                                  QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
        if (answer != QMessageBox::Ok) {
            // Given up: the list stays on its previous drive and folder.
            const QSignalBlocker block(drives);
            drives->setCurrentIndex(*previous);
            return;
        }
    }
    *previous = index;
    dirs->SetPath(root, root);
}

void frmSelect::Layout(int mode) {
    const auto hide = [](std::initializer_list<QWidget*> widgets) {
        for (QWidget* w : widgets)
            w->hide();
    };
    const auto left = [](QWidget* w, int twips) { w->move(twips / kTwips, w->y()); };
    switch (mode) {
    case 0:
        hide({fraPlayFile, filPlay});
        left(cmdSubmit, 400);
        left(cmdCancel, 2100);
        left(cmdNewFloder, 5000);
        dirDest->resize(dirDest->width(), 2610 / kTwips);
        break;
    case 1:
        hide({fraPlayFile, filPlay, fraSource, drvSource, dirSource});
        left(fraDest, 50);
        setFixedWidth(4500 / kTwips);
        left(cmdSubmit, 300);
        left(cmdCancel, 1400);
        left(cmdNewFloder, 2600);
        break;
    case 2:
        hide({fraDest, drvDest, dirDest, cmdNewFloder});
        filPlay->SetFolder(dirSource->Path());
        left(cmdSubmit, 2000);
        left(cmdCancel, 5000);
        break;
    case 3:
        hide({fraPlayFile, filPlay, fraDest, drvDest, dirDest, cmdNewFloder});
        setFixedHeight(4200 / kTwips);
        left(cmdSubmit, 400);
        left(cmdCancel, 2300);
        break;
    case 4:
        // The narrowed form would show a sliver of the destination frame.
        hide({cmdNewFloder, fraDest, drvDest, dirDest});
        setFixedWidth(4000 / kTwips);
        left(cmdSubmit, 600);
        left(cmdCancel, 2400);
        break;
    default:
        break;
    }
    if (mode != 2)
        fraPlayFile->hide();
    // No empty band under the buttons.
    setFixedHeight(qMin(height(), cmdSubmit->geometry().bottom() + 1 + 10));
}

void frmSelect::ApplyTexts(int mode) {
    ApplyFont(this, 2);
    for (QWidget* w :
         {static_cast<QWidget*>(fraSource), static_cast<QWidget*>(fraDest), static_cast<QWidget*>(fraPlayFile),
          static_cast<QWidget*>(dirSource), static_cast<QWidget*>(dirDest)})
        ApplyFont(w, 2);
    for (QWidget* w : {cmdSubmit, cmdCancel, cmdNewFloder})
        ApplyFont(w, 1);
    static const int kCaptions[] = {str::CopyRecordings, str::ConvertRecordings, str::PlayRecording,
                                    str::BuildCatalogue, str::DeleteCardRecordings};
    static const char* const kDesign[] = {"Copy RECs", "Convert", "Play", "Make DB", "Delete CF"};
    if (mode >= 0 && mode <= 4)
        setWindowTitle(LibStr(kCaptions[mode], QString::fromLatin1(kDesign[mode])));
    fraSource->setTitle(LibStr(str::SourceFolder, fraSource->title()));
    fraDest->setTitle(LibStr(str::DestinationFolder, fraDest->title()));
    fraPlayFile->setTitle(LibStr(str::ConvertedFiles, fraPlayFile->title()));
    cmdSubmit->setText(LibStr(str::Ok, cmdSubmit->text()));
    cmdCancel->setText(LibStr(str::Cancel, cmdCancel->text()));
    cmdNewFloder->setText(LibStr(str::NewFolder, cmdNewFloder->text()));
    const QString drive = LibStr(str::Drive, QStringLiteral("Drive"));
    const QString folders = LibStr(str::Folders, QStringLiteral("Folders"));
    SetAccessibleName(drvSource, {fraSource->title(), drive});
    SetAccessibleName(dirSource, {fraSource->title(), folders});
    SetAccessibleName(drvDest, {fraDest->title(), drive});
    SetAccessibleName(dirDest, {fraDest->title(), folders});
    SetAccessibleName(filPlay, {fraPlayFile->title()});

    // Buttons at least as wide as their captions in this language, left to
    // right without touching.
    int right = 0;
    for (QPushButton* b : {cmdSubmit, cmdCancel, cmdNewFloder}) {
        if (b->isHidden())
            continue;
        b->setGeometry(qMax(b->x(), right + 6), b->y(), qMax(b->width(), b->sizeHint().width()), b->height());
        right = b->geometry().right() + 1;
    }
    if (right > width())
        setFixedWidth(right + 8);
}

void frmSelect::cmdSubmit_Click() {
    PrjPublicState& state = PrjPublicM();
    switch (state.SelectMode) {
    case 0:
        // A catalogue built on the card would lose its recordings to the
        // next wipe of the card.
        if (IsSameOrInside(dirDest->Path(), dirSource->Path())) {
            ShowMessage(LibStr(str::DestinationOnCard), this);
            return;
        }
        state.SourceFolder = dirSource->Path();
        state.DestinationFolder = dirDest->Path();
        break;
    case 1:
        state.SourceFolder.clear();
        state.DestinationFolder = dirDest->Path();
        break;
    case 2: {
        state.SourceFolder.clear();
        state.DestinationFolder.clear();
        const QString name = filPlay->SelectedName();
        if (!name.isEmpty()) {
            // Played with the desktop's default player; the dialog stays for
            // the next file.
            ShellOpen(JoinPath(filPlay->Folder(), name), QStringLiteral("/"));
            return;
        }
        break;
    }
    case 3:
        state.SourceFolder = dirSource->Path();
        state.DestinationFolder.clear();
        break;
    case 4:
        state.SourceFolder = dirSource->Path();
        break;
    default:
        break;
    }
    accept();
}

void frmSelect::cmdCancel_Click() {
    PrjPublicM().SourceFolder.clear();
    PrjPublicM().DestinationFolder.clear();
    reject();
}

void frmSelect::cmdNewFloder_Click() {
    const QString prompt = LibStr(str::NewFolderName, QStringLiteral("New Folder"));
    bool ok = false;
    const QString answer = QInputDialog::getText(this, prompt, prompt, QLineEdit::Normal, QString(), &ok);
    if (!ok || answer.trimmed().isEmpty())
        return;
    MakeFolder(JoinPath(dirDest->Path(), answer));
    dirDest->Refresh();
}

void MakeFolder(const QString& path) { QDir().mkdir(path); }

}  // namespace qlm
