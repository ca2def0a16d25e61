// voxform: converts between the recorder's codec data and WAV files, by hand
// or driven through its window by the main program.
#include <QApplication>

#include <cstdio>

#include "platform/winmsg_server.h"
#include "voxform/frmVfTool.h"
#include "voxform/vfcore.h"
#include "voxform/vfwindows.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(qlm::vf::kVfToolTitle.toString());
    qlm::vf::CodecLibrary codec;  // libkvc.so beside the program, loaded on first use

    // Without its window served the program still works by hand.
    qlm::WindowServer server;
    QString error;
    const bool serving = server.Listen(&error);
    if (!serving)
        std::fprintf(stderr, "voxform: window messages unavailable: %s\n", qPrintable(error));
    qlm::vf::VfWindows windows(serving ? &server : nullptr);

    qlm::vf::frmVfTool form(codec, &windows);
    QObject::connect(&form, &qlm::vf::frmVfTool::ProgramEnds, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    form.show();
    return app.exec();
}
