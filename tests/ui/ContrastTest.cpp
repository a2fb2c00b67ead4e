// Legible text colours: which colours are kept and what the others become, then the help document and
// the about window in the light palette they were drawn for and in a dark one (qt6ct's "darker" scheme,
// as a desktop with a dark theme hands it to the program), changing while they are open.
#include "Contrast.h"

#include "AboutWindow.h"
#include "Appearance.h"
#include "BuildConfiguration.h"
#include "Controls.h"
#include "DesignCheck.h"
#include "EntryEditor.h"
#include "HelpWindow.h"
#include "Program.h"
#include "RtfDocument.h"
#include "Seams.h"
#include "Skin.h"
#include "TestMain.h"
#include "WindowTestRun.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFragment>

namespace {

QColor Grey(int level) {
    return QColor(level, level, level);
}

// qt6ct's "darker" colour scheme.
QPalette Darker() {
    QPalette palette(QColor("#ffffff"), QColor("#424245"), QColor("#979797"), QColor("#302f2e"), QColor("#4a4947"),
                     QColor("#ffffff"), QColor("#ffffff"), QColor("#3d3d3d"), QColor("#222020"));
    palette.setColor(QPalette::ButtonText, QColor("#ffffff"));
    palette.setColor(QPalette::Link, QColor("#0986d3"));
    return palette;
}

// Every run with a colour of its own: where it starts, its text, and the colour it is shown in.
struct Coloured {
    int position;
    QString text;
    QColor shown;
    QColor wanted;
};
QList<Coloured> ColouredRuns(const QTextDocument& doc) {
    QList<Coloured> runs;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.hasProperty(QTextFormat::ForegroundBrush)) {
                runs.append({it.fragment().position(), it.fragment().text(), format.foreground().color(),
                             format.colorProperty(rtf::kDocumentColour)});
            }
        }
    }
    return runs;
}

// As the desktop changes the program's palette: every widget hears of it.
void SetPalette(const QPalette& palette) {
    QApplication::setPalette(palette);
    QCoreApplication::sendPostedEvents();
}

