// voxform's windows as other programs see them: the main window, its two
// text boxes and every message box are served through the window-message
// layer, so the main program can find them, type into them, press keys and
// answer the boxes.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>

#include "platform/winmsg_server.h"

class QLineEdit;
class QWidget;

namespace qlm::vf {

inline constexpr QStringView kFormClass = u"ThunderRT6FormDC";
inline constexpr QStringView kTextBoxClass = u"ThunderRT6TextBox";
inline constexpr QStringView kDialogClass = u"#32770";

class VfWindows {
public:
    // server may be null (nothing served, e.g. in tests of the form alone).
    explicit VfWindows(WindowServer* server);

    // The main window: its caption is its text, a close request closes it,
    // and keys go to it (or to the box it shows).
    WindowHandle AddMainWindow(QWidget* form);
    // A text box, child of the main window in the order of the calls.
    WindowHandle AddTextBox(QLineEdit* box);

    // Shows a modal message box with OK, served as a dialog while it is open.
    void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text);

    // Keystrokes to the active window of this program: the open box, else the
    // main window, to its focused control.
    void DeliverKeys(const QList<KeyStroke>& keys);

private:
    WindowServer* server_;
    QPointer<QWidget> main_;
    WindowHandle mainHandle_ = 0;
};

}  // namespace qlm::vf
