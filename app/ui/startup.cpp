#include "app/ui/startup.h"

#include <cstdio>

#include <QApplication>
#include <QDirIterator>
#include <QIcon>
#include <QMessageBox>

#include "app/prjpublic.h"
#include "app/strings/strlib.h"
#include "app/ui/frmMain.h"
#include "platform/appfolder.h"

namespace qlm {
namespace {

void ShowFatal(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
    QMessageBox box(QMessageBox::Critical, QString(), text, QMessageBox::Ok);
    box.setObjectName(QStringLiteral("fatalBox"));
    box.exec();
}

}  // namespace

QIcon ApplicationIcon() {
    QIcon icon;
    QDirIterator sizes(QStringLiteral(":/qlm6200"), {QStringLiteral("qlm6200-*.png")});
    while (sizes.hasNext())
        icon.addFile(sizes.next());
    return icon;
}

int LoadStringLibraryOrFail() {
    const QString file = JoinPath(ApplicationFolder(), QString::fromLatin1(kStringLibraryFile));
    switch (LoadStringLibrary(file, QString::fromLatin1(kStringLibrarySection))) {
    case StringLibraryStatus::Loaded:
        return 0;
    case StringLibraryStatus::NoFileName:
        ShowFatal(FatalNoLibraryText());
        return kExitFatalStrings;
    case StringLibraryStatus::NoStrings:
        ShowFatal(FatalNoStringsText());
        return kExitFatalStrings;
    }
    return kExitFatalStrings;
}

int RunProgram(QApplication& app) {
    PrjPublicState& state = PrjPublicM();
    state.CataloguePath.clear();
    state.SourceFolder.clear();
    state.DestinationFolder.clear();
    state.RecordingsFolder.clear();
    // The desktop entry's name ties the windows to the menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.qlm6200.QLM6200"));
    QApplication::setWindowIcon(ApplicationIcon());
    if (const int status = LoadStringLibraryOrFail())
        return status;
    frmMain window;
    window.Load();
    state.AllChecked = false;
    state.Mp3Output = 0;
    // Closing the window ends the program, also when the sign-in was left.
    if (!window.isVisible())
        return 0;
    return app.exec();
}

}  // namespace qlm
