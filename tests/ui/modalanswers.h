// Answers the modal dialogs a command opens, in order, as a user would: each
// step gets the dialog that became the active modal window, and returns false
// when that is not the dialog it answers (it is then offered the next one).
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
    using Step = std::function<bool(QWidget*)>;
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
        if (!steps_.first()(modal))
            return;
        last_ = modal;
        steps_.removeFirst();
    }
    QList<Step> steps_;
    QTimer timer_;
    QPointer<QWidget> last_;
};

// A step that presses a message box's button and keeps its text.
inline ModalScript::Step PressBox(QMessageBox::StandardButton button, QString* text = nullptr) {
    return [button, text](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box || !box->button(button))
            return false;
        if (text)
            *text = box->text();
        box->button(button)->click();
        return true;
    };
}

// A step that types into an input box and presses OK.
inline ModalScript::Step AnswerInput(const QString& answer) {
    return [answer](QWidget* w) {
        auto* input = qobject_cast<QInputDialog*>(w);
        if (!input)
            return false;
        input->setTextValue(answer);
        input->accept();
        return true;
    };
}

}  // namespace qlm::test
