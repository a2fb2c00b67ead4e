#include "WebAddress.h"

#include <QRegularExpression>
#include <algorithm>
#include <iterator>

namespace webAddress {

bool NamesWebScheme(const QString& text) {
    return text.contains(QLatin1String("https://"), Qt::CaseInsensitive) ||
           text.contains(QLatin1String("http://"), Qt::CaseInsensitive);
}

QString WithWebScheme(const QString& text) {
    return NamesWebScheme(text) ? text : QStringLiteral("http://") + text;
}

bool NamesScheme(const QString& text) {
    static const QRegularExpression scheme(QStringLiteral("\\A[A-Za-z][A-Za-z0-9+.-]*:(?![0-9])"));
    return scheme.match(text).hasMatch();
}

bool ReadsAsHostName(const QString& text) {
    // A label: a letter or digit, then up to 62 more with hyphens only inside. Letters include those of
    // other alphabets, as a host name is typed in them ("bücher.example").
    static const QRegularExpression host(QStringLiteral(
        "\\A(?:[\\p{L}0-9](?:[\\p{L}0-9-]{0,61}[\\p{L}0-9])?\\.)+\\p{L}{2,63}" // labels, then a last of letters
        "(?::[0-9]{1,5})?"                                                     // a port
        "(?:[/?#]\\S*)?\\z"));                                                 // a path, query or fragment
    return host.match(text).hasMatch();
}

QString GotoTarget(const QString& location) {
    static const char* const kMarkers[] = {".edu", "biz", "org", ".net", ".com", "www"};
    const bool marked = std::any_of(std::begin(kMarkers), std::end(kMarkers), [&](const char* marker) {
        return location.contains(QLatin1String(marker), Qt::CaseInsensitive);
    });
    if (marked) {
        return WithWebScheme(location);
    }
    if (!NamesScheme(location) && ReadsAsHostName(location)) {
        return QStringLiteral("http://") + location;
    }
    return location;
}

} // namespace webAddress
