#include "RtfParser.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

#ifndef KEYSHELF_HELP_RTF
#error "KEYSHELF_HELP_RTF must name the Help.rtf of the source tree"
#endif

namespace {

using rtf::Parse;

// Every paragraph's text, one line each.
std::string Text(const rtf::Document& doc) {
    std::string text;
    for (std::size_t p = 0; p < doc.paragraphs.size(); ++p) {
        text += (p > 0 ? "\n" : "") + doc.paragraphs[p].Text();
    }
    return text;
}

std::vector<rtf::Run> ParsedRuns(std::string_view rtf) {
    std::vector<rtf::Run> runs;
    for (const rtf::Paragraph& p : Parse(rtf).paragraphs) {
        runs.insert(runs.end(), p.runs.begin(), p.runs.end());
    }
    return runs;
}

// A run in the format a document starts with.
rtf::Run Plain(std::string text) {
    rtf::Run run;
    run.text = std::move(text);
    return run;
}

bool IsValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const int len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        if (len == 0 || i + len > s.size()) {
            return false;
        }
        char32_t c = len == 1 ? b : b & (0x7F >> len);
        for (int k = 1; k < len; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
                return false;
            }
            c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        }
        const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < least[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            return false;
        }
        i += len;
    }
    return true;
}

TEST(RtfParser, OnlyRtfIsRead) {
    EXPECT_TRUE(Parse(" \r\n\t{\\rtf1 Hi}").isRtf);
    EXPECT_EQ(Text(Parse(" \r\n\t{\\rtf1 Hi}")), "Hi");
    for (const char* other : {"", "   ", "Hello", "<html>{\\rtf1 x}</html>", "\xEF\xBB\xBF{\\rtf1 x}", "{\\rt"}) {
        const rtf::Document doc = Parse(other);
        EXPECT_FALSE(doc.isRtf) << other;
        EXPECT_TRUE(doc.paragraphs.empty()) << other;
    }
}

TEST(RtfParser, ParagraphsLinesAndTabs) {
    EXPECT_EQ(Text(Parse("{\\rtf1 one\\par two\\par\\par four\\par}")), "one\ntwo\n\nfour");
    EXPECT_EQ(Text(Parse("{\\rtf1 a\\line b\\tab c}")), "a\u2028b\tc");
    // Raw line ends are not text; a backslash before one is a paragraph mark.
    EXPECT_EQ(Text(Parse("{\\rtf1 wo\r\nrd\\\nnext}")), "word\nnext");
    // One space after a control word is its delimiter; more spaces are text.
    EXPECT_EQ(Text(Parse("{\\rtf1 \\b  x\\b0 y\\tab\\tab z}")), " xy\t\tz");
    EXPECT_EQ(Parse("{\\rtf1 x\\par}").paragraphs.size(), 1u);
}

TEST(RtfParser, FormatTogglesAndGroupScope) {
    std::vector<std::string> seen; // text, then B, I and U for each format that is on
    for (const rtf::Run& r : ParsedRuns("{\\rtf1 a{\\b b{\\i c\\ul d\\ulnone e\\ul f\\ul0 g}h}\\i i\\i0\\b j}")) {
        seen.push_back(r.text + (r.bold ? "B" : "") + (r.italic ? "I" : "") + (r.underline ? "U" : ""));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "bB", "cBI", "dBIU", "eBI", "fBIU", "gBI", "hB", "iI", "jB"}));

    // \plain resets the character format, \pard does not; adjacent text of one format is one run.
    const auto reset = ParsedRuns("{\\rtf1 \\b\\i\\fs40 a\\pard b\\plain c}");
    ASSERT_EQ(reset.size(), 2u);
    EXPECT_EQ(reset[0].text, "ab");
    EXPECT_EQ(reset[0].halfPoints, 40);
    EXPECT_EQ(reset[1], Plain("c"));
}

