// A Qt generic plugin that the package test loads into the installed
// QLM6200 (QT_QPA_GENERIC_PLUGINS=qlmprobe): it walks a new user's first
// start as a user would, reporting each window on stderr. Sign in with the
// empty first password, cancel the copy and the catalogue dialogs, then close
// the main window so the program ends normally. Nothing of it is in the
// product.
#include <cstdio>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QGenericPlugin>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace {

class Probe : public QObject {
public:
    Probe() {
        connect(&timer_, &QTimer::timeout, this, &Probe::Look);
        timer_.start(100);
    }

private:
    void Report(const QString& what) {
        std::fprintf(stderr, "probe: %s\n", qPrintable(what));
        std::fflush(stderr);
    }

    void Shot(const QString& name) {
        if (shots_.isEmpty())
            return;
        if (QScreen* screen = QGuiApplication::primaryScreen())
            screen->grabWindow(0).save(QDir(shots_).filePath(QStringLiteral("%1-%2.png").arg(++shot_).arg(name)));
    }

    void Answer(QWidget* modal) {
        Shot(modal->objectName());
        if (modal->objectName() == u"frmSignin") {
            if (auto* submit = modal->findChild<QPushButton*>(QStringLiteral("cmdSubmit")))
                submit->click();
        } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        }
    }

    void Look() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != last_) {
            last_ = modal;
            seenModal_ = true;
            Report(QStringLiteral("shown ") + modal->objectName());
            // A picture waits until the window system has painted the dialog.
            QTimer::singleShot(shots_.isEmpty() ? 0 : 500, this, [this, target = QPointer<QWidget>(modal)] {
                if (target)
                    Answer(target);
            });
            return;
        }
        if (modal) {
            quiet_ = 0;
            return;
        }
        // Signed in, and no dialog for a second: the start-up's next dialog
        // may follow the sign-in a moment after it closed.
        if (!seenModal_ || closed_ || ++quiet_ < 10)
            return;
        // Signed in and idle: the main window is all that is left.
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* main = qobject_cast<QMainWindow*>(w); main && main->isVisible()) {
                if (hold_ > 0) {
                    // Idle for a while (a card may be plugged in meanwhile), then on.
                    Report(QStringLiteral("idle"));
                    timer_.stop();
                    QTimer::singleShot(hold_, this, [this] { timer_.start(); });
                    hold_ = 0;
                    return;
                }
                Shot(main->objectName());
                if (!shots_.isEmpty() && !aboutShown_) {
                    aboutShown_ = true;
                    if (auto* about = main->findChild<QAction*>(QStringLiteral("mnuAbout")))
                        QTimer::singleShot(0, about, &QAction::trigger);
                    return;
                }
                Report(QStringLiteral("closing ") + main->objectName());
                // Still looking: a dialog that opens now is answered too.
                closed_ = true;
                main->close();
                return;
            }
        }
    }

    QTimer timer_;
    QPointer<QWidget> last_;  // cleared when that dialog goes
    bool seenModal_ = false;
    QString shots_ = qEnvironmentVariable("QLMPROBE_SHOTS");
    int shot_ = 0;
    int hold_ = qEnvironmentVariableIntValue("QLMPROBE_HOLD_MS");
    bool aboutShown_ = false;
    int quiet_ = 0;  // looks in a row without a dialog
    bool closed_ = false;
};

class ProbePlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "probe.json")
public:
    QObject* create(const QString&, const QString&) override { return new Probe; }
};

}  // namespace

#include "probe.moc"
