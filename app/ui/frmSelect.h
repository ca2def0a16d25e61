// The folder dialog: picks the card's folder, a destination folder, or a
// converted file to play. The caller sets SelectMode (0-4), shows the dialog
// modally and reads SourceFolder / DestinationFolder afterwards.
#pragma once

#include <functional>

#include <QComboBox>
#include <QDialog>
#include <QListWidget>
#include <QVector>

class QGroupBox;
class QPushButton;

namespace qlm {

// A mounted volume: the "drives" of the drive lists.
struct Volume {
    QString root;  // mount point, e.g. "/" or "/media/card"
    QString name;  // shown beside it
};
using VolumeLister = std::function<QVector<Volume>()>;

// The folders of one volume as a list: the chain from the volume's root to
// the open folder, then the open folder's subfolders. Activating an entry
// opens it. Path() is the open folder: a volume's root ends with "/", any
// other folder does not.
class DirListBox : public QListWidget {
    Q_OBJECT
public:
    explicit DirListBox(QWidget* parent = nullptr);
    QString Path() const;
    // Opens the folder (within the volume of root); re-reads its subfolders.
    void SetPath(const QString& folder, const QString& root);
    void Refresh() { SetPath(path_, root_); }
    QString Root() const { return root_; }

signals:
    void PathChanged(const QString& path);

private:
    QString path_;
    QString root_;
};

// The files of a folder that match the pattern (case ignored).
class FileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr);
    void SetFolder(const QString& folder);
    QString Folder() const { return folder_; }
    // The selected file's name, or "".
    QString SelectedName() const;

private:
    QString folder_;
};

class frmSelect : public QDialog {
    Q_OBJECT
public:
    // Lays itself out for PrjPublicM().SelectMode and centres on the parent.
    explicit frmSelect(QWidget* parent = nullptr);

    // The drive lists' volumes; tests replace them. An empty lister restores
    // the machine's mounted volumes.
    static void SetVolumeLister(VolumeLister lister);
    static QVector<Volume> Volumes();

    // Opens the source list on that folder and its volume (a card just
    // plugged in) instead of the current folder.
    void StartSourceAt(const QString& folder);
    // The destination list on that folder (and its drive), when it exists.
    void StartDestinationAt(const QString& folder);

    QGroupBox* fraSource = nullptr;
    QComboBox* drvSource = nullptr;
    DirListBox* dirSource = nullptr;
    QGroupBox* fraDest = nullptr;
    QComboBox* drvDest = nullptr;
    DirListBox* dirDest = nullptr;
    QGroupBox* fraPlayFile = nullptr;
    FileListBox* filPlay = nullptr;
    QPushButton* cmdSubmit = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdNewFloder = nullptr;

private:
    void Layout(int mode);
    void ApplyTexts(int mode);
    void FillDrives();
    void DriveChanged(QComboBox* drives, DirListBox* dirs, int* previous);
    // One list pair (drive, folders) on the folder, when a volume holds it.
    void StartAt(QComboBox* drives, DirListBox* dirs, int* drive, const QString& folder);
    void cmdSubmit_Click();
    void cmdCancel_Click();
    void cmdNewFloder_Click();

    QVector<Volume> volumes_;
    int sourceDrive_ = -1;
    int destDrive_ = -1;
};

// The new-folder routine: creates the folder; failures are ignored.
void MakeFolder(const QString& path);

}  // namespace qlm
