#include "RtfDocument.h"

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

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
    format.setFontPointSize(run.halfPoints / 2.0);
    if (run.colour != kAutoColour) {
        format.setForeground(QColor::fromRgb(static_cast<QRgb>(run.colour | 0xFF000000u)));
    }
    return format;
}

} // namespace

void Fill(QTextDocument& document, const Document& parsed) {
    // Filling is not an edit the reader could undo; keeping no undo history also keeps it fast.
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();

    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    QTextCharFormat last;
    for (std::size_t p = 0; p < parsed.paragraphs.size(); ++p) {
        const Paragraph& paragraph = parsed.paragraphs[p];
        // An empty paragraph is as tall as the text before it, so blank lines keep the document's spacing.
        const QTextCharFormat first = paragraph.runs.empty() ? last : CharFormat(paragraph.runs.front());
        if (p > 0) {
            cursor.insertBlock(cursor.blockFormat(), first);
        } else {
            cursor.setBlockCharFormat(first);
        }
        // Laying out one enormous paragraph takes minutes: a paragraph shows its first kMaxParagraph
        // characters and an ellipsis.
        qsizetype room = kMaxParagraph;
        for (const Run& run : paragraph.runs) {
            if (room <= 0) {
                break;
            }
            last = CharFormat(run);
            QString text = QString::fromStdString(run.text);
            if (text.size() > room) {
                text = text.left(room) + QChar(0x2026);
            }
            room -= text.size();
            cursor.insertText(text, last);
        }
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
