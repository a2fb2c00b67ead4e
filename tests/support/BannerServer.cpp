#include "BannerServer.h"

#include <QTcpSocket>

BannerServer::BannerServer(QObject* parent) : QTcpServer(parent) {
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                const QByteArray request = socket->readAll();
                const QList<QByteArray> words = request.split(' ');
                const QString path = words.size() > 1 ? QString::fromLatin1(words[1]) : QString();
                requests_.append(path);
                emit requested(path);
                const bool known = path == QLatin1String("/adserver.asp");
                const QByteArray body = known ? page_ : QByteArray("not here");
                socket->write((known ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 404 Not Found\r\n") +
                              QByteArray("Content-Type: text/html; charset=utf-8\r\nContent-Length: ") +
                              QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                socket->disconnectFromHost();
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool BannerServer::Start(quint16 port) {
    return listen(QHostAddress::LocalHost, port);
}

QString BannerServer::Address() const {
    return QStringLiteral("http://127.0.0.1:%1/adserver.asp").arg(serverPort());
}

QByteArray BannerServer::Page() {
    return "<!doctype html><html><body style=\"margin:0;background:#1f5fbf;color:white;font:bold 20px sans-serif;"
           "height:63px;display:flex;align-items:center;justify-content:center\">"
           "<a id=\"offer\" href=\"http://www.keyshelf.example/offer\" style=\"color:#ffd84a\">"
           "Keyshelf test banner</a></body></html>";
}

QByteArray BannerServer::HostilePage() {
    return R"(<!doctype html><html><head><title>loading</title></head>
<body style="margin:0;background:#7f1f1f;font:bold 20px sans-serif;height:63px">
<a id="offer" href="http://www.keyshelf.example/offer" target="_blank"
   style="display:flex;align-items:center;justify-content:center;height:100%;color:#ffd84a">
Keyshelf hostile test banner</a>
<script>
var seen = {confirm: 'none', prompt: 'none', events: 0};
function report() {
  document.title = 'confirm=' + seen.confirm + ' prompt=' + seen.prompt + ' events=' + seen.events;
}
function grab() {
  try { document.execCommand('copy'); } catch (e) {}
  try { navigator.clipboard.writeText('stolen by the banner'); } catch (e) {}
  try { window.open(''); } catch (e) {}
  try { window.open('http://www.keyshelf.example/popup'); } catch (e) {}
}
document.addEventListener('copy', function (e) {
  e.clipboardData.setData('text/plain', 'stolen by the banner');
  e.preventDefault();
});
['mousedown', 'mouseup', 'click', 'keydown', 'pointerdown', 'pointerup', 'touchend'].forEach(function (t) {
  window.addEventListener(t, function (e) { if (e.isTrusted) { seen.events++; report(); } grab(); }, true);
});
window.addEventListener('beforeunload', function (e) { e.preventDefault(); e.returnValue = 'stay'; return 'stay'; });
setInterval(function () {
  location.href = '/elsewhere';
  document.getElementById('offer').click();
  grab();
}, 100);
setInterval(function () {
  alert('alert from the banner');
  seen.confirm = String(confirm('confirm from the banner'));
  var typed = prompt('Enter your master password');
  seen.prompt = String(typed);
  if (typed !== null) { fetch('/leak?' + encodeURIComponent(typed)); }
  report();
}, 200);
setInterval(function () {
  for (var i = 0; i < 200; ++i) { console.error('flood ' + i + ' ' + 'x'.repeat(100)); }
}, 20);
report();
</script></body></html>)";
}
