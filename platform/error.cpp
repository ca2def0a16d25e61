#include "platform/error.h"

namespace qlm {

Error FileError(int number, const QString& path, const QString& reason) {
    QString text = path;
    if (!reason.isEmpty())
        text += QStringLiteral(": ") + reason;
    return Error{number, text};
}

}  // namespace qlm
