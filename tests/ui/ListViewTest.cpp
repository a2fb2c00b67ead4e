// The entry list component: rows by 1-based position, sub-items, selection, the sort settings and the
// column-click event.
#include "ListView.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QSignalSpy>
#include <QtTest>

class ListViewTest : public QObject {
    Q_OBJECT

    static QStringList column(const ListView& list, int field) {
        QStringList out;
        for (int i = 1; i <= list.count(); ++i) {
            out << list.subItem(i, field);
        }
        return out;
    }

    static void fill(ListView& list, const QList<ListEntry>& rows) {
        for (const ListEntry& r : rows) {
            const int at = list.add(r.username);
            list.setSubItem(at, 1, r.password);
            list.setSubItem(at, 2, r.location);
        }
    }

private slots:
    void rowsAddReadWriteAndRemove() {
        EntryStore entries;
        ListView list;
        list.setEntries(&entries);
        QAbstractItemModelTester tester(list.entryModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(list.columnHeaderCount(), 0);
        list.addColumnHeader("Username", 1500);
        list.addColumnHeader("Password", 3000);
        list.addColumnHeader("Website/Location", 4500);
        QCOMPARE(list.entryModel()->headerText(1), QString("Username"));
        QCOMPARE(list.entryModel()->headerText(3), QString("Website/Location"));
        QCOMPARE(list.columnHeaderWidth(2), 3000);

        QCOMPARE(list.add("a"), 1);
        QCOMPARE(list.add("b"), 2);
        QCOMPARE(list.add("c"), 3);
        // A new row's sub-items are empty until set.
        QCOMPARE(list.subItem(3, 1), QString());
        QCOMPARE(list.subItem(3, 2), QString());
        list.setSubItem(2, 1, "pw-b");
        list.setSubItem(2, 2, "site-b");
        list.setText(2, "bee");
        QCOMPARE(list.text(2), QString("bee"));
        QCOMPARE(list.entryModel()->index(1, 2).data().toString(), QString("site-b"));

        // Removing row 1 of three makes the former row 2 the new row 1.
        list.remove(1);
        QCOMPARE(list.count(), 2);
        QCOMPARE(list.text(1), QString("bee"));
        QCOMPARE(list.subItem(1, 1), QString("pw-b"));
        // A row that is not there reads as empty and is never removed; nothing throws into a handler.
        QCOMPARE(list.text(3), QString());
        list.remove(0);
        list.remove(3);
        QCOMPARE(list.count(), 2);
    }

    void selectionAndTheFirstSelectedRow() {
        EntryStore entries;
        ListView list;
        list.setEntries(&entries);
        list.addColumnHeader("Username", 1500);
        fill(list, {{"a", "", ""}, {"b", "", ""}, {"c", "", ""}, {"d", "", ""}});
        QCOMPARE(list.firstSelected(), 0);
        list.setSelected(4, true);
        list.setSelected(2, true);
        QVERIFY(list.selected(2));
        QVERIFY(!list.selected(3));
        QCOMPARE(list.firstSelected(), 2);
        list.remove(1);
        // The selection stays with its rows.
        QCOMPARE(list.firstSelected(), 1);
        QVERIFY(list.selected(3));
    }

    void rowIdsFollowTheirRows() {
        EntryStore entries;
        ListView list;
        list.setEntries(&entries);
        list.addColumnHeader("Username", 1500);
        fill(list, {{"b", "", ""}, {"c", "", ""}, {"a", "", ""}});
        const quint64 idOfA = list.entries()->rowId(3);
        const quint64 idOfB = list.entries()->rowId(1);
        list.setSorted(true);
        QCOMPARE(list.entries()->positionOf(idOfA), 1);
        list.remove(list.entries()->positionOf(idOfB));
        QCOMPARE(list.entries()->positionOf(idOfB), 0);
        QCOMPARE(list.entries()->rowId(99), quint64(0));
    }

    void sortingByEachColumnAndDirection() {
        EntryStore entries;
        ListView list;
        list.setEntries(&entries);
        QAbstractItemModelTester tester(list.entryModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (const char* h : {"Username", "Password", "Website/Location"}) {
            list.addColumnHeader(h, 1500);
        }
        fill(list, {{"bob", "10", "zeta.example"}, {"Alice", "9", "alpha.example"}, {"carol", "100", "Beta"}});
        list.setSelected(2, true);                                         // Alice
        QCOMPARE(column(list, 0), QStringList({"bob", "Alice", "carol"})); // load order while unsorted

        list.setSorted(true); // ascending by the text, letter case ignored
        QCOMPARE(column(list, 0), QStringList({"Alice", "bob", "carol"}));
        QVERIFY(list.selected(1)); // the selection moved with Alice

        list.setSortOrder(EntryStore::Descending);
        QCOMPARE(column(list, 0), QStringList({"carol", "bob", "Alice"}));
        list.setSortKey(1); // digits order as text, not as numbers
        QCOMPARE(column(list, 1), QStringList({"9", "100", "10"}));
        list.setSortOrder(EntryStore::Ascending);
        QCOMPARE(column(list, 1), QStringList({"10", "100", "9"}));
        list.setSortKey(2);
        QCOMPARE(column(list, 2), QStringList({"alpha.example", "Beta", "zeta.example"}));

        // Fields changed while the list is sorted by another column are sorted by what they hold now, not
        // by what they held when their column was last sorted.
        const int beta = 2;
        list.setSubItem(beta, 1, "999");                                    // carol's password, from "100"
        QVERIFY(list.entries()->setItem(3, {"bob", "99", "zeta.example"})); // bob's, from "10"
        list.setSortKey(1);
        QCOMPARE(column(list, 1), QStringList({"9", "99", "999"}));
    }

    void rowsTakeTheirSortedPlace() {
        EntryStore entries;
        ListView list;
        list.setEntries(&entries);
        QAbstractItemModelTester tester(list.entryModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        list.addColumnHeader("Username", 1500);
        fill(list, {{"d", "", ""}, {"b", "", ""}});
        list.setSorted(true);
        QCOMPARE(list.add("c"), 2);
        QCOMPARE(list.add("a"), 1);
        QCOMPARE(list.add("e"), 5);
        // Equal texts keep the order they came in.
        const int first = list.add("C");
        list.setSubItem(first, 1, "second c");
        QCOMPARE(first, 4);
        QCOMPARE(column(list, 0), QStringList({"a", "b", "c", "C", "d", "e"}));

        // A changed key moves its row at once, down or up.
        list.setText(1, "z");
        QCOMPARE(column(list, 0), QStringList({"b", "c", "C", "d", "e", "z"}));
        list.setText(6, "a");
        QCOMPARE(column(list, 0), QStringList({"a", "b", "c", "C", "d", "e"}));
        list.setText(3, "c"); // same place
        QCOMPARE(column(list, 0), QStringList({"a", "b", "c", "C", "d", "e"}));

        list.setSortOrder(EntryStore::Descending);
        QCOMPARE(list.add("bb"), 5);
        QVERIFY(list.entries()->addRows({{"zz", "", ""}, {"aa", "", ""}}));
        QCOMPARE(column(list, 0), QStringList({"zz", "e", "d", "c", "C", "bb", "b", "aa", "a"}));
    }

    void columnClickGivesTheOneBasedHeaderNumber() {
        EntryStore entries;
        ListView list;
        list.setEntries(&entries);
        for (const char* h : {"Username", "Password", "Website/Location"}) {
            list.addColumnHeader(h, 1500);
        }
        QSignalSpy spy(&list, &ListView::columnClicked);
        list.resize(400, 300);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QHeaderView* header = list.header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(2) + 5, header->height() / 2));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).toInt(), 3);
        QCOMPARE(spy.at(1).at(0).toInt(), 1);
        // Clicking a header never sorts by itself: the program decides.
        QVERIFY(!list.sorted());
    }

    void columnWidthsInTwips() {
        EntryStore entries;
        ListView list;
        list.setEntries(&entries);
        list.addColumnHeader("Username", 2500);
        QCOMPARE(list.header()->sectionSize(0), 166);
        QCOMPARE(list.columnHeaderWidth(1), 2490); // 2500 twips is not a whole pixel: it lands on 166
    }

    void manyRowsLoadInOneStep() {
        EntryStore entries;
        ListView list;
        list.setEntries(&entries);
        list.addColumnHeader("Username", 1500);
        QList<ListEntry> rows;
        for (int i = 0; i < 32767; ++i) {
            rows.append({QString::number(i), "p", "l"});
        }
        QVERIFY(list.entries()->addRows(rows));
        QCOMPARE(list.count(), 32767);
        QCOMPARE(list.text(32767), QString("32766"));
    }

    // The list keeps its texts as the vault stores them: every character of the code page comes back as
    // it went in, through a loaded table, an edit and a sort; anything else becomes "?", as in the file.
    void textsAreKeptInTheVaultsCodePage() {
        QString all;
        std::string bytes;
        for (int b = 1; b < 256; ++b) {
            bytes.push_back(static_cast<char>(b));
        }
        // The code page by its published table for 0x80-0x9F (five codes unassigned, kept as controls).
        const char16_t windows[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                      0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
        for (int b = 1; b < 256; ++b) {
            all.append(QChar(b >= 0x80 && b < 0xA0 ? windows[b - 0x80] : static_cast<char16_t>(b)));
        }
        QCOMPARE(EntryStore::FromCodePage(bytes), all);
        QCOMPARE(EntryStore::ToCodePage(all), bytes);

        EntryStore entries;

        ListView list;

        list.setEntries(&entries);
        list.addColumnHeader("Username", 1500);
        std::size_t total = 0;
        const std::string sep = "\xFC\xFC\xFC";
        std::string stored = bytes;
        for (char& c : stored) {
            c = static_cast<char>(c ^ 0x80);
        }
        // One entry whose username is every code-page character but CR, which ends a stored line.
        stored.erase(stored.find('\r'), 1);
        auto table = vault::EntryTable::FromFile("\xED\r\n" + stored + sep + "\xF0" + "\r\n", 10, total);
        QVERIFY(table && list.entries()->addTable(std::move(*table)));
        QString withoutCr = all;
        withoutCr.remove(QChar(0x8D));
        QCOMPARE(list.text(1), withoutCr);
        QCOMPARE(list.subItem(1, 1), QString("p"));
        list.add(QString::fromUtf8("\xCE\xA9mega \xF0\x9F\x98\x80 \xE2\x82\xAC"));
        QCOMPARE(list.text(2), QString::fromUtf8("?mega ? \xE2\x82\xAC"));
        list.setSubItem(1, 2, all);
        list.setSortKey(2);
        list.setSorted(true);
        QCOMPARE(list.subItem(list.count(), 2), all);
        QCOMPARE(list.entries()->codePageField(list.count(), vault::Field::Location), std::string_view(bytes));
    }
};

QTEST_MAIN(ListViewTest)
#include "ListViewTest.moc"
