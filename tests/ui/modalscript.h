// Drives modal dialogs from a test: steps run in order, each on the next
// modal window it matches; the action is posted, so a message box that it
// opens is answered by the next step. Other dialogs that turn up (commands
// of other concerns run after a sign-in) are cancelled and noted; a dialog
// the test itself shows modally is left alone when it is named among the
// script's own.
#pragma once

#include <functional>

#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QQueue>
#include <QStringList>
#include <QTimer>

namespace qlm::test {

class ModalScript : public QObject {
public:
    using Match = std::function<bool(QWidget*)>;
    using Action = std::function<void(QWidget*)>;

    // Names of the dialogs the script itself answers; others get cancelled.
    explicit ModalScript(QStringList own = {QStringLiteral("frmSignin"), QStringLiteral("frmChangepwd")})
        : own_(std::move(own)) {
        connect(&timer_, &QTimer::timeout, this, &ModalScript::Poll);
        timer_.start(5);
        clock_.start();
    }

    void On(const QString& objectName, Action action) {
        When([objectName](QWidget* w) { return w->objectName() == objectName; }, std::move(action));
    }
    void When(Match match, Action action) { steps_.enqueue({std::move(match), std::move(action)}); }
    // The next message box with that button: its text is appended to
    // messages(), then the button is pressed.
    void AnswerMessage(QMessageBox::StandardButton button = QMessageBox::Ok) {
        When(
            [button](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                return box && box->button(button);
            },
            [this, button](QWidget* w) {
                auto* box = static_cast<QMessageBox*>(w);
                messages_ << box->text();
                box->button(button)->click();
            });
    }
    // The next input box: the text typed in, then OK.
    void AnswerInput(const QString& text) {
        When([](QWidget* w) { return qobject_cast<QInputDialog*>(w) != nullptr; },
             [text](QWidget* w) {
                 auto* input = static_cast<QInputDialog*>(w);
                 input->setTextValue(text);
                 input->accept();
             });
    }

    bool done() const { return steps_.isEmpty() && !busy_; }
    const QStringList& messages() const { return messages_; }
    const QStringList& cancelled() const { return cancelled_; }

private:
    struct Step {
        Match match;
        Action action;
    };

    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        // A step may take its time with its dialog (wait for it to read a
        // folder); that dialog is its own until it returns.
        if (!modal || busy_ || modal == acting_)
            return;
        // A script that went wrong must not leave the test waiting forever.
        if (clock_.hasExpired(20000)) {
            if (auto* stuck = qobject_cast<QDialog*>(modal)) {
                cancelled_ << QStringLiteral("timeout:") + stuck->objectName();
                stuck->reject();
            }
            return;
        }
        if (!steps_.isEmpty() && steps_.head().match(modal)) {
            Step step = steps_.dequeue();
            busy_ = true;
            QPointer<QWidget> target(modal);
            QTimer::singleShot(0, this, [this, step, target] {
                busy_ = false;
                if (!target)
                    return;
                const QPointer<QWidget> outer = acting_;
                acting_ = target;
                step.action(target);
                acting_ = outer;
            });
            return;
        }
        auto* dialog = qobject_cast<QDialog*>(modal);
        // Once the script is through, boxes of other commands are answered.
        if (auto* box = qobject_cast<QMessageBox*>(modal); box && steps_.isEmpty() && box != lastCancelled_) {
            cancelled_ << QStringLiteral("message:") + box->text();
            lastCancelled_ = box;
            QTimer::singleShot(0, box, &QDialog::reject);
            return;
        }
        if (dialog && dialog != lastCancelled_ && !qobject_cast<QMessageBox*>(modal) &&
            !own_.contains(modal->objectName())) {
            cancelled_ << modal->objectName();
            lastCancelled_ = dialog;
            QTimer::singleShot(0, dialog, &QDialog::reject);
        }
    }

    QStringList own_;
    QQueue<Step> steps_;
    QTimer timer_;
    bool busy_ = false;
    QPointer<QWidget> acting_;
    QPointer<QWidget> lastCancelled_;
    QElapsedTimer clock_;
    QStringList messages_;
    QStringList cancelled_;
};

}  // namespace qlm::test