QByteArray HelpBytes() {
    QFile file(QStringLiteral(KEYSHELF_HELP_RTF));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class ContrastTest : public QObject {
    Q_OBJECT
    QPalette light;
    std::unique_ptr<WindowTestRun> folder;

private slots:
    void initTestCase() { light = QApplication::palette(); }

    void init() { folder = std::make_unique<WindowTestRun>(WindowTestRun::Options{.helpDocument = true}); }

    void cleanup() {
        folder.reset();
        QApplication::setPalette(light);
    }

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
            const QColor halfway =
                QColor::fromHslF(shown.hslHueF(), shown.hslSaturationF(), (shown.lightnessF() + blue.lightnessF()) / 2);
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
                    QFAIL(qPrintable(
                        QStringLiteral("%1 on %2 became %3").arg(wanted.name(), background.name(), shown.name())));
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

    // Text over a picture has to contrast with every part of it: the darkest part of a light picture, the
    // lightest of a dark one.
    void whatLiesBehindTextOnAPicture() {
        QImage image(4, 2, QImage::Format_RGB32);
        image.fill(Qt::white);
        image.setPixelColor(0, 0, Grey(200));
        image.setPixelColor(1, 0, Grey(20));
        QCOMPARE(contrast::Behind(image, QRect(0, 0, 4, 2)), Grey(20));
        QCOMPARE(contrast::Behind(image, QRect(0, 0, 1, 2)), Grey(200));
        QCOMPARE(contrast::Behind(image, QRect(2, 0, 10, 10)), QColor(Qt::white)); // clipped to the picture
        image.fill(Grey(10));
        image.setPixelColor(3, 1, Grey(90));
        image.setPixelColor(2, 1, Qt::black);
        QCOMPARE(contrast::Behind(image, QRect(0, 0, 4, 2)), Grey(90));
        QVERIFY(!contrast::Behind(image, QRect(10, 10, 2, 2)).isValid());
    }

    // The shipped help: on white every colour is the document's own and nothing is touched; on a dark base
    // each is a lighter one of its hue; back on white they are the document's own again.
    void theHelpsColoursOnALightAndADarkPage() {
        QTextDocument doc;
        QVERIFY(rtf::Load(doc, HelpBytes()));
        const QString text = doc.toPlainText();
        const QList<Coloured> original = ColouredRuns(doc);
        QVERIFY(original.size() >= 10); // the headings and the warning
        const QSet<QRgb> documentColours = {QColor(31, 78, 121).rgba(), QColor(153, 27, 27).rgba()};
        for (const Coloured& run : original) {
            QCOMPARE(run.shown, run.wanted);
            QVERIFY2(documentColours.contains(run.shown.rgba()), qPrintable(run.text));
        }

        doc.setModified(false);
        rtf::FitColours(doc, Qt::white, Qt::black);
        QVERIFY(!doc.isModified());

        const QColor base(0x3D, 0x3D, 0x3D);
        rtf::FitColours(doc, base, Qt::white);
        QCOMPARE(doc.toPlainText(), text);
        const QList<Coloured> dark = ColouredRuns(doc);
        QCOMPARE(dark.size(), original.size());
        for (int i = 0; i < dark.size(); ++i) {
            QCOMPARE(dark[i].position, original[i].position);
            QCOMPARE(dark[i].wanted, original[i].wanted);
            QVERIFY2(contrast::Ratio(dark[i].shown, base) >= contrast::kText, qPrintable(dark[i].text));
            QVERIFY(qAbs(dark[i].shown.hslHue() - original[i].wanted.hslHue()) <= 3);
            QVERIFY(dark[i].shown.lightness() > original[i].wanted.lightness());
        }
        QVERIFY(!doc.isUndoAvailable()); // not an edit the reader could undo

        rtf::FitColours(doc, Qt::white, Qt::black);
        for (const Coloured& run : ColouredRuns(doc)) {
            QCOMPARE(run.shown, run.wanted);
        }
    }

    // The help window fits the document to the palette it is shown in, and again when the palette changes.
    void theHelpWindowFollowsThePalette() {
        auto* help = new HelpWindow;
        const auto view = [&help] { return Control<QTextEdit>(help, "rtf1"); };
        const auto headingIsLegible = [&view] {
            const QList<Coloured> runs = ColouredRuns(*view()->document());
            const QColor base = view()->palette().color(QPalette::Base);
            return !runs.isEmpty() && std::all_of(runs.begin(), runs.end(), [&](const Coloured& run) {
                return contrast::Ratio(run.shown, base) >= contrast::kText;
            });
        };
        const QColor heading(31, 78, 121);
        QCOMPARE(ColouredRuns(*view()->document()).first().shown, heading); // as it always was
        QVERIFY(headingIsLegible());

        SetPalette(Darker());
        QCOMPARE(view()->palette().color(QPalette::Base), QColor("#3d3d3d"));
        QVERIFY(ColouredRuns(*view()->document()).first().shown != heading);
        QVERIFY(headingIsLegible());

        SetPalette(light);
        QCOMPARE(ColouredRuns(*view()->document()).first().shown, heading);

        // Opened in the dark palette, it is legible from the start.
        delete help;
        SetPalette(Darker());
        help = new HelpWindow;
        QVERIFY(headingIsLegible());
        delete help;
    }

    // The about window: the link in pure blue and the product's name in the text colour on a light
    // desktop, as they always were; on a dark one a lighter blue and a dark name on the pale header.
    void theAboutWindowInBothPalettes() {
        auto* about = new AboutWindow;
        const QColor blue(0, 0, 255);
        const auto textOf = [](QLabel* label) { return label->palette().color(QPalette::WindowText); };
        QCOMPARE(textOf(Control<QLabel>(about, "lblWebsite")), blue);
        QCOMPARE(textOf(Control<QLabel>(about, "Label1")), light.color(QPalette::Text));

        SetPalette(Darker());
        const QColor link = textOf(Control<QLabel>(about, "lblWebsite"));
        QVERIFY(contrast::Ratio(link, QColor("#222020")) >= contrast::kText);
        QCOMPARE(link.hslHue(), 240);
        // The name was white, the dark palette's text, on the header picture.
        const QImage header = Control<QLabel>(about, "Picture1")->pixmap().toImage();
        const QColor name = textOf(Control<QLabel>(about, "Label1"));
        QVERIFY(contrast::Luminance(name) < 0.2);
        for (const QPoint corner : {QPoint(8, 20), QPoint(384, 48)}) {
            QVERIFY(contrast::Ratio(name, header.pixelColor(corner - QPoint(2, 2))) >= contrast::kText);
        }
        // The other labels keep the palette's own text colour.
        QCOMPARE(textOf(Control<QLabel>(about, "lblCompany")), QColor("#ffffff"));

        SetPalette(light);
        QCOMPARE(textOf(Control<QLabel>(about, "lblWebsite")), blue);
        QCOMPARE(textOf(Control<QLabel>(about, "Label1")), light.color(QPalette::Text));
        delete about;
    }

    // A skinned window is drawn on light surfaces of the skin's own whatever the desktop's palette. Its
    // labels and buttons keep the palette's text where it reads on them (a light palette changes nothing)
    // and take the skin's text colour in a dark one. Its text boxes are drawn on the palette's base: they
    // keep the skin's text where it reads there, and take the palette's text on a dark base.
    void skinnedWindowsInBothPalettes() {
        Skin skin;
        TheRun().appearance().setSkin(&skin);
        TheBuild().skinned = true;
        const QColor darkestSurface(0xB3, 0xC7, 0xE0); // a pressed button; the window and bars are lighter
        const auto openEditor = [] {
            auto* editor =
                new EntryEditor({}, [](const EntryEditor::Request&) { return VaultSession::Stored::NotSaved; });
            TheRun().appearance().SkinForm(editor);
            editor->show();
            return editor;
        };
        const auto roleOf = [](QWidget* control) {
            return qobject_cast<QAbstractButton*>(control) != nullptr ? QPalette::ButtonText : QPalette::WindowText;
        };
        const auto textOf = [&](QWidget* control) { return control->palette().color(roleOf(control)); };
        const auto labelsAndButtons = [](EntryEditor* editor) {
            QList<QWidget*> controls;
            for (QLabel* label : editor->findChildren<QLabel*>()) {
                controls << label;
            }
            for (QAbstractButton* button : editor->findChildren<QAbstractButton*>()) {
                controls << button;
            }
            return controls;
        };

        SetPalette(Darker());
        EntryEditor* editor = openEditor();
        QCOMPARE(labelsAndButtons(editor).size(), 5);
        for (QWidget* control : labelsAndButtons(editor)) {
            QCOMPARE(textOf(control), skin.text());
        }
        QVERIFY(contrast::Ratio(skin.text(), darkestSurface) >= contrast::kText);
        QCOMPARE(Control<QLineEdit>(editor, "txtUsername")->palette().color(QPalette::Text), QColor("#ffffff"));

        // The desktop turns light while the editor is open.
        SetPalette(light);
        QCoreApplication::processEvents(); // fitted once every control has the new palette
        for (QWidget* control : labelsAndButtons(editor)) {
            QVERIFY(contrast::Ratio(textOf(control), darkestSurface) >= contrast::kText);
        }
        QCOMPARE(Control<QLineEdit>(editor, "txtUsername")->palette().color(QPalette::Text), skin.text());
        delete editor;

        // Opened in the light palette: its colours, as ever.
        editor = openEditor();
        for (QWidget* control : labelsAndButtons(editor)) {
            QCOMPARE(textOf(control), light.color(roleOf(control)));
        }
        QCOMPARE(Control<QLineEdit>(editor, "txtUsername")->palette().color(QPalette::Text), skin.text());

        // And turning dark while open: the text boxes' base turns dark, their text light.
        SetPalette(Darker());
        QCoreApplication::processEvents();
        QCOMPARE(Control<QLineEdit>(editor, "txtUsername")->palette().color(QPalette::Text), QColor("#ffffff"));
        for (QWidget* control : labelsAndButtons(editor)) {
            QVERIFY(contrast::Ratio(textOf(control), darkestSurface) >= contrast::kText);
        }
        delete editor;

        // Staying on top changes the help window's flags, which polishes its controls anew: the box under
        // the document is fitted all the same once the window shows.
        SetPalette(Darker());
        auto* help = new HelpWindow;
        TheRun().appearance().SkinForm(help);
        help->show();
        QCOMPARE(Control<QCheckBox>(help, "Check1")->palette().color(QPalette::WindowText), skin.text());
        delete help;
    }
};

KEYSHELF_TEST_MAIN(ContrastTest)
#include "ContrastTest.moc"
