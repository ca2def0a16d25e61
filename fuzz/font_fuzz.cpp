// Any text as a font entry of the string library ("Name, size, bold").
#include <cstdint>

#include <QString>

#include "app/strings/strlib.h"
#include "fuzz/fuzzutil.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qlm::FontEntry entry = qlm::ParseFontEntry(text);
    // The name is the text before the first comma, without its blanks.
    fuzz::Check(!entry.Name.contains(u','));
    fuzz::Check(entry.Name == entry.Name.trimmed());
    fuzz::Check(text.contains(entry.Name));
    // Without a comma there is neither size nor bold.
    if (!text.contains(u','))
        fuzz::Check(entry.Size == 0 && !entry.Bold);
    // The entry reads the same a second time, from its own written form.
    if (!entry.Name.isEmpty() && entry.Size > 0) {
        const QString written = entry.Name + QStringLiteral(", ") + QString::number(entry.Size) +
                                (entry.Bold ? QStringLiteral(", True") : QStringLiteral(", False"));
        const qlm::FontEntry again = qlm::ParseFontEntry(written);
        fuzz::Check(again.Name == entry.Name && again.Size == entry.Size && again.Bold == entry.Bold);
    }
    return 0;
}
