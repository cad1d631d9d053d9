// The crafting plan window, driven by keyboard under Qt's offscreen
// platform: Insert in the tree adds, counts are edited in place, Delete
// removes, Copy, Save and Open, and the plan across reloads.

// The tables first: Qt's "slots" keyword would take the fixtures' field.
#include "fixtures/TableWriter.h"
#include "plan/CraftingPlan.h"
#include "plan/PlanFile.h"

namespace {
using namespace artisanscope;

// Albion: Waffenschmied > Schwerter with Kurzschwert and Breitschwert.
fixtures::TablePlan SwordTable() {
    using namespace fixtures;
    TablePlan table;
    RealmPlan& albion = table.realms[0];
    const CategoryPlan swords{
        .name = "Schwerter",
        .patterns = {albion.AddPattern({.name = "Kurzschwert", .skill = 15,
                                        .slots = {{.name = "Metallbarren", .quantity = 2, .material = 8},
                                                  {.name = "Faden", .quantity = 1}}}),
                     albion.AddPattern({.name = "Breitschwert", .skill = 115,
                                        .slots = {{.name = "Metallbarren", .quantity = 4, .material = 8},
                                                  {.name = "Lederstreifen", .quantity = 1, .material = 22}}})}};
    albion.skills.push_back({.name = "Waffenschmied", .categories = {albion.AddCategory(swords)}});
    return table;
}

}  // namespace

#include "DialogHarness.h"
#include "desktop/PlanWindow.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSpinBox>
#include <QTableWidget>
#include <QTreeView>
#include <QtTest>

#include <memory>
#include <optional>

using namespace artisanscope;
using artisanscope::testing::DialogHarness;
using artisanscope::testing::TempDir;

namespace {

struct Harness : DialogHarness {
    Harness() : DialogHarness(fixtures::WriteRecipeTable(SwordTable())) {}
    // Selects the row-th pattern of Albion's first category, the tree focused.
    void SelectPattern(int row) const {
        const QModelIndex category = Model().index(0, 0, Model().index(0, 0, Model().index(0, 0)));
        Tree()->setFocus();
        Tree()->setCurrentIndex(Model().index(row, 0, category));
    }
    // Each entry's label, place in the tree and count.
    QStringList Entries() const {
        QStringList rows;
        const QTableWidget* view = dialog->planWindow()->entriesView();
        for (int row = 0; row < view->rowCount(); ++row) {
            rows << view->item(row, PlanWindow::kPatternColumn)->text() + " | " +
                        view->item(row, PlanWindow::kPlaceColumn)->text() + " x" +
                        view->item(row, PlanWindow::kCountColumn)->text();
        }
        return rows;
    }
    // Insert on both patterns, the first twice: the plan window opens.
    PlanWindow* InsertBoth() {
        for (const int row : {0, 0, 1}) {
            SelectPattern(row);
            Key(Qt::Key_Insert);
        }
        return dialog->planWindow();
    }
    // The plan window active, its list focused on row.
    void FocusEntry(int row) const {
        PlanWindow* window = dialog->planWindow();
        QApplication::setActiveWindow(window);
        window->entriesView()->setFocus();
        window->entriesView()->setCurrentCell(row, PlanWindow::kCountColumn);
    }
    QString Totals() const { return dialog->planWindow()->totalsView()->toPlainText(); }
};

const QString kShort = QStringLiteral("Kurzschwert (15) | Albion \u203A Waffenschmied \u203A Schwerter");
const QString kBroad = QStringLiteral("Breitschwert (115) | Albion \u203A Waffenschmied \u203A Schwerter");

}  // namespace

class PlanWindowTest : public QObject {
    Q_OBJECT

private slots:
    void planByKeyboard();
    void planSurvivesReloads();
    void undoBringsThePlanBack_data();
    void undoBringsThePlanBack();
    void windowGoesBeforeTheDialogsIndex();
};

