#include "platform/userstate.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "platform/appfolder.h"
#include "platform/runfolder.h"
#include "platform/filename.h"

namespace qlm {
namespace {

constexpr char kOwnFolder[] = "qlm6200";

QString HomeFolder() {
    const QString home = qEnvironmentVariable("HOME");
    if (!home.isEmpty())
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return DecodeName(entry->pw_dir);
    return QDir::tempPath();
}

// An XDG base folder: the variable when it holds an absolute path (relative
// ones are invalid and ignored), else its default under the home folder.
QString XdgFolder(const char* variable, const char* underHome) {
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return JoinPath(HomeFolder(), QString::fromLatin1(underHome));
}

// Creates every missing folder of the path owner-only; existing folders keep
// their modes (the user may have chosen them).
void MakePrivatePath(const QString& path) {
    const QStringList parts = QDir::cleanPath(path).split(u'/', Qt::SkipEmptyParts);
    QString at;
    for (const QString& part : parts) {
        at += u'/' + part;
        ::mkdir(EncodeName(at).constData(), 0700);
    }
}

}  // namespace

bool IsPortableFolder(const QString& folder) {
    if (QFile::exists(JoinPath(folder, QString::fromLatin1(kSharedInstallationMarker))))
        return false;
    return ::access(EncodeName(folder).constData(), W_OK) == 0 ||
           QFile::exists(JoinPath(folder, QString::fromLatin1(kPasswordFileName)));
}

StateFolders UserStateFolders() {
    const QString app = ApplicationFolder();
    StateFolders folders;
    if (IsPortableFolder(app)) {
        folders.settings = app;
        folders.work = JoinPath(app, QStringLiteral("temp"));
        return folders;
    }
    const QString own = QString::fromLatin1(kOwnFolder);
    folders.perUser = true;
    folders.settings = JoinPath(XdgFolder("XDG_CONFIG_HOME", ".config"), own);
    const QString cache = JoinPath(XdgFolder("XDG_CACHE_HOME", ".cache"), own);
    folders.work = JoinPath(cache, QStringLiteral("temp"));
    // Decoded calls are as private as the password: both folders owner-only.
    MakePrivatePath(folders.settings);
    MakePrivatePath(cache);
    return folders;
}

QString ProcessWorkFolder() {
    const QString work = UserStateFolders().work;
    const QString own = RunFolderIn(work);
    return own.isEmpty() ? work : own;
}

void EmptyWorkFolder(bool releaseOwn) {
    const QString work = UserStateFolders().work;
    TidyWorkFolder(work, true);
    if (releaseOwn)
        ReleaseRunFolder();
}

}  // namespace qlm
