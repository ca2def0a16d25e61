#include "app/catalogue/tempfolder.h"

#include <QDir>

#include "platform/appfolder.h"

namespace qlm {

QString GetTempFolder() {
    const QString folder = JoinPath(ApplicationFolder(), QStringLiteral("temp/"));
    QDir().mkpath(folder);
    return folder;
}

}  // namespace qlm