void PlanWindowTest::planByKeyboard() {
    Harness h;
    QVERIFY(h.Show());
    QVERIFY(h.dialog->planWindow() == nullptr);

    // Insert twice on a pattern: the window opens with one entry of 2.
    h.SelectPattern(0);
    h.Key(Qt::Key_Insert);
    PlanWindow* window = h.dialog->planWindow();
    QVERIFY(window != nullptr);
    QVERIFY(window->isVisible());
    QVERIFY(!window->isModal());
    h.SelectPattern(0);
    h.Key(Qt::Key_Insert);
    h.SelectPattern(1);
    h.Key(Qt::Key_Insert);
    QCOMPARE(h.Entries(), (QStringList{kShort + " x2", kBroad + " x1"}));
    QCOMPARE(h.Totals(), QStringLiteral("2 Faden\n1 Lederstreifen: Gepr\u00E4gt\n8 Metallbarren: Eisen\n"));
    // Insert on the category adds nothing and says why.
    h.Tree()->setCurrentIndex(h.Tree()->currentIndex().parent());
    h.Key(Qt::Key_Insert);
    QCOMPARE(window->plan().size(), 2u);
    QCOMPARE(window->statusLine()->text(),
             QStringLiteral("Nothing added: \u201CSchwerter\u201D is a category. Insert adds the selected pattern "
                            "(or the pattern of the selected ingredient)."));

    // The tree kept the focus; Ctrl+P goes to the plan. A count typed into
    // the list's spin box changes the totals as it goes.
    QCOMPARE(QApplication::focusWidget(), h.Tree());
    h.Key(Qt::Key_P, Qt::ControlModifier);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    // The offscreen platform activates no second window by itself.
    if (!window->isActiveWindow()) QApplication::setActiveWindow(window);
    QTableWidget* entries = window->entriesView();
    entries->setFocus();
    entries->setCurrentCell(1, PlanWindow::kCountColumn);
    h.Key(Qt::Key_F2);
    auto* spin = qobject_cast<QSpinBox*>(QApplication::focusWidget());
    QVERIFY(spin != nullptr);
    spin->selectAll();
    QTest::keyClicks(spin, "10");
    QCOMPARE(h.Totals(), QStringLiteral(" 2 Faden\n10 Lederstreifen: Gepr\u00E4gt\n44 Metallbarren: Eisen\n"));
    h.Key(Qt::Key_Up);
    QCOMPARE(window->plan()[1].count, 11u);
    h.Key(Qt::Key_Return);
    QTRY_COMPARE(QApplication::focusWidget(), entries);
    QCOMPARE(h.Entries(), (QStringList{kShort + " x2", kBroad + " x11"}));

    // Copy: the totals as text.
    QGuiApplication::clipboard()->clear();
    h.Key(Qt::Key_C, Qt::AltModifier);
    QTRY_COMPARE(QGuiApplication::clipboard()->text(), QStringLiteral(" 2 Faden\n11 Lederstreifen: Gepr\u00E4gt\n48 Metallbarren: Eisen\n"));

    // Save, Clear, Open: the same plan again. A button's mnemonic clicks it
    // after its short press animation.
    const std::vector<PlanEntry> saved = window->CurrentPlan();
    const QString path = QString::fromStdString(h.game / "plan.csv");
    h.prompter.saveAnswers.push_back(path);
    h.Key(Qt::Key_S, Qt::AltModifier);
    QTRY_VERIFY(h.prompter.saveAnswers.empty());
    h.Key(Qt::Key_L, Qt::AltModifier);
    QTRY_COMPARE(h.Entries(), QStringList());
    QCOMPARE(h.Totals(), QString());
    h.prompter.openAnswers.push_back(path);
    h.Key(Qt::Key_O, Qt::AltModifier);
    QTRY_VERIFY(window->CurrentPlan() == saved);
    QCOMPARE(h.prompter.messages.size(), 0u);

    // Delete on the list removes the current entry.
    entries->setFocus();
    entries->setCurrentCell(0, 0);
    h.Key(Qt::Key_Delete);
    QCOMPARE(h.Entries(), (QStringList{kBroad + " x11"}));
    QCOMPARE(h.Totals(), QStringLiteral("11 Lederstreifen: Gepr\u00E4gt\n44 Metallbarren: Eisen\n"));

    // A plan file with a bad row: the rest is opened, the row reported.
    std::FILE* bad = std::fopen((h.game / "bad.csv").c_str(), "wb");
    std::fputs("realm,skill,category,pattern,index,count\nAlbion,Waffenschmied,Schwerter,Kurzschwert,,3\nx,y\n", bad);
    std::fclose(bad);
    h.prompter.openAnswers.push_back(QString::fromStdString(h.game / "bad.csv"));
    h.Key(Qt::Key_O, Qt::AltModifier);
    QTRY_COMPARE(h.Entries(), (QStringList{kShort + " x3"}));
    QCOMPARE(h.prompter.messages.size(), 1u);
    QCOMPARE(h.prompter.messages[0].details, QStringLiteral("line 3: a short row: 2 fields, 6 expected\n"));

    // A double click on an entry selects its pattern in the tree.
    h.Tree()->setCurrentIndex(QModelIndex());
    const QPoint entry = entries->visualItemRect(entries->item(0, 0)).center();
    QTest::mousePress(entries->viewport(), Qt::LeftButton, {}, entry);
    QTest::mouseDClick(entries->viewport(), Qt::LeftButton, {}, entry);
    QCOMPARE(h.Tree()->currentIndex().data().toString(), QStringLiteral("Kurzschwert (15)"));

    // Ctrl+P in the main dialog shows the window again once closed.
    window->close();
    QApplication::setActiveWindow(h.dialog.get());
    h.Key(Qt::Key_P, Qt::ControlModifier);
    QVERIFY(window->isVisible());
}

