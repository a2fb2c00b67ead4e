// Shows a document read by RtfParser in a QTextDocument: one block per paragraph, each run with its
// bold, italic, underline, font family, point size and colour.
//
// Whatever the file holds, the document stays small enough for the help window to lay out at once: past
// any of the caps below it shows what came before and ends with kLeftOut. The caps lie far above any
// real help document: the shipped Help.rtf has 67 paragraphs, 95 runs, 4,600 characters and 4 fonts, and
// is 2,100 pixels tall at kLayoutWidth.
#pragma once

#include "RtfParser.h"

#include <QString>
#include <QTextFormat>

class QByteArray;
class QColor;
class QTextDocument;

namespace rtf {

// The most characters a paragraph shows; the rest of a longer one is cut off with an ellipsis.
inline constexpr int kMaxParagraph = 10000;
// The most runs a paragraph shows, cut off the same way: the layout of one paragraph grows faster than
// its number of format changes (9,000 take a third of a second).
inline constexpr int kMaxParagraphRuns = 1000;
// Type is shown at most this large (the largest size word processors list), so that one paragraph of
// kMaxParagraph characters is at most about a million pixels tall.
inline constexpr double kMaxPointSize = 72;

// Each paragraph is a block that layout visits and places: a few microseconds each.
inline constexpr int kMaxParagraphs = 20000;
// Each run is a fragment of its own format that layout shapes separately.
inline constexpr int kMaxRuns = 100000;
// Characters in all, tabs and line breaks among them.
inline constexpr int kMaxCharacters = 1000000;
// Each distinct font (family, size, bold, italic) is looked up and loaded once, which costs milliseconds.
inline constexpr int kMaxFonts = 100;
// Qt's text layout (6.4) stalls for minutes on a document more than about 8 million pixels tall: the
// document is cut at this height, measured at kLayoutWidth, narrower than the help window's view, so
// that the view shows it shorter still. Large type, wide glyphs and line breaks reach it before the
// counts above do.
inline constexpr double kMaxHeight = 2000000;
inline constexpr double kLayoutWidth = 400;

// The last paragraph of a document cut short by a cap.
inline const QString kLeftOut = QStringLiteral("The rest of the help is too long to show here and is left out.");

// Replaces the contents of `document` with `parsed`, within the caps above. Runs keep the document's
// default font family when they name none, and its default text colour when their colour is automatic.
// Returns false when the document was cut short.
bool Fill(QTextDocument& document, const Document& parsed);

// The colour a run has in the document, kept in its character format beside the colour it is shown in.
inline constexpr int kDocumentColour = QTextFormat::UserProperty + 1;

// Shows every run that has a colour of its own in that colour where it contrasts enough with `background`
// (the view's), and otherwise in the nearest colour of its hue that does (see contrast::Legible), with
// `text` (the view's text colour) as the last resort. Where every colour contrasts, as the shipped help's do
// on a light background, the document is left untouched. Call again when the view's palette changes.
void FitColours(QTextDocument& document, const QColor& background, const QColor& text);

// Reads `bytes` and fills `document` with them. Returns false, leaving `document` empty, when the bytes
// are not RTF.
bool Load(QTextDocument& document, const QByteArray& bytes);

} // namespace rtf
