// The one rule for addresses handed to the browser: a text that names no web scheme gets "http://" in
// front. Go To applies it to locations that look like web addresses, the website button to the product's
// site.
#pragma once

#include <QString>

namespace webAddress {

// True when the text holds "http://" or "https://" anywhere, in any letter case.
bool NamesWebScheme(const QString& text);

// The text as it is when it names a web scheme, else "http://" followed by it.
QString WithWebScheme(const QString& text);

} // namespace webAddress
