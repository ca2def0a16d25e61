// Answers the modal dialogs a command opens, in order, as a user would: each
// step gets the dialog that became the active modal window.
#pragma once

#include <functional>

#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

namespace qlm::test {

class ModalScript : public QObject {
public:
    using Step = std::function<void(QWidget*)>;
    explicit ModalScript(QList<Step> steps) : steps_(std::move(steps)) {
        connect(&timer_, &QTimer::timeout, this, &ModalScript::Poll);
        timer_.start(20);
    }
    bool Done() const { return steps_.isEmpty(); }

private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == last_ || steps_.isEmpty())
            return;
        last_ = modal;
        const Step step = steps_.takeFirst();
        step(modal);
    }
    QList<Step> steps_;
    QTimer timer_;
    QPointer<QWidget> last_;
};

// A step that presses a message box's button and keeps its text.
inline ModalScript::Step PressBox(QMessageBox::StandardButton button, QString* text = nullptr) {
    return [button, text](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box)
            return;
        if (text)
            *text = box->text();
        box->button(button)->click();
    };
}

// A step that types into an input box and presses OK.
inline ModalScript::Step AnswerInput(const QString& answer) {
    return [answer](QWidget* w) {
        if (auto* input = qobject_cast<QInputDialog*>(w)) {
            input->setTextValue(answer);
            input->accept();
        }
    };
}

}  // namespace qlm::test