TEST(RtfParser, FontAndColourTables) {
    const auto runs = ParsedRuns("{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0\\fswiss{\\*\\panose 020b0604}Verdana;}"
                                 "{\\f1\\fmodern Courier New{\\*\\falt Courier};}\\f2 Caf\\'e9;}"
                                 "{\\colortbl ;\\red0\\green0\\blue255;\\red255\\green128\\blue0;}\n"
                                 "a\\f0\\fs28\\cf1 b{\\f2\\cf2 c}\\cf0 d\\cf9 e\\f7 f\\plain g}");
    ASSERT_EQ(runs.size(), 6u);
    EXPECT_EQ(runs[0].font, "Courier New"); // \deff
    EXPECT_EQ(runs[0].colour, rtf::kAutoColour);
    EXPECT_EQ(runs[0].halfPoints, 24);
    EXPECT_EQ(runs[1].font, "Verdana");
    EXPECT_EQ(runs[1].colour, 0x0000FFu);
    EXPECT_EQ(runs[1].halfPoints, 28);
    EXPECT_EQ(runs[2].font, "Café");
    EXPECT_EQ(runs[2].colour, 0xFF8000u);
    EXPECT_EQ(runs[3].text, "de"); // automatic, and an index past the table
    EXPECT_EQ(runs[3].colour, rtf::kAutoColour);
    EXPECT_EQ(runs[4].font, "");
    EXPECT_EQ(runs[5].font, "Courier New");
    EXPECT_EQ(runs[5].halfPoints, 24);
}

TEST(RtfParser, Windows1252Escapes) {
    EXPECT_EQ(Text(Parse("{\\rtf1 \\'80 \\'e9\\'E9 \\'8a\\'9f \\'93q\\'94 \\'85}")), "€ éé ŠŸ “q” …");
    EXPECT_EQ(Text(Parse("{\\rtf1 \\'81\\'8d\\'8f\\'90\\'9d}")), "\u0081\u008D\u008F\u0090\u009D");
    // Hex digits in capitals, in either place.
    EXPECT_EQ(Text(Parse("{\\rtf1 \\'FC\\'fC\\'Fc\\'8A\\'9F\\'AB}")), "üüüŠŸ«");
    EXPECT_EQ(Text(Parse("{\\rtf1 raw \x80\xE9\x8A}")), "raw €éŠ");
}

TEST(RtfParser, UnicodeEscapesSkipTheirFallback) {
    EXPECT_EQ(Text(Parse("{\\rtf1 \\u8364?, \\u8364\\'80!}")), "€, €!");
    EXPECT_EQ(Text(Parse("{\\rtf1 \\uc0\\u8364 x}")), "€x");
    EXPECT_EQ(Text(Parse("{\\rtf1 \\uc2\\u8364\\'80?x}")), "€x");
    EXPECT_EQ(Text(Parse("{\\rtf1 {\\uc3 \\u233 abc}\\u233 xy}")), "ééy"); // \uc is scoped to its group
    EXPECT_EQ(Text(Parse("{\\rtf1 \\uc5\\u233 a{b}}")), "éb");             // fallback ends at a brace
    EXPECT_EQ(Text(Parse("{\\rtf1 \\u-3913?}")), "\uF0B7");
    EXPECT_EQ(Text(Parse("{\\rtf1 \\u-10179?\\u-8704?}")), "😀"); // a surrogate pair
    EXPECT_EQ(Text(Parse("{\\rtf1 \\u-10179?x\\u-8704?}")), "\uFFFDx\uFFFD");
}

TEST(RtfParser, EscapedAndNamedCharacters) {
    EXPECT_EQ(Text(Parse("{\\rtf1 \\\\ \\{ \\} a\\~b co\\-op x\\_y}")), "\\ { } a\u00A0b coop x\u2011y");
    EXPECT_EQ(Text(Parse("{\\rtf1 \\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote}")), "—–•‘’“”");
}

TEST(RtfParser, DestinationsWithoutTextAreSkipped) {
    EXPECT_EQ(Text(Parse("{\\rtf1{\\*\\generator Riched20 10.0;}{\\info{\\title T}{\\author A}}"
                         "{\\stylesheet{\\s1 Heading 1;}}{\\*\\unknown {nested} text}"
                         "{\\pict\\pngblip 89504e470d0a}{\\header H}{\\footer F}"
                         "{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt shown}}{\\fldinst hidden}"
                         "{\\object{\\objdata 0102}}{\\*\\themedata 504b}{\\listtable{\\list x}}a\\madeup12 b}")),
              "shownab");
    // Binary data is skipped whole, braces and all.
    EXPECT_EQ(Text(Parse("{\\rtf1 a{\\pict\\bin4 }{\\}b}c}")), "ac");
    // {\upr} carries an ANSI copy and a Unicode copy: only the Unicode one is shown.
    EXPECT_EQ(Text(Parse("{\\rtf1 {\\upr{ansi}{\\*\\ud{uni\\u233?}}}}")), "unié");
}

