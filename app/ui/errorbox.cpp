#include "app/ui/errorbox.h"

#include <QMessageBox>

#include "platform/error.h"
#include "app/strings/strlib.h"
#include "app/strings/strnames.h"

namespace qlm {

void ShowMessage(const QString& text, QWidget* parent) {
    QMessageBox::information(parent, LibStr(str::MessageTitle), text, QMessageBox::Ok);
}

void ShowErrorBox(Error* error, QWidget* parent) {
    if (!error)
        return;
    const QString text = error->BoxText();
    error->Clear();
    ShowMessage(text, parent);
}

}  // namespace qlm
