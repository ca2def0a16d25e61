#include "app/ui/applyfont.h"

#include <QWidget>

#include "app/strings/strlib.h"

namespace qlm {

void ApplyFont(QWidget* control, int entry) {
    const FontEntry* font = LibFont(entry);
    if (!control || !font)
        return;
    QFont f = control->font();
    if (!font->Name.isEmpty())
        f.setFamily(font->Name);
    if (font->Size >= 1)
        f.setPointSize(font->Size);
    f.setBold(font->Bold);
    control->setFont(f);
}

}  // namespace qlm
