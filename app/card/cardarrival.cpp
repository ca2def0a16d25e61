#include "app/card/cardarrival.h"

#include <QStorageInfo>

#include "app/card/copy.h"
#include "platform/mountwatch.h"

namespace qlm {

CardVolume InspectVolume(const QString& root) {
    CardVolume card;
    card.root = root;
    const QStorageInfo storage(root);
    if (storage.isValid() && storage.rootPath() == root) {
        card.name = storage.name();
        if (card.name.isEmpty())
            card.name = QString::fromLocal8Bit(storage.device());
    }
    if (card.name.isEmpty())
        card.name = root;
    card.recordings = static_cast<int>(RecordingFilesIn(root, nullptr).size());
    return card;
}

CardArrival::CardArrival(QObject* parent) : QObject(parent) { Watch(new MountWatcher(this)); }

CardArrival::CardArrival(MountWatcher* watcher, QObject* parent) : QObject(parent) { Watch(watcher); }

void CardArrival::Watch(MountWatcher* watcher) {
    connect(watcher, &MountWatcher::Mounted, this, &CardArrival::OnMounted);
    connect(watcher, &MountWatcher::Unmounted, this, &CardArrival::OnUnmounted);
}

void CardArrival::OnMounted(const QString& root) {
    const CardVolume card = InspectVolume(root);
    if (card.recordings <= 0)
        return;
    cards_.append(card);
    emit CardArrived(card);
}

void CardArrival::OnUnmounted(const QString& root) {
    const qsizetype before = cards_.size();
    cards_.removeIf([&root](const CardVolume& card) { return card.root == root; });
    if (cards_.size() != before)
        emit CardRemoved(root);
}

}  // namespace qlm
