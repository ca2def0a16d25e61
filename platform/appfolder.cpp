#include "platform/appfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace qlm {
namespace {

QString& OverrideFolder() {
    static QString folder;
    return folder;
}

QString ExecutableFolder() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    // No application object yet (tests, early start-up): ask the kernel.
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

}  // namespace

QString ApplicationFolder() {
    const QString& folder = OverrideFolder();
    return folder.isEmpty() ? ExecutableFolder() : folder;
}

void SetApplicationFolder(const QString& folder) {
    QString cleaned = folder;
    while (cleaned.size() > 1 && (cleaned.endsWith(u'/') || cleaned.endsWith(u'\\')))
        cleaned.chop(1);
    OverrideFolder() = cleaned;
}

QString JoinPath(const QString& folder, const QString& name) {
    if (folder.isEmpty())
        return name;
    QString tail = name;
    while (tail.startsWith(u'/') || tail.startsWith(u'\\'))
        tail.remove(0, 1);
    if (folder.endsWith(u'/') || folder.endsWith(u'\\'))
        return folder + tail;
    return folder + u'/' + tail;
}

}  // namespace qlm
