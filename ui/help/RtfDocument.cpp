#include "RtfDocument.h"

#include "Contrast.h"

#include <QAbstractTextDocumentLayout>
#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextLayout>
#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace rtf {

namespace {

QTextCharFormat CharFormat(const Run& run) {
    QTextCharFormat format;
    format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(run.italic);
    format.setFontUnderline(run.underline);
    if (!run.font.empty()) {
        format.setFontFamilies(QStringList{QString::fromStdString(run.font)});
    }
    format.setFontPointSize(std::min(run.halfPoints / 2.0, kMaxPointSize));
    if (run.colour != kAutoColour) {
        const QColor colour = QColor::fromRgb(static_cast<QRgb>(run.colour | 0xFF000000u));
        format.setForeground(colour);
        format.setProperty(kDocumentColour, colour);
    }
    return format;
}

// What layout pays for once per distinct value: loading the font.
using FontKey = std::tuple<std::string, int, bool, bool>;
FontKey FontOf(const Run& run) {
    return {run.font, run.halfPoints, run.bold, run.italic};
}

// The first `n` characters of `text`, one fewer when the n-th begins a surrogate pair.
QString Left(const QString& text, qsizetype n) {
    if (n > 0 && n < text.size() && text[n - 1].isHighSurrogate()) {
        --n;
    }
    return text.left(n);
}

// Inserts the paragraphs while the counted caps allow. Returns false when it had to stop early.
bool Insert(QTextDocument& document, const Document& parsed) {
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    QTextCharFormat last;
    int runs = 0;
    qsizetype characters = 0;
    std::set<FontKey> fonts;
    bool whole = true;
    for (std::size_t p = 0; p < parsed.paragraphs.size() && whole; ++p) {
        if (p == static_cast<std::size_t>(kMaxParagraphs)) {
            whole = false;
            break;
        }
        const Paragraph& paragraph = parsed.paragraphs[p];
        // An empty paragraph is as tall as the text before it, so blank lines keep the document's spacing.
        const QTextCharFormat first = paragraph.runs.empty() ? last : CharFormat(paragraph.runs.front());
        if (p > 0) {
            cursor.insertBlock(cursor.blockFormat(), first);
        } else {
            cursor.setBlockCharFormat(first);
        }
        // Laying out one enormous paragraph takes minutes: a paragraph shows its first kMaxParagraph
        // characters or kMaxParagraphRuns runs, and an ellipsis.
        qsizetype room = kMaxParagraph;
        for (std::size_t r = 0; r < paragraph.runs.size() && room > 0; ++r) {
            const Run& run = paragraph.runs[r];
            const FontKey font = FontOf(run);
            if (runs == kMaxRuns || characters == kMaxCharacters ||
                (fonts.size() == static_cast<std::size_t>(kMaxFonts) && !fonts.contains(font))) {
                whole = false;
                break;
            }
            fonts.insert(font);
            ++runs;
            last = CharFormat(run);
            const bool lastRun = r + 1 == static_cast<std::size_t>(kMaxParagraphRuns) && r + 1 < paragraph.runs.size();
            QString text = QString::fromStdString(run.text);
            if (text.size() > room) {
                text = Left(text, room) + QChar(0x2026);
            } else if (lastRun) {
                text += QChar(0x2026);
            }
            if (text.size() > kMaxCharacters - characters) {
                text = Left(text, kMaxCharacters - characters);
                whole = false;
            }
            room -= text.size();
            characters += text.size();
            cursor.insertText(text, last);
            if (lastRun) {
                break;
            }
        }
    }
    cursor.endEditBlock();
    return whole;
}

// Where the document passes kMaxHeight when laid out at its current width, or -1 when it does not.
// Layout goes block by block from the top and stops at the block that crosses the height, which is at most
// kMaxParagraph lines of kMaxPointSize type.
int HeightCut(QTextDocument& document) {
    const QAbstractTextDocumentLayout* layout = document.documentLayout();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QRectF box = layout->blockBoundingRect(block);
        if (box.bottom() <= kMaxHeight) {
            continue;
        }
        // The block keeps the lines that end above the height; when not even its first line does, it goes
        // whole, with the paragraph break before it.
        const QTextLayout* lines = block.layout();
        int kept = 0;
        while (kept < lines->lineCount() &&
               box.top() + lines->lineAt(kept).y() + lines->lineAt(kept).height() <= kMaxHeight) {
            ++kept;
        }
        if (kept == 0) {
            return std::max(block.position() - 1, 0);
        }
        if (kept == lines->lineCount()) {
            return block.position() + block.length() - 1; // only its bottom margin passes the height
        }
        return block.position() + lines->lineAt(kept).textStart();
    }
    return -1;
}

// Removes everything from `cut` on (nothing when it is -1) and ends the document with kLeftOut.
void EndWithLeftOut(QTextDocument& document, int cut) {
    QTextCursor cursor(&document);
    // Inside an edit block a cursor that moves does not ask where its line is, which would lay out the
    // whole document up to it.
    cursor.beginEditBlock();
    if (cut >= 0) {
        cursor.setPosition(cut);
        cursor.setPosition(document.characterCount() - 1, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    } else {
        cursor.setPosition(document.characterCount() - 1);
    }
    QTextCharFormat note;
    note.setFontItalic(true);
    if (!document.isEmpty()) {
        cursor.insertBlock(QTextBlockFormat(), note);
    }
    cursor.insertText(kLeftOut, note);
    cursor.endEditBlock();
}

} // namespace

bool Fill(QTextDocument& document, const Document& parsed) {
    // Filling is not an edit the reader could undo; keeping no undo history also keeps it fast.
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    bool whole = Insert(document, parsed);
    // Measured at a width of its own, narrower than the view's: the view then shows it shorter still.
    const qreal width = document.textWidth();
    document.setTextWidth(kLayoutWidth);
    const int cut = HeightCut(document);
    if (cut >= 0 || !whole) {
        EndWithLeftOut(document, cut);
        whole = false;
    }
    document.setTextWidth(width);
    document.setUndoRedoEnabled(undo);
    return whole;
}

void FitColours(QTextDocument& document, const QColor& background, const QColor& text) {
    // A document has a handful of colours, used by many runs.
    std::map<QRgb, QColor> legible;
    struct Change {
        int from;
        int to;
        QColor colour;
    };
    std::vector<Change> changes;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (!format.hasProperty(kDocumentColour)) {
                continue;
            }
            const QColor wanted = format.colorProperty(kDocumentColour);
            auto known = legible.find(wanted.rgba());
            if (known == legible.end()) {
                known = legible.emplace(wanted.rgba(), contrast::Legible(wanted, background, text)).first;
            }
            if (format.foreground().color() != known->second) {
                changes.push_back({fragment.position(), fragment.position() + fragment.length(), known->second});
            }
        }
    }
    if (changes.empty()) {
        return; // the document shows its own colours, as on a light background
    }
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (const Change& change : changes) {
        cursor.setPosition(change.from);
        cursor.setPosition(change.to, QTextCursor::KeepAnchor);
        QTextCharFormat colour;
        colour.setForeground(change.colour);
        cursor.mergeCharFormat(colour);
    }
    cursor.endEditBlock();
    document.setUndoRedoEnabled(undo);
}

bool Load(QTextDocument& document, const QByteArray& bytes) {
    const Document parsed = Parse(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (!parsed.isRtf) {
        document.clear();
        return false;
    }
    Fill(document, parsed);
    return true;
}

} // namespace rtf
