#include "voxform/vfwindows.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

namespace qlm::vf {

namespace {
// Window order means nothing without a screen; offscreen Qt warns about it.
bool HasWindowOrder() { return QGuiApplication::platformName() != u"offscreen"; }
}  // namespace

VfWindows::VfWindows(WindowServer* server) : server_(server) {
    if (!server_)
        return;
    server_->SetKeyHandler([this](const QList<KeyStroke>& keys) { DeliverKeys(keys); });
    server_->SetActivateHandler([this] {
        QWidget* target = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : main_.data();
        if (!target)
            return false;
        if (HasWindowOrder())
            target->raise();
        target->activateWindow();
        return true;
    });
}

WindowHandle VfWindows::AddMainWindow(QWidget* form) {
    main_ = form;
    if (!server_)
        return 0;
    QPointer<QWidget> w(form);
    ServedWindow served;
    served.windowClass = kFormClass.toString();
    served.text = [w] { return w ? w->windowTitle() : QString(); };
    served.setText = [w](const QString& text) {
        if (w)
            w->setWindowTitle(text);
    };
    served.close = [w] {
        if (w)
            w->close();
    };
    served.setPosition = [w](int x, int y, bool toBottom) {
        if (!w)
            return;
        w->move(x, y);
        w->show();
        if (toBottom && HasWindowOrder())
            w->lower();
    };
    mainHandle_ = server_->Add(form, 0, served);
    return mainHandle_;
}

WindowHandle VfWindows::AddTextBox(QLineEdit* box) {
    if (!server_)
        return 0;
    QPointer<QLineEdit> b(box);
    ServedWindow served;
    served.windowClass = kTextBoxClass.toString();
    served.text = [b] { return b ? b->text() : QString(); };
    served.setText = [b](const QString& text) {
        if (b)
            b->setText(text);
    };
    return server_->Add(box, mainHandle_, served);
}

void VfWindows::ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text) {
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("msgBox"));
    WindowHandle handle = 0;
    if (server_) {
        QPointer<QMessageBox> b(&box);
        ServedWindow served;
        served.windowClass = kDialogClass.toString();
        served.text = [b] { return b ? b->windowTitle() : QString(); };
        served.close = [b] {
            if (b)
                b->reject();
        };
        handle = server_->Add(&box, 0, served);
    }
    box.exec();
    if (server_)
        server_->Remove(handle);
}

void VfWindows::DeliverKeys(const QList<KeyStroke>& keys) {
    for (const KeyStroke& key : keys) {
        QWidget* window = QApplication::activeModalWidget();
        if (!window)
            window = QApplication::activeWindow() ? QApplication::activeWindow() : main_.data();
        if (!window)
            return;
        // Shortcuts (Alt+D) only fire in the active window.
        if (QApplication::activeWindow() != window)
            window->activateWindow();
        // An access key clicks its button at once, as the window's own
        // accelerator does; the shortcut route would click only after the
        // button's press animation, when the keys already count as handled.
        if (key.modifiers == Qt::AltModifier) {
            const QKeySequence wanted(QKeyCombination(Qt::AltModifier, static_cast<Qt::Key>(key.key)));
            const QList<QAbstractButton*> buttons = window->findChildren<QAbstractButton*>();
            QAbstractButton* match = nullptr;
            int matches = 0;
            for (QAbstractButton* button : buttons) {
                if (button->isVisibleTo(window) && button->window() == window &&
                    QKeySequence::mnemonic(button->text()) == wanted) {
                    match = button;
                    ++matches;
                }
            }
            if (matches == 1) {
                if (match->isEnabled())
                    match->click();
                continue;
            }
        }
        QPointer<QWidget> receiver = window->focusWidget() ? window->focusWidget() : window;
        QKeyEvent press(QEvent::KeyPress, key.key, key.modifiers, key.text);
        QCoreApplication::sendEvent(receiver, &press);
        if (receiver) {
            QKeyEvent release(QEvent::KeyRelease, key.key, key.modifiers, key.text);
            QCoreApplication::sendEvent(receiver, &release);
        }
    }
}

}  // namespace qlm::vf
