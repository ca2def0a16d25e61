// Numbers read from texts the user typed, as the original runtime read them.
#pragma once

#include <QString>

namespace qlm {

// The number the text starts with, as Basic's Val reads it: blanks skipped,
// a sign, digits, a decimal point and an exponent; 0 when there is none
// ("12" -> 12, " 7x" -> 7, "x" -> 0).
double ValOf(const QString& text);

}  // namespace qlm
