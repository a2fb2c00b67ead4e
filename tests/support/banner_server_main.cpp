// Serves the banner test page on 127.0.0.1:PORT until killed, printing each path asked for. With a second
// argument "hostile" it serves the hostile page instead.
#include "BannerServer.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    BannerServer server;
    if (argc > 2 && QByteArray(argv[2]) == "hostile") {
        server.SetPage(BannerServer::HostilePage());
    }
    const quint16 port = argc > 1 ? static_cast<quint16>(QByteArray(argv[1]).toUShort()) : 0;
    if (!server.Start(port)) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%u\n", port);
        return 1;
    }
    QObject::connect(&server, &BannerServer::requested, [](const QString& path) {
        std::printf("%s\n", qPrintable(path));
        std::fflush(stdout);
    });
    std::printf("listening %u\n", server.serverPort());
    std::fflush(stdout);
    return app.exec();
}
