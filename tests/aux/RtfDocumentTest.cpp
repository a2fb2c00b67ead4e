#include "RtfDocument.h"

#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

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