void PlanWindowTest::planSurvivesReloads() {
    Harness h;
    QVERIFY(h.Show());
    // "Add to plan" is in a pattern's context menu, not in an ingredient's
    // (Metallbarren: Eisen offers its recipes only).
    h.prompter.menuChoice = QStringLiteral("Add to &plan");
    h.SelectPattern(1);
    const QModelIndex pattern = h.Tree()->currentIndex();
    h.Tree()->setCurrentIndex(pattern.model()->index(0, 0, pattern));
    h.Key(Qt::Key_Menu);
    QCOMPARE(h.prompter.menusShown, 1);
    QVERIFY(h.dialog->planWindow() == nullptr);
    h.Tree()->setCurrentIndex(pattern);
    h.Key(Qt::Key_Menu);
    QCOMPARE(h.prompter.menusShown, 2);
    QVERIFY(h.dialog->planWindow() != nullptr);
    QCOMPARE(h.Totals(), QStringLiteral("1 Lederstreifen: Gepr\u00E4gt\n4 Metallbarren: Eisen\n"));

    // English names: the same entry, the lines renamed.
    QCheckBox* english = qobject_cast<QCheckBox*>(h.dialog->GetDlgItem(main_dialog::kEnglishNamesId));
    english->click();
    QCOMPARE(h.Entries(), (QStringList{kBroad + " x1"}));
    QCOMPARE(h.Totals(), QStringLiteral("1 Lederstreifen: Embossed\n4 Metallbarren: Iron\n"));

    // Another folder whose table moved the pattern: found by its names.
    TempDir patched;
    fixtures::TablePlan table = SwordTable();
    table.realms[0].patterns.push_back(table.realms[0].patterns[2]);
    table.realms[0].patterns[2] = {.name = "Dolch", .skill = 1};
    table.realms[0].categories[1].patterns = {3, 1};
    fixtures::WriteGameDirectory(patched.path(), fixtures::WriteRecipeTable(table));
    h.prompter.openAnswers.push_back(QString::fromStdString(patched / "Camelot.exe"));
    h.dialog->OnOpen();
    QCOMPARE(h.Entries(), (QStringList{kBroad + " x1"}));
    QCOMPARE(h.dialog->planWindow()->CurrentPlan()[0].key.index, std::optional<std::uint16_t>(3));

    // A folder without a table: kept, shown missing, counted.
    h.prompter.openAnswers.push_back(QString::fromStdString(patched / "nothing/Camelot.exe"));
    h.dialog->OnOpen();
    QCOMPARE(h.Entries(), (QStringList{"Breitschwert  (missing) | Albion \u203A Waffenschmied \u203A Schwerter x1"}));
    QCOMPARE(h.Totals(), QStringLiteral("1 entry is missing from this table and left out\n"));
}