TEST(RtfParser, MalformedInputGivesWhatCouldBeRead) {
    EXPECT_EQ(Text(Parse("{\\rtf1 {\\b open {never closed")), "open never closed");
    EXPECT_EQ(Text(Parse("{\\rtf1 kept} ignored}")), "kept");
    EXPECT_EQ(Text(Parse("{\\rtf1 a\\'4")), "a");
    EXPECT_EQ(Text(Parse("{\\rtf1 a\\'4x\\'")), "ax");
    EXPECT_EQ(Text(Parse("{\\rtf1 a\\")), "a");
    EXPECT_EQ(Text(Parse("{\\rtf1 a\\u b\\u")), "ab");
    EXPECT_EQ(Text(Parse("{\\rtf1 a\\bin99999999999999")), "a");
    EXPECT_EQ(Text(Parse("{\\rtf1 \\u99999999999? \\u-99999999999? x}")), "\uFFFD \uFFFD x");
    const auto huge = ParsedRuns("{\\rtf1 \\fs99999999999 a\\fs-5 b\\cf99999999999 c\\f-99999999999 d}");
    ASSERT_EQ(huge.size(), 2u);
    EXPECT_EQ(huge[0].halfPoints, 3276);
    EXPECT_EQ(huge[1].text, "bcd");
    EXPECT_EQ(huge[1].halfPoints, 24);
}

TEST(RtfParser, DeepNestingIsBounded) {
    EXPECT_EQ(Text(Parse("{\\rtf1 a" + std::string(100000, '{') + "b")), "ab");
    // Below the depth cap every group still restores its format.
    const std::string deep = std::string(20000, '{') + "\\b x" + std::string(20000, '}');
    const auto runs = ParsedRuns("{\\rtf1 \\i" + deep + "y}");
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_TRUE(runs[0].bold);
    rtf::Run italic = Plain("y");
    italic.italic = true;
    EXPECT_EQ(runs[1], italic);
}

TEST(RtfParser, LargeDocumentIsReadInOnePass) {
    std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Verdana;}}";
    const std::string line = "Some {\\b bold} text, \\'e9 and \\u8364? in a line of the help.\\par\n";
    std::size_t lines = 0;
    for (; rtf.size() < 20u * 1024 * 1024; ++lines) {
        rtf += line;
    }
    rtf += "}";
    const rtf::Document doc = Parse(rtf);
    ASSERT_EQ(doc.paragraphs.size(), lines);
    EXPECT_EQ(doc.paragraphs.back().Text(), "Some bold text, é and € in a line of the help.");
}

TEST(RtfParser, RandomBytesGiveValidText) {
    std::mt19937 random(1234);
    const std::string alphabet = "{}\\'*;- abuc0123456789fsparlinbdeh\x80\xE9\r\n";
    for (int round = 0; round < 2000; ++round) {
        std::string input = "{\\rtf1 ";
        const std::size_t length = random() % 400;
        for (std::size_t k = 0; k < length; ++k) {
            input += round % 2 ? static_cast<char>(random()) : alphabet[random() % alphabet.size()];
        }
        for (const rtf::Paragraph& p : Parse(input).paragraphs) {
            for (const rtf::Run& run : p.runs) {
                ASSERT_FALSE(run.text.empty());
                ASSERT_TRUE(IsValidUtf8(run.text)) << input;
            }
        }
    }
}

TEST(HelpDocument, ReadsWithEveryHeading) {
    std::ifstream file(KEYSHELF_HELP_RTF, std::ios::binary);
    ASSERT_TRUE(file) << KEYSHELF_HELP_RTF;
    std::stringstream bytes;
    bytes << file.rdbuf();
    const std::string source = bytes.str();
    const rtf::Document doc = Parse(source);
    ASSERT_TRUE(doc.isRtf);
    EXPECT_TRUE(std::all_of(source.begin(), source.end(), [](char c) { return c > 0; }))
        << "non-ASCII must be written as \\'hh";

    std::vector<std::string> headings;
    for (const rtf::Paragraph& p : doc.paragraphs) {
        for (const rtf::Run& run : p.runs) {
            EXPECT_EQ(run.font, "Verdana") << run.text;
            EXPECT_EQ(run.text.find_first_of("\\{}"), std::string::npos) << run.text;
        }
        if (p.runs.size() == 1 && p.runs[0].bold && p.runs[0].halfPoints > 20) {
            headings.push_back(p.runs[0].text);
        }
    }
    const std::vector<std::string> expected = {"Welcome to Keyshelf",
                                               "Your master password",
                                               "The main window",
                                               "The buttons",
                                               "The menus",
                                               "Sorting the list",
                                               "Finding an entry",
                                               "Generating a password",
                                               "Using the keyboard",
                                               "Bringing passwords in, taking them out",
                                               "Saving",
                                               "Locking and the clipboard",
                                               "Your data file and what protects it",
                                               "This help window"};
    EXPECT_EQ(headings, expected);
}

} // namespace
