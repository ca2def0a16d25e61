// Tells when volumes are mounted or unmounted. The kernel marks the mount
// table readable-with-priority when it changes, so the watcher sleeps until
// then: no timer, no polling.
#pragma once

#include <QObject>
#include <QStringList>

class QSocketNotifier;

namespace qlm {

class MountWatcher : public QObject {
    Q_OBJECT
public:
    // Watches the mount table at tablePath (tests may give another file;
    // such a file only changes when told through Rescan).
    explicit MountWatcher(QObject* parent = nullptr, const QString& tablePath = QStringLiteral("/proc/self/mounts"));
    ~MountWatcher() override;

    // True when the table could be opened and is watched.
    bool IsWatching() const { return notifier_ != nullptr; }

    // Mount points now, as the last look at the table found them.
    const QStringList& MountPoints() const { return points_; }

    // Reads the table again and reports what changed.
    void Rescan();

signals:
    void Mounted(const QString& mountPoint);
    void Unmounted(const QString& mountPoint);

private:
    QStringList ReadMountPoints() const;

    QString tablePath_;
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QStringList points_;
};

}  // namespace qlm