void PlanWindowTest::undoBringsThePlanBack_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("changed");
    QTest::newRow("Delete") << "Delete" << QStringList{kBroad + " x1"};
    QTest::newRow("Remove button") << "Alt+R" << QStringList{kBroad + " x1"};
    QTest::newRow("context menu") << "&Remove" << QStringList{kBroad + " x1"};
    QTest::newRow("Clear") << "Alt+L" << QStringList();
    QTest::newRow("Open") << "Alt+O" << QStringList{kShort + " x3"};
    QTest::newRow("count, step by step") << "Up Up Up" << QStringList{kShort + " x5", kBroad + " x1"};
}

// Each change, then Ctrl+Z: the plan as it was, no question asked, and the
// edit of a count ended before its row went (no commitData warning).
void PlanWindowTest::undoBringsThePlanBack() {
    QFETCH(QString, change);
    QFETCH(QStringList, changed);
    Harness h;
    QVERIFY(h.Show());
    PlanWindow* window = h.InsertBoth();
    const QStringList before{kShort + " x2", kBroad + " x1"};
    QCOMPARE(h.Entries(), before);
    const QString totals = h.Totals();
    const QString planFile = QString::fromStdString(h.game / "three.csv");
    QVERIFY(WritePlanFile(planFile.toStdString(), Plan{{{"Albion", "Waffenschmied", "Schwerter", "Kurzschwert", std::nullopt}, 3}}));
    h.prompter.openAnswers.push_back(planFile);
    h.prompter.menuChoice = change;
    QTest::failOnWarning(QRegularExpression("commitData"));
    h.FocusEntry(0);
    if (change.startsWith("Up")) {
        h.Key(Qt::Key_F2);
        for (int step = 0; step < 3; ++step) h.Key(Qt::Key_Up);
    } else if (change == "Delete") {
        h.Key(Qt::Key_F2);  // the spin box is open; Delete on the list removes
        h.Key(Qt::Key_Escape);
        h.Key(Qt::Key_Delete);
    } else if (change.startsWith("Alt+")) {
        h.Key(Qt::Key_F2);
        h.Key(change.back().unicode(), Qt::AltModifier);
    } else {
        const QPoint at = window->entriesView()->visualItemRect(window->entriesView()->item(0, 0)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, window->entriesView()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(window->entriesView()->viewport(), &event);
    }
    QTRY_COMPARE(h.Entries(), changed);
    QCOMPARE(h.prompter.messages.size(), 0u);
    h.FocusEntry(0);
    h.Key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(h.Entries(), before);
    QCOMPARE(h.Totals(), totals);
    h.Key(Qt::Key_Z, Qt::ControlModifier);  // the last Insert
    QCOMPARE(h.Entries(), QStringList{kShort + " x2"});
}

// The plan window reads the dialog's plan index until it is deleted: torn
// down with the dialog, it is gone before the index, and before the
// dialog's other parts, whose teardown may still reach it.
void PlanWindowTest::windowGoesBeforeTheDialogsIndex() {
    Harness h;
    QVERIFY(h.Show());
    h.SelectPattern(0);
    h.Key(Qt::Key_Insert);
    const QPointer<PlanWindow> window = h.dialog->planWindow();
    QVERIFY(window != nullptr);
    std::optional<std::size_t> entriesSeen;
    QObject::connect(h.Tree(), &QObject::destroyed, [&] {
        if (window != nullptr) entriesSeen = window->CurrentPlan().size();
    });
    h.dialog.reset();
    QVERIFY(window.isNull());
    QCOMPARE(entriesSeen, std::nullopt);
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    PlanWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "PlanWindowTest.moc"
