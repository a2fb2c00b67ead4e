// Our own reader for the small RTF subset the help window shows: paragraphs and line breaks, tabs, bold,
// italic, underline, font family, size and text colour. Plain C++ without Qt, so that it can be fuzzed on
// its own.
//
// Reading rules:
// - Input counts as RTF only when it starts, after optional whitespace, with "{\rtf". Anything else gives
//   an empty document with isRtf false: the help window shows nothing rather than raw bytes.
// - Text ends at the brace that closes the outer "{\rtf" group; whatever follows it is ignored.
// - Raw bytes and \'hh escapes are Windows-1252 (other \ansicpg code pages are read as 1252 too); \uN is
//   a Unicode escape followed by \ucN fallback characters that are skipped. Run text is always valid
//   UTF-8. Raw CR and LF are ignored; other C0 controls except tab are dropped.
// - \par (and \sect, \page, \row) end a paragraph, so "\par\par" leaves an empty paragraph between two
//   others. A paragraph with no text after the last \par is not kept.
// - \line puts U+2028 (line separator) into the run text, \tab and \cell a tab character.
// - Destinations that hold no visible text (font and colour tables aside) are skipped: every {\*...}
//   group, pictures, objects, headers and footers, document information, style and list tables, field
//   instructions (the field's shown result is kept), and others. Unknown control words are ignored.
// - Never throws for any bytes, and the work is linear in the input: group nesting is tracked on an
//   explicit stack capped at kMaxGroupDepth (deeper braces are counted, not stacked), numbers in control
//   words saturate within int, and malformed input (unbalanced braces, cut-off escapes) gives what could
//   be read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rtf {

// The colour of text drawn in the reader's default colour (\cf0 with the usual empty first table entry).
inline constexpr std::uint32_t kAutoColour = 0xFF000000;

// Font size when a document sets none: 12 pt.
inline constexpr int kDefaultHalfPoints = 24;

// Groups nested deeper than this keep the format of the deepest stacked group until they close.
inline constexpr std::size_t kMaxGroupDepth = 10000;

// The line break \line writes inside a paragraph.
inline constexpr std::string_view kLineBreak = "\u2028";

// A stretch of text in one format.
struct Run {
    std::string text; // UTF-8, never empty
    bool bold = false;
    bool italic = false;
    bool underline = false;
    std::string font;                    // family name from the font table, "" when none
    int halfPoints = kDefaultHalfPoints; // \fsN: size in half points
    std::uint32_t colour = kAutoColour;  // kAutoColour, or 0x00RRGGBB

    bool SameFormat(const Run& other) const {
        return bold == other.bold && italic == other.italic && underline == other.underline &&
               halfPoints == other.halfPoints && colour == other.colour && font == other.font;
    }
    friend bool operator==(const Run&, const Run&) = default;
};

// Adjacent runs of a paragraph always differ in format; an empty paragraph has no runs.
struct Paragraph {
    std::vector<Run> runs;

    std::string Text() const; // every run's text joined
};

struct Document {
    std::vector<Paragraph> paragraphs;
    bool isRtf = false;
};

Document Parse(std::string_view bytes);

} // namespace rtf
