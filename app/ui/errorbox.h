#pragma once

#include <QString>

class QWidget;

namespace qlm {

struct Error;

// The common report of an error: OK box titled with library string 45, the
// error's number followed directly by its description. Clears the error.
void ShowErrorBox(Error* error, QWidget* parent = nullptr);

// A box titled with library string 45 and an OK button.
void ShowMessage(const QString& text, QWidget* parent = nullptr);

}  // namespace qlm
