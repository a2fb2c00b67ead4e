// Legible text colours: which colours are kept, and what the others become.
#include "TestMain.h"

#include "Contrast.h"

#include <QImage>
#include <QPalette>

namespace {

QColor Grey(int level) {
    return QColor(level, level, level);
}

} // namespace

class ContrastTest : public QObject {
    Q_OBJECT

private slots:
    void ratiosAsWcagGivesThem() {
        QCOMPARE(contrast::Ratio(Qt::black, Qt::white), 21.0);
        QCOMPARE(contrast::Ratio(Qt::white, Qt::black), 21.0);
        QCOMPARE(contrast::Ratio(QColor(0, 0, 255), QColor(0, 0, 255)), 1.0);
        // The grey usually quoted as the lightest that passes on white, and the one just lighter.
        QVERIFY(qAbs(contrast::Ratio(QColor(0x76, 0x76, 0x76), Qt::white) - 4.54) < 0.01);
        QVERIFY(contrast::Ratio(QColor(0x77, 0x77, 0x77), Qt::white) < contrast::kText);
        QVERIFY(qAbs(contrast::Ratio(QColor(0, 0, 255), Qt::white) - 8.59) < 0.01);
    }

    // The colours of the help and the about window, on the light backgrounds they were chosen for.
    void coloursThatContrastStayAsTheyAre_data() {
        QTest::addColumn<QColor>("wanted");
        QTest::addColumn<QColor>("background");
        QTest::newRow("link blue on white") << QColor(0, 0, 255) << QColor(Qt::white);
        QTest::newRow("link blue on a light window") << QColor(0, 0, 255) << QColor(0xEF, 0xEF, 0xEF);
        QTest::newRow("warning red on white") << QColor(153, 27, 27) << QColor(Qt::white);
        QTest::newRow("note grey on white") << QColor(96, 96, 96) << QColor(Qt::white);
        QTest::newRow("heading blue on white") << QColor(31, 78, 121) << QColor(Qt::white);
        QTest::newRow("white on a dark base") << QColor(Qt::white) << QColor(0x3D, 0x3D, 0x3D);
        QTest::newRow("black on the about header") << QColor(Qt::black) << QColor(0xDD, 0xE8, 0xF6);
    }
    void coloursThatContrastStayAsTheyAre() {
        QFETCH(QColor, wanted);
        QFETCH(QColor, background);
        QCOMPARE(contrast::Legible(wanted, background, Qt::magenta), wanted);
    }

    // Pure red passes large text on white (4:1), not body text: it is darkened, a little.
    void pureRedOnWhiteBecomesADarkerRed() {
        const QColor shown = contrast::Legible(Qt::red, Qt::white);
        QVERIFY(contrast::Ratio(shown, Qt::white) >= contrast::kText);
        QCOMPARE(shown.hslHue(), 0);
        QVERIFY(shown.red() > 200 && shown.green() == 0 && shown.blue() == 0);
    }

    void pureBlueOnNearBlackBecomesALighterBlue() {
        const QColor blue(0, 0, 255);
        for (const QColor& background : {QColor(0x22, 0x20, 0x20), QColor(0x3D, 0x3D, 0x3D), QColor(Qt::black)}) {
            const QColor shown = contrast::Legible(blue, background, Qt::white);
            QVERIFY2(contrast::Ratio(shown, background) >= contrast::kText, qPrintable(shown.name()));
            QVERIFY(shown.lightnessF() > blue.lightnessF());
            // Still blue, not the palette's white: the same hue, only as light as it has to be.
            QVERIFY2(qAbs(shown.hslHue() - 240) <= 2, qPrintable(shown.name()));
            QCOMPARE(shown.blue(), 255);
            QVERIFY(shown.red() < 200);
            // Halfway back toward the wanted blue it no longer passes.
            const QColor halfway = QColor::fromHslF(shown.hslHueF(), shown.hslSaturationF(),
                                                    (shown.lightnessF() + blue.lightnessF()) / 2);
            QVERIFY(contrast::Ratio(halfway, background) < contrast::kText);
        }
    }

