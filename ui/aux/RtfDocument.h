// Shows a document read by RtfParser in a QTextDocument: one block per paragraph, each run with its
// bold, italic, underline, font family, point size and colour.
#pragma once

#include "RtfParser.h"

class QByteArray;
class QTextDocument;

namespace rtf {

// The most characters a paragraph shows; the rest of a longer one is cut off with an ellipsis.
inline constexpr int kMaxParagraph = 10000;

// Replaces the contents of `document` with `parsed`. Runs keep the document's default font family when
// they name none, and its default text colour when their colour is automatic.
void Fill(QTextDocument& document, const Document& parsed);

// Reads `bytes` and fills `document` with them. Returns false, leaving `document` empty, when the bytes
// are not RTF.
bool Load(QTextDocument& document, const QByteArray& bytes);

} // namespace rtf
