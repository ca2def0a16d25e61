#include "app/ui/errorbox.h"

#include <QMessageBox>

#include "app/error.h"
#include "app/strings/strlib.h"

namespace qlm {

void ShowMessage(const QString& text, QWidget* parent) {
    QMessageBox::information(parent, LibStr(45), text, QMessageBox::Ok);
}

void ShowErrorBox(Error* error, QWidget* parent) {
    if (!error)
        return;
    const QString text = error->BoxText();
    error->Clear();
    ShowMessage(text, parent);
}

}  // namespace qlm
