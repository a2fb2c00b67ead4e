#include "WebAddress.h"

namespace webAddress {

bool NamesWebScheme(const QString& text) {
    return text.contains(QLatin1String("https://"), Qt::CaseInsensitive) ||
           text.contains(QLatin1String("http://"), Qt::CaseInsensitive);
}

QString WithWebScheme(const QString& text) {
    return NamesWebScheme(text) ? text : QStringLiteral("http://") + text;
}

} // namespace webAddress
