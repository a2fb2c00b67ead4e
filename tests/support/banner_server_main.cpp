// Serves the banner's test cases on 127.0.0.1:PORT until killed, printing each path asked for. The second
// argument names the case (BannerServer::SetCase); the test page when there is none.
#include "BannerServer.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    BannerServer server;
    if (argc > 2 && !server.SetCase(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "no case %s; the cases: %s\n", argv[2], qPrintable(BannerServer::Cases().join(' ')));
        return 2;
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