    void theHelpColoursOnADarkBaseKeepTheirHue_data() {
        QTest::addColumn<QColor>("wanted");
        QTest::newRow("heading blue") << QColor(31, 78, 121);
        QTest::newRow("warning red") << QColor(153, 27, 27);
        QTest::newRow("note grey") << QColor(96, 96, 96);
    }
    void theHelpColoursOnADarkBaseKeepTheirHue() {
        QFETCH(QColor, wanted);
        const QColor base(0x3D, 0x3D, 0x3D);
        const QColor shown = contrast::Legible(wanted, base, Qt::white);
        QVERIFY(contrast::Ratio(shown, base) >= contrast::kText);
        QVERIFY(shown.lightnessF() > wanted.lightnessF());
        QVERIFY(shown != QColor(Qt::white));
        if (wanted.hslSaturation() > 0) {
            QVERIFY2(qAbs(shown.hslHue() - wanted.hslHue()) <= 3, qPrintable(shown.name()));
        } else {
            QCOMPARE(shown.hslSaturation(), 0);
        }
    }

    void blackOnBlackBecomesLightAndWhiteOnWhiteDark() {
        const QColor onBlack = contrast::Legible(Qt::black, Qt::black);
        QVERIFY(contrast::Luminance(onBlack) > 0.15);
        QVERIFY(contrast::Ratio(onBlack, Qt::black) >= contrast::kText);
        const QColor onWhite = contrast::Legible(Qt::white, Qt::white);
        QVERIFY(contrast::Luminance(onWhite) < 0.2);
        QVERIFY(contrast::Ratio(onWhite, Qt::white) >= contrast::kText);
        // The light palette's text on the dark palette's base: the palette's own colours are no exception.
        QVERIFY(contrast::Ratio(contrast::Legible(Qt::black, QColor(0x3D, 0x3D, 0x3D)), QColor(0x3D, 0x3D, 0x3D)) >=
                contrast::kText);
    }

    // Whatever the colours, the result passes; mid greys, where the far side is hardest to tell, included.
    void theResultAlwaysPasses() {
        QList<QColor> colours;
        for (int r = 0; r <= 255; r += 51) {
            for (int g = 0; g <= 255; g += 51) {
                for (int b = 0; b <= 255; b += 51) {
                    colours << QColor(r, g, b);
                }
            }
        }
        for (int level = 100; level <= 130; ++level) {
            colours << Grey(level);
        }
        for (const QColor& background : colours) {
            for (const QColor& wanted : colours) {
                const QColor shown = contrast::Legible(wanted, background, Qt::gray);
                if (contrast::Ratio(shown, background) < contrast::kText) {
                    QFAIL(qPrintable(QStringLiteral("%1 on %2 became %3")
                                         .arg(wanted.name(), background.name(), shown.name())));
                }
            }
        }
    }

    void withoutAWantedColourThePalettesTextStandsIn() {
        QCOMPARE(contrast::Legible(QColor(), Qt::black, Qt::white), QColor(Qt::white));
        // A text colour that does not pass either gives way to white or black.
        QCOMPARE(contrast::Legible(QColor(), Qt::black, Qt::black), QColor(Qt::white));
        QCOMPARE(contrast::Legible(QColor(), Qt::white, QColor()), QColor(Qt::black));
    }

    void averageOfAPictureArea() {
        QImage image(4, 2, QImage::Format_RGB32);
        image.fill(Qt::white);
        image.setPixelColor(0, 0, Qt::black);
        image.setPixelColor(1, 0, Qt::black);
        QCOMPARE(contrast::Average(image, QRect(0, 0, 2, 1)), QColor(Qt::black));
        QCOMPARE(contrast::Average(image, QRect(0, 0, 2, 2)), Grey(128));
        QCOMPARE(contrast::Average(image, QRect(2, 0, 10, 10)), QColor(Qt::white)); // clipped to the picture
        QVERIFY(!contrast::Average(image, QRect(10, 10, 2, 2)).isValid());
    }
};

KEYSHELF_TEST_MAIN(ContrastTest)
#include "ContrastTest.moc"
