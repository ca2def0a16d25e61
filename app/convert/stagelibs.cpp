#include "app/convert/stagelibs.h"

#include <QFile>

#include "gainpass/gainpass.h"
#include "mpegpack/mpegpack.h"
#include "platform/appfolder.h"
#include "platform/libloader.h"

namespace qlm {
namespace {

struct Bound {
    SharedLibrary library;
    QString error;
};

// The library of the application folder, loaded on first use. Once loaded it
// stays, even when a test later points the application folder elsewhere.
Bound& Slot(const char* name) {
    static Bound gainPass;
    static Bound mpegPack;
    return qstrcmp(name, kGainPassLibrary) == 0 ? gainPass : mpegPack;
}

SharedLibrary* Library(const char* name) {
    Bound& bound = Slot(name);
    if (!bound.library.IsLoaded()) {
        if (!bound.library.Load(JoinPath(ApplicationFolder(), QString::fromLatin1(name)))) {
            bound.error = QStringLiteral("%1: %2").arg(QString::fromLatin1(name), bound.library.ErrorText());
            return nullptr;
        }
        bound.error.clear();
    }
    return &bound.library;
}

template <typename F>
F Bind(const char* library, const char* function) {
    SharedLibrary* lib = Library(library);
    return lib ? lib->Function<F>(function) : nullptr;
}

}  // namespace

int CallSkipCopy(int offset, const QString& source, const QString& destination) {
    const auto f = Bind<decltype(&skipCopy)>(kGainPassLibrary, "skipCopy");
    return f ? f(offset, QFile::encodeName(source).constData(), QFile::encodeName(destination).constData())
             : kStageLibraryMissing;
}

int CallGainPass(const QString& source, const QString& destination, int level) {
    const auto f = Bind<decltype(&GainPass)>(kGainPassLibrary, "GainPass");
    return f ? f(QFile::encodeName(source).constData(), QFile::encodeName(destination).constData(), level)
             : kStageLibraryMissing;
}

int CallMpegPack(const QString& source, const QString& destination, int mp3Option) {
    const auto f = Bind<decltype(&MpegPack)>(kMpegPackLibrary, "MpegPack");
    return f ? f(QFile::encodeName(source).constData(), QFile::encodeName(destination).constData(), mp3Option)
             : kStageLibraryMissing;
}

QString StageLibraryError(const char* library) { return Slot(library).error; }

}  // namespace qlm
