#include "BannerView.h"
#include "Startup.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    PrepareWebEngine();
    QApplication app(argc, argv);
    return Startup::Run(app);
}
