// Notices the recorder's card when it is plugged in: a volume mounted while
// the program runs that holds recorder files at its root. Volumes mounted
// before the program started, and volumes without recordings, are ignored.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

namespace qlm {

class MountWatcher;

struct CardVolume {
    QString root;  // mount point
    QString name;  // the volume's label, else its device, else the mount point
    int recordings = 0;
};

// What one mounted folder holds: its name and how many recorder files are at
// its root (0 when it cannot be read).
CardVolume InspectVolume(const QString& root);

class CardArrival : public QObject {
    Q_OBJECT
public:
    // Watches the system's mount table.
    explicit CardArrival(QObject* parent = nullptr);
    // Watches the given watcher instead (tests); it must outlive this object.
    CardArrival(MountWatcher* watcher, QObject* parent);

    // Cards mounted since the start and still mounted, oldest first.
    const QList<CardVolume>& Cards() const { return cards_; }

signals:
    void CardArrived(const qlm::CardVolume& card);
    void CardRemoved(const QString& root);

private:
    void Watch(MountWatcher* watcher);
    void OnMounted(const QString& root);
    void OnUnmounted(const QString& root);

    QList<CardVolume> cards_;
};

}  // namespace qlm
