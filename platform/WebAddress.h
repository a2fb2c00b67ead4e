// The rules for addresses handed to the browser and the desktop's opener: a text that names no web scheme
// gets "http://" in front. Go To applies them to locations that look like web addresses, the website
// button to the product's site.
#pragma once

#include <QString>

namespace webAddress {

// True when the text holds "http://" or "https://" anywhere, in any letter case.
bool NamesWebScheme(const QString& text);

// The text as it is when it names a web scheme, else "http://" followed by it.
QString WithWebScheme(const QString& text);

// True when the text begins with a scheme of any kind ("mailto:", "ftp:", "file:"): a letter, then letters,
// digits, "+", "-" or ".", then ":" followed by anything but a digit, so that "host:8080" names none.
bool NamesScheme(const QString& text);

// True when the whole text reads as a host name, optionally with a port and then a path, query or
// fragment: labels of letters, digits and hyphens (none at a label's start or end) joined by dots, at
// least two of them, the last of at least two letters ("example.fr", "mail.example.co.uk/inbox",
// "intranet.local:8080").
bool ReadsAsHostName(const QString& text);

// What Go To hands to the desktop's opener for a location. Two rules give it "http://" in front:
// - a location that holds ".edu", "biz", "org", ".net", ".com" or "www" anywhere, in any letter case,
//   and names no web scheme (the rule stored entries were written for, kept as it is);
// - a location that names no scheme and reads as a host name.
// Anything else goes as it is: an absolute path (it begins with "/", so never reads as a host name), a
// "file://" or other scheme, a text with spaces. A relative text is never taken for a file: it would be
// found from whatever folder Keyshelf was started in, so one that reads as a host name is a host.
QString GotoTarget(const QString& location);

} // namespace webAddress
