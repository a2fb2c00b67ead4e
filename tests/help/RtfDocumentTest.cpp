#include "RtfDocument.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <set>

namespace {

// What layout has to deal with in a document.
struct Shown {
    int blocks = 0;
    int runs = 0;
    int characters = 0;
    int fonts = 0;
    double height = 0; // laid out at rtf::kLayoutWidth
    QString last;      // the text of the last block
};

Shown Measure(QTextDocument& doc) {
    Shown shown;
    shown.blocks = doc.blockCount();
    shown.characters = doc.characterCount() - doc.blockCount(); // without the paragraph breaks
    std::set<QString> fonts;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            ++shown.runs;
            const QFont font = it.fragment().charFormat().font();
            fonts.insert(font.families().join(',') + '/' + QString::number(font.pointSizeF()) + '/' +
                         QString::number(font.weight()) + '/' + QString::number(font.italic()));
        }
    }
    shown.fonts = static_cast<int>(fonts.size());
    shown.last = doc.lastBlock().text();
    const qreal width = doc.textWidth();
    doc.setTextWidth(rtf::kLayoutWidth);
    shown.height = doc.documentLayout()->documentSize().height();
    doc.setTextWidth(width);
    return shown;
}

QByteArray Repeated(const QByteArray& piece, int times) {
    QByteArray out;
    out.reserve(piece.size() * times);
    for (int i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

} // namespace

class RtfDocumentTest : public QObject {
    Q_OBJECT

private:
    // The format of the character at `position` of the document's plain text.
    static QTextCharFormat FormatAt(QTextDocument& doc, int position) {
        QTextCursor cursor(&doc);
        cursor.setPosition(position + 1);
        return cursor.charFormat();
    }

private slots:
    void paragraphsBecomeBlocksWithTheirFormats() {
        QTextDocument doc;
        QVERIFY(rtf::Load(
            doc, "{\\rtf1{\\fonttbl{\\f0 Verdana;}}{\\colortbl;\\red0\\green0\\blue255;}"
                 "\\f0\\fs20 {\\b\\fs28 Title}\\par\\par plain {\\i it}{\\ul ul}{\\cf1 blue}\\line x\\tab y}"));
        QCOMPARE(doc.blockCount(), 3);
        QCOMPARE(doc.findBlockByNumber(0).text(), QStringLiteral("Title"));
        QCOMPARE(doc.findBlockByNumber(1).text(), QString());
        // \line stays inside its paragraph.
        QCOMPARE(doc.findBlockByNumber(2).text(), QStringLiteral("plain itulblue\u2028x\ty"));

        const QTextCharFormat title = FormatAt(doc, 0);
        QCOMPARE(title.fontWeight(), int(QFont::Bold));
        QCOMPARE(title.fontPointSize(), 14.0);
        QCOMPARE(title.fontFamilies().toStringList(), QStringList{"Verdana"});
        // The blank line between keeps the size of the text before it.
        QCOMPARE(doc.findBlockByNumber(1).charFormat().fontPointSize(), 14.0);

        const int body = doc.toPlainText().indexOf("plain");
        const QTextCharFormat plain = FormatAt(doc, body);
        QCOMPARE(plain.fontWeight(), int(QFont::Normal));
        QCOMPARE(plain.fontPointSize(), 10.0);
        QVERIFY(!plain.hasProperty(QTextFormat::ForegroundBrush)); // automatic: the view's own colour
        QVERIFY(FormatAt(doc, body + 6).fontItalic());
        QVERIFY(FormatAt(doc, body + 8).fontUnderline());
        QCOMPARE(FormatAt(doc, body + 10).foreground().color(), QColor(0, 0, 255));
    }

    void notRtfLeavesTheDocumentEmpty() {
        QTextDocument doc;
        doc.setPlainText("previous");
        QVERIFY(!rtf::Load(doc, "plain text, not a help document"));
        QVERIFY(doc.isEmpty());
    }

    void theShippedHelpShowsWholeFarBelowEveryCap() {
        QFile file(QStringLiteral(KEYSHELF_HELP_RTF));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const rtf::Document parsed = rtf::Parse(std::string_view(bytes.constData(), bytes.size()));
        QTextDocument doc;
        QVERIFY(rtf::Fill(doc, parsed));
        // Every paragraph as the reader gave it, and nothing after them.
        QCOMPARE(doc.blockCount(), int(parsed.paragraphs.size()));
        QTextBlock block = doc.begin();
        for (const rtf::Paragraph& paragraph : parsed.paragraphs) {
            QCOMPARE(block.text(), QString::fromStdString(paragraph.Text()));
            block = block.next();
        }
        const Shown shown = Measure(doc);
        QVERIFY(shown.blocks * 10 < rtf::kMaxParagraphs);
        QVERIFY(shown.runs * 10 < rtf::kMaxRuns);
        QVERIFY(shown.characters * 10 < rtf::kMaxCharacters);
        QVERIFY(shown.fonts * 10 < rtf::kMaxFonts);
        QVERIFY(shown.height * 10 < rtf::kMaxHeight);
    }

    // Whatever a help file holds, the document stays within what the help window can lay out at once:
    // it shows what comes first and says that the rest is left out.
    void everyCapEndsTheDocumentWithTheNote_data() {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("first"); // how the document begins
        QTest::newRow("paragraphs") << "{\\rtf1 first" + Repeated("\\par\n", 100000) + "}"
                                    << "first";
        const QByteArray row = "\\trowd\\cellx1000\\cellx2000 a\\cell b\\cell\\row ";
        QTest::newRow("table rows") << "{\\rtf1 " + Repeated(row, 30000) + "}"
                                    << "a\tb\t";
        const QByteArray letters = Repeated("\\b a\\b0 b", 20) + "\\par ";
        QTest::newRow("format changes") << "{\\rtf1 " + Repeated(letters, 19000) + "}"
                                        << "abababab";
        QTest::newRow("characters") << "{\\rtf1 " + Repeated(QByteArray(9000, 'x') + "\\par ", 150) + "}"
                                    << "xxxx";
        QByteArray families = "{\\rtf1{\\fonttbl";
        QByteArray inEach;
        for (int f = 0; f < 300; ++f) {
            families += "{\\f" + QByteArray::number(f) + " Family" + QByteArray::number(f) + ";}";
            inEach += "\\f" + QByteArray::number(f) + " x";
        }
        QTest::newRow("font families") << families + "}" + inEach + "}"
                                       << "xxxx";
        QByteArray sizes = "{\\rtf1 ";
        for (int size = 2; size < 600; ++size) {
            sizes += "\\fs" + QByteArray::number(size) + " x";
        }
        QTest::newRow("font sizes") << sizes + "}"
                                    << "xxxx";
        // Tall documents: a line break per character, and the largest type there is.
        QTest::newRow("line breaks") << "{\\rtf1 " + Repeated(Repeated("\\line", 9000) + "\\par ", 100) + "}"
                                     << "";
        QTest::newRow("large type") << "{\\rtf1 \\fs3276 " + Repeated(QByteArray(9000, 'W') + "\\par ", 100) + "}"
                                    << "WWWW";
    }
    void everyCapEndsTheDocumentWithTheNote() {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, first);
        QTextDocument doc;
        QVERIFY(rtf::Load(doc, rtf));
        const Shown shown = Measure(doc);
        QCOMPARE(shown.last, rtf::kLeftOut);
        QVERIFY(doc.toPlainText().startsWith(first));
        // The note is one more paragraph, run and font, and one line tall.
        QVERIFY2(shown.blocks <= rtf::kMaxParagraphs + 1, qPrintable(QString::number(shown.blocks)));
        QVERIFY2(shown.runs <= rtf::kMaxRuns + 1, qPrintable(QString::number(shown.runs)));
        QVERIFY2(shown.characters <= rtf::kMaxCharacters + rtf::kLeftOut.size(),
                 qPrintable(QString::number(shown.characters)));
        QVERIFY2(shown.fonts <= rtf::kMaxFonts + 1, qPrintable(QString::number(shown.fonts)));
        QVERIFY2(shown.height <= rtf::kMaxHeight + 100, qPrintable(QString::number(shown.height)));
    }

    void aParagraphOfManyFormatChangesIsCutShortLikeALongOne() {
        QTextDocument doc;
        QVERIFY(rtf::Load(doc, "{\\rtf1 " + Repeated("\\b a\\b0 b", 2000) + "\\par next}"));
        QCOMPARE(doc.blockCount(), 2);
        int runs = 0;
        for (auto it = doc.begin().begin(); !it.atEnd(); ++it) {
            ++runs;
        }
        QCOMPARE(runs, rtf::kMaxParagraphRuns);
        QVERIFY(doc.begin().text().endsWith(QChar(0x2026)));
        QCOMPARE(doc.lastBlock().text(), QStringLiteral("next")); // the document goes on
    }

    void largeDocumentFillsWithoutUndoHistory() {
        QByteArray rtf = "{\\rtf1 ";
        for (int k = 0; k < 20000; ++k) {
            rtf += "Line {\\b bold} and {\\i italic} text.\\par ";
        }
        rtf += "}";
        QTextDocument doc;
        QVERIFY(rtf::Load(doc, rtf));
        QCOMPARE(doc.blockCount(), 20000);
        QVERIFY(doc.isUndoRedoEnabled());
        QVERIFY(!doc.isUndoAvailable());
    }
};

QTEST_MAIN(RtfDocumentTest)
#include "RtfDocumentTest.moc"
