#include "Banner.h"
#include "ProcessHardening.h"
#include "Startup.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    ProcessHardening::EnsureStandardDescriptors();
    ProcessHardening::Harden();
    PrepareWebEngine();
    QApplication app(argc, argv);
    return Startup::Run(app);
}
