#include <QApplication>

#include "app/ui/startup.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return qlm::RunProgram(app);
}
