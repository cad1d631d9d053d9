// The find bar of the main dialog, driven by keyboard under Qt's offscreen
// platform: open, type, count, next and previous, Escape, reloads; and the
// tree's own keys that go with it, * and Ctrl+C.

// The tables first: Qt's "slots" keyword would take the fixtures' field.
#include "fixtures/TableWriter.h"

namespace {
using namespace artisanscope;

// Albion: Waffenschmied > Schwerter (Kurzschwert with Eisen, Langschwert
// with Bronze) and Äxte (Beil); Schneider > Mäntel (Umhang). Midgard:
// Rüstungsbauer > Helme (Eisenhelm with Eisen). Hibernia is empty.
fixtures::TablePlan FindTable() {
    using namespace fixtures;
    TablePlan table;
    RealmPlan& albion = table.realms[0];
    auto pattern = [](const char* name, std::uint16_t skill, const char* part, std::uint16_t count) {
        return PatternPlan{.name = name, .skill = skill, .slots = {{.name = "Griff", .quantity = 1},
                                                                  {.name = part, .quantity = count}}};
    };
    const CategoryPlan swords{.name = "Schwerter",
                              .patterns = {albion.AddPattern(pattern("Kurzschwert", 10, "Eisen", 3)),
                                           albion.AddPattern(pattern("Langschwert", 20, "Bronze", 5))}};
    const CategoryPlan axes{.name = "\xC4xte", .patterns = {albion.AddPattern(pattern("Beil", 5, "Eiche", 1))}};
    const CategoryPlan cloaks{.name = "M\xE4ntel", .patterns = {albion.AddPattern(pattern("Umhang", 1, "Wolle", 2))}};
    const std::uint16_t swordsIndex = albion.AddCategory(swords);
    const std::uint16_t axesIndex = albion.AddCategory(axes);
    const std::uint16_t cloaksIndex = albion.AddCategory(cloaks);
    albion.skills.push_back({.name = "Waffenschmied", .categories = {swordsIndex, axesIndex}});
    albion.skills.push_back({.name = "Schneider", .categories = {cloaksIndex}});
    RealmPlan& midgard = table.realms[1];
    const CategoryPlan helms{.name = "Helme", .patterns = {midgard.AddPattern(pattern("Eisenhelm", 30, "Eisen", 4))}};
    midgard.skills.push_back({.name = "R\xFCstungsbauer", .categories = {midgard.AddCategory(helms)}});
    return table;
}

// Albion: Schmied with 60 categories "Kategorie <n>" of 40 patterns "Ring".
fixtures::TablePlan RingTable() {
    fixtures::TablePlan table;
    fixtures::RealmPlan& albion = table.realms[0];
    fixtures::SkillPlan skill{.name = "Schmied"};
    for (int c = 0; c < 60; ++c) {
        fixtures::CategoryPlan category{.name = "Kategorie " + std::to_string(c)};
        for (int p = 0; p < 40; ++p) {
            category.patterns.push_back(albion.AddPattern({.name = "Ring", .skill = 1, .slots = {{.name = "Gold", .quantity = 1}}}));
        }
        skill.categories.push_back(albion.AddCategory(category));
    }
    albion.skills.push_back(skill);
    return table;
}

// Albion: Waffenschmied > Schwerter (a hidden pattern, then "Schwert 0" to
// "Schwert 29" with a material of two languages) and Äxte (Beil);
// Schneider > Mäntel (Umhang). Tall enough to scroll. Midgard: Rüstungsbauer
// > Helme (Helm), unless left out, and Gerber > Leder (Wams).
fixtures::TablePlan PlaceTable(bool withArmourer = true) {
    using namespace fixtures;
    TablePlan table;
    RealmPlan& albion = table.realms[0];
    CategoryPlan swords{.name = "Schwerter"};
    swords.patterns.push_back(albion.AddPattern({.name = "Geheim", .skill = 2100, .slots = {{.name = "Faden", .quantity = 1}}}));
    for (int p = 0; p < 30; ++p) {
        swords.patterns.push_back(albion.AddPattern(
            {.name = "Schwert " + std::to_string(p), .skill = 10, .slots = {{.name = "Metallbarren", .quantity = 2, .material = 22}}}));
    }
    const CategoryPlan axes{.name = "\xC4xte", .patterns = {albion.AddPattern({.name = "Beil", .skill = 5, .slots = {{.name = "Eiche", .quantity = 1}}})}};
    const CategoryPlan cloaks{.name = "M\xE4ntel", .patterns = {albion.AddPattern({.name = "Umhang", .skill = 1, .slots = {{.name = "Wolle", .quantity = 2}}})}};
    const std::uint16_t swordsIndex = albion.AddCategory(swords);
    const std::uint16_t axesIndex = albion.AddCategory(axes);
    albion.skills.push_back({.name = "Waffenschmied", .categories = {swordsIndex, axesIndex}});
    albion.skills.push_back({.name = "Schneider", .categories = {albion.AddCategory(cloaks)}});
    RealmPlan& midgard = table.realms[1];
    const CategoryPlan helms{.name = "Helme", .patterns = {midgard.AddPattern({.name = "Helm", .skill = 30, .slots = {{.name = "Eisen", .quantity = 4}}})}};
    const CategoryPlan leather{.name = "Leder", .patterns = {midgard.AddPattern({.name = "Wams", .skill = 15, .slots = {{.name = "Haut", .quantity = 3}}})}};
    if (withArmourer) midgard.skills.push_back({.name = "R\xFCstungsbauer", .categories = {midgard.AddCategory(helms)}});
    midgard.skills.push_back({.name = "Gerber", .categories = {midgard.AddCategory(leather)}});
    return table;
}

// Albion: Schmied > Waffen (Schwert with Eisen and Eisenholz, Dolch with
// Bronze, Eisen without a material); Midgard: Schmied > Helme (Helm with
// Eisen).
fixtures::TablePlan MaterialTable() {
    using namespace fixtures;
    TablePlan table;
    RealmPlan& albion = table.realms[0];
    const CategoryPlan weapons{
        .name = "Waffen",
        .patterns = {albion.AddPattern({.name = "Schwert", .skill = 310, .slots = {{"Metall", 3, 8}, {"Griff", 1, 34}}}),
                     albion.AddPattern({.name = "Dolch", .skill = 120, .slots = {{"Metall", 1, 7}}}),
                     albion.AddPattern({.name = "Eisen", .skill = 50, .slots = {{"Erz", 2}}})}};
    albion.skills.push_back({.name = "Schmied", .categories = {albion.AddCategory(weapons)}});
    RealmPlan& midgard = table.realms[1];
    const CategoryPlan helms{.name = "Helme",
                             .patterns = {midgard.AddPattern({.name = "Helm", .skill = 340, .slots = {{"Metall", 4, 8}}})}};
    midgard.skills.push_back({.name = "Schmied", .categories = {midgard.AddCategory(helms)}});
    return table;
}

}  // namespace

#include "DialogHarness.h"
#include "desktop/FindBar.h"

#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTreeView>
#include <QtTest>

#include <functional>

#include <memory>

using namespace artisanscope;
using artisanscope::testing::DialogHarness;
using artisanscope::testing::TempDir;

namespace {

struct Harness : DialogHarness {
    explicit Harness(const std::string& find = {}) : DialogHarness(fixtures::WriteRecipeTable(FindTable()), find) {}
    FindBar& Bar() const { return dialog->findBar(); }
    QString SelectedLabel() const {
        const QModelIndexList selected = Tree()->selectionModel()->selectedIndexes();
        return selected.size() == 1 ? selected.front().data().toString() : QStringLiteral("<%1 selected>").arg(selected.size());
    }
    // The labels of the rows the view shows (expanded branches only), with
    // two blanks per level.
    QStringList VisibleRows() const {
        QStringList rows;
        for (QModelIndex index = Tree()->indexAt(QPoint(1, 1)); index.isValid(); index = Tree()->indexBelow(index)) {
            int depth = 0;
            for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) ++depth;
            rows << QString(2 * depth, ' ') + index.data().toString();
        }
        return rows;
    }
    // The shown item reached by labels from the realm down, each found as
    // whole words in its row (the debug mode adds values around them);
    // invalid when one is missing.
    QModelIndex ByLabels(const QStringList& labels) const {
        QModelIndex at;
        for (const QString& label : labels) {
            const QRegularExpression words("(^| )" + QRegularExpression::escape(label) + "( |$)");
            QModelIndex found;
            for (int row = 0; row < Model().rowCount(at) && !found.isValid(); ++row) {
                if (words.match(Model().index(row, 0, at).data().toString()).hasMatch()) found = Model().index(row, 0, at);
            }
            if (!found.isValid()) return {};
            at = found;
        }
        return at;
    }
};

}  // namespace

class FindBarTest : public QObject {
    Q_OBJECT

private slots:
    void findByKeyboard();
    void manyMatchesExpandDownToCategories();
    void treeKeysExpandAndCopy();
    void commandLineQueryFillsTheBar();
    void reloadsKeepThePlace();
    void levelAndMaterialTerms();
};

void FindBarTest::findByKeyboard() {
    Harness h;
    QVERIFY(h.Show());
    QTreeView* tree = h.Tree();
    const int fullHeight = tree->height();
    QVERIFY(!h.Bar().isVisible());
    QCOMPARE(h.Model().rowCount(), 3);

    // Ctrl+F opens the bar below the tree, which gives up the bar's height.
    h.Key(Qt::Key_F, Qt::ControlModifier);
    QVERIFY(h.Bar().isVisible());
    QCOMPARE(QApplication::focusWidget(), h.Bar().lineEdit());
    QCOMPARE(h.Bar().lineEdit()->placeholderText(),
             QStringLiteral("Find recipes: words, \"two words\", level:300-350, material:Eisen"));
    QCOMPARE(tree->height(), fullHeight - h.Bar().height());
    QCOMPARE(h.Bar().geometry().top(), tree->geometry().bottom() + 1);
    QCOMPARE(h.Bar().width(), tree->width());

    // Typing filters at once; few matches are expanded down to the patterns.
    QTest::keyClicks(h.Bar().lineEdit(), "EISEN");
    QCOMPARE(h.Bar().matchCountText(), QStringLiteral("2 patterns"));
    QCOMPARE(h.VisibleRows(), (QStringList{"Albion", "  Waffenschmied", "    Schwerter", "      Kurzschwert (10)",
                                           "Midgard", "  R\u00FCstungsbauer", "    Helme", "      Eisenhelm (30)"}));
    for (int i = 0; i < 3; ++i) h.Key(Qt::Key_Backspace);
    // "EI": Eisen, Eiche, and Umhang of the Schneider.
    QCOMPARE(h.Bar().matchCountText(), QStringLiteral("4 patterns"));
    QTest::keyClicks(h.Bar().lineEdit(), "sen helm");
    QCOMPARE(h.Bar().matchCountText(), QStringLiteral("1 pattern"));
    QVERIFY(!h.dialog->emptyTreeMessage()->isVisible());
    QTest::keyClicks(h.Bar().lineEdit(), "x");
    QCOMPARE(h.Bar().matchCountText(), QStringLiteral("0 patterns"));
    QCOMPARE(h.Model().rowCount(), 0);
    // The empty tree says why, across its whole view.
    QVERIFY(h.dialog->emptyTreeMessage()->isVisible());
    QCOMPARE(h.dialog->emptyTreeMessage()->text(), QStringLiteral("No recipes match"));
    QCOMPARE(h.dialog->emptyTreeMessage()->geometry(), tree->viewport()->rect());
    h.Key(Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(h.Bar().lineEdit(), "eisen");
    QVERIFY(!h.dialog->emptyTreeMessage()->isVisible());

    // Enter and F3 go forward, Shift with either back, round the ends; the
    // dialog's default button is not pressed.
    const std::pair<int, Qt::KeyboardModifiers> keys[] = {
        {Qt::Key_Return, Qt::NoModifier}, {Qt::Key_Return, Qt::NoModifier}, {Qt::Key_Return, Qt::NoModifier},
        {Qt::Key_Return, Qt::ShiftModifier}, {Qt::Key_F3, Qt::NoModifier}, {Qt::Key_F3, Qt::ShiftModifier},
        {Qt::Key_Enter, Qt::KeypadModifier}};
    QStringList visited, positions;
    for (const auto& [key, modifiers] : keys) {
        h.Key(key, modifiers);
        visited << h.SelectedLabel();
        positions << h.Bar().matchCountText();
        QVERIFY(tree->viewport()->rect().intersects(tree->visualRect(tree->currentIndex())));
    }
    QCOMPARE(visited, (QStringList{"Kurzschwert (10)", "Eisenhelm (30)", "Kurzschwert (10)", "Eisenhelm (30)",
                                   "Kurzschwert (10)", "Eisenhelm (30)", "Kurzschwert (10)"}));
    QCOMPARE(positions, (QStringList{"1 of 2", "2 of 2", "1 of 2", "2 of 2", "1 of 2", "2 of 2", "1 of 2"}));
    QVERIFY(h.dialog->isVisible());
    QCOMPARE(QApplication::focusWidget(), h.Bar().lineEdit());

    // A reload (here the English checkbox, by keyboard) keeps the filter.
    QCheckBox* english = qobject_cast<QCheckBox*>(h.dialog->GetDlgItem(main_dialog::kEnglishNamesId));
    english->setFocus();
    h.Key(Qt::Key_Space);
    QVERIFY(english->isChecked());
    QCOMPARE(h.Bar().matchCountText(), QStringLiteral("1 of 2"));
    QCOMPARE(h.SelectedLabel(), QStringLiteral("Kurzschwert (10)"));
    QCOMPARE(h.Model().rowCount(), 2);
    QCOMPARE(h.VisibleRows().size(), 8);

    // Escape in the bar: the whole tree again, the selected pattern kept
    // selected and in view; the dialog stays.
    h.Bar().lineEdit()->setFocus();
    h.Key(Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(h.SelectedLabel(), QStringLiteral("Eisenhelm (30)"));
    h.Key(Qt::Key_Escape);
    QVERIFY(h.dialog->isVisible());
    QVERIFY(!h.Bar().isVisible());
    QCOMPARE(tree->height(), fullHeight);
    QCOMPARE(h.Model().rowCount(), 3);
    QCOMPARE(h.Model().tree().size(), std::size_t{25});
    QCOMPARE(h.SelectedLabel(), QStringLiteral("Eisenhelm (30)"));
    QVERIFY(tree->viewport()->rect().intersects(tree->visualRect(tree->currentIndex())));
    QCOMPARE(QApplication::focusWidget(), tree);

    // Ctrl+F brings the query back, selected for retyping.
    h.Key(Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(h.Bar().lineEdit()->selectedText(), QStringLiteral("eisen"));
    QCOMPARE(h.Model().rowCount(), 2);
    h.Key(Qt::Key_Escape);

    // Escape elsewhere still ends the dialog.
    h.Key(Qt::Key_Escape);
    QVERIFY(!h.dialog->isVisible());
}

void FindBarTest::manyMatchesExpandDownToCategories() {
    // More matching patterns than the bound: categories shown, not opened.
    const fixtures::TablePlan table = RingTable();
    Harness h;
    fixtures::WriteGameDirectory(h.game.path(), fixtures::WriteRecipeTable(table));
    QVERIFY(h.Show());
    QVERIFY(kExpandPatternsUpTo < 2400);
    h.Key(Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(h.Bar().lineEdit(), "ring");
    QCOMPARE(h.Bar().matchCountText(), QStringLiteral("2400 patterns"));
    QCOMPARE(h.VisibleRows().size(), 2 + 60);
    QTest::keyClicks(h.Bar().lineEdit(), " 7");  // categories 7, 17, ... 57: 6 × 40
    QCOMPARE(h.Bar().matchCountText(), QStringLiteral("240 patterns"));
    QCOMPARE(h.VisibleRows().size(), 2 + 6 + 240);
}

void FindBarTest::treeKeysExpandAndCopy() {
    Harness h;
    QVERIFY(h.Show());
    QTreeView* tree = h.Tree();
    tree->setFocus();
    tree->setCurrentIndex(h.Model().index(0, 0));
    // * opens the whole branch.
    h.Key(Qt::Key_Asterisk);
    QCOMPARE(h.VisibleRows().size(), 1 + 17 + 2);  // Albion's 17 items, Midgard and Hibernia
    // Ctrl+C copies the selected item and all below it, as --tree lists it.
    const QModelIndex swords = h.Model().index(0, 0, h.Model().index(0, 0, h.Model().index(0, 0)));
    tree->setCurrentIndex(swords);
    QGuiApplication::clipboard()->clear();
    h.Key(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("Schwerter\n  Kurzschwert (10)\n    1 Griff\n    3 Eisen\n"
                            "  Langschwert (20)\n    1 Griff\n    5 Bronze\n"));
    // With a filter, what is shown below it.
    h.Key(Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(h.Bar().lineEdit(), "eisen");
    tree->setFocus();
    QCOMPARE(h.SelectedLabel(), QStringLiteral("Schwerter"));
    h.Key(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Schwerter\n  Kurzschwert (10)\n    1 Griff\n    3 Eisen\n"));
}

void FindBarTest::commandLineQueryFillsTheBar() {
    Harness h("helm");
    QVERIFY(h.Show());
    QVERIFY(h.Bar().isVisible());
    QCOMPARE(h.Bar().query(), QStringLiteral("helm"));
    QCOMPARE(h.Bar().matchCountText(), QStringLiteral("1 pattern"));
    QCOMPARE(h.VisibleRows(), (QStringList{"Midgard", "  R\u00FCstungsbauer", "    Helme", "      Eisenhelm (30)"}));
}

// Either checkbox, Export and Open of the same archive reload the tree; the
// open branches, the selected item and the first row in view stay, found by
// their labels (the hidden pattern Debug-Mode adds shifts the rows) or, for
// an ingredient that changes with the language, by its row. A branch that is
// gone stays closed: its neighbour now at its row does not open.
void FindBarTest::reloadsKeepThePlace() {
    Harness h;
    fixtures::WriteGameDirectory(h.game.path(), fixtures::WriteRecipeTable(PlaceTable()));
    QVERIFY(h.Show());
    QTreeView* tree = h.Tree();
    const QStringList swords{"Albion", "Waffenschmied", "Schwerter"}, cloaks{"Albion", "Schneider", "M\u00E4ntel"};
    tree->expand(h.ByLabels(swords.mid(0, 1)));
    tree->expand(h.ByLabels(swords.mid(0, 2)));
    tree->expand(h.ByLabels(swords));
    tree->expand(h.ByLabels(cloaks.mid(0, 2)));
    tree->expand(h.ByLabels(cloaks));
    tree->expand(h.ByLabels({"Midgard"}));
    tree->expand(h.ByLabels({"Midgard", "R\u00FCstungsbauer"}));
    const QModelIndex ingredient = h.Model().index(0, 0, h.ByLabels(swords + QStringList{"Schwert 20"}));
    tree->setCurrentIndex(ingredient);
    tree->scrollTo(h.ByLabels(swords + QStringList{"Schwert 5"}), QAbstractItemView::PositionAtTop);
    const QString germanIngredient = ingredient.data().toString();
    QVERIFY(tree->verticalScrollBar()->value() > 0);

    const auto place = [&] {
        QStringList open;
        for (const QStringList& branch : {swords.mid(0, 1), swords.mid(0, 2), swords, cloaks.mid(0, 2), cloaks,
                                          QStringList{"Albion", "Waffenschmied", "\u00C4xte"}, QStringList{"Midgard"},
                                          QStringList{"Midgard", "Gerber"}}) {
            if (tree->isExpanded(h.ByLabels(branch))) open << branch.join('/');
        }
        const QModelIndex current = tree->currentIndex();
        return QStringList{open.join(", "), h.ByLabels(swords + QStringList{"Schwert 20"}) == current.parent() ? "Schwert 20" : "",
                           QString::number(current.row()), h.SelectedLabel() == current.data().toString() ? "selected" : "",
                           h.ByLabels(swords + QStringList{"Schwert 5"}) == tree->indexAt(QPoint(1, 1)) ? "Schwert 5" : ""};
    };
    const QStringList before = place();
    QCOMPARE(before, (QStringList{"Albion, Albion/Waffenschmied, Albion/Waffenschmied/Schwerter, Albion/Schneider, "
                                  "Albion/Schneider/M\u00E4ntel, Midgard",
                                  "Schwert 20", "0", "selected", "Schwert 5"}));
    const auto click = [&](int id) {
        auto* button = qobject_cast<QAbstractButton*>(h.dialog->GetDlgItem(id));
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    };
    TempDir out;
    const std::function<void()> reloads[] = {
        [&] { click(main_dialog::kEnglishNamesId); },
        [&] { click(main_dialog::kDebugModeId); },
        [&] { click(main_dialog::kEnglishNamesId); },
        [&] { click(main_dialog::kDebugModeId); },
        // The find bar opened and closed, with nothing typed and with a word.
        [&] {
            tree->setFocus();
            h.Key(Qt::Key_F, Qt::ControlModifier);
            h.Key(Qt::Key_Escape);
        },
        [&] {
            tree->setFocus();
            h.Key(Qt::Key_F, Qt::ControlModifier);
            QTest::keyClicks(h.Bar().lineEdit(), "schwert");
            h.Key(Qt::Key_Escape);
        },
        [&] {
            h.prompter.saveAnswers.push_back(QString::fromStdString(out / "recipes.txt"));
            click(main_dialog::kExportId);
        },
        [&] {
            h.prompter.openAnswers.push_back(QString::fromStdString(h.game / "Camelot.exe"));
            click(main_dialog::kOpenId);
        },
        [&] {  // Rüstungsbauer gone: Gerber takes its row
            fixtures::WriteGameDirectory(h.game.path(), fixtures::WriteRecipeTable(PlaceTable(false)));
            h.prompter.openAnswers.push_back(QString::fromStdString(h.game / "Camelot.exe"));
            click(main_dialog::kOpenId);
        },
    };
    QStringList ingredients;
    for (const auto& reload : reloads) {
        reload();
        QCOMPARE(place(), before);
        ingredients << tree->currentIndex().data().toString();
    }
    QVERIFY(h.prompter.messages.empty());
    // The English name was found by its row.
    QVERIFY(ingredients.front() != germanIngredient);
    QCOMPARE(ingredients.back(), germanIngredient);
}

void FindBarTest::levelAndMaterialTerms() {
    Harness h;
    fixtures::WriteGameDirectory(h.game.path(), fixtures::WriteRecipeTable(MaterialTable()));
    QVERIFY(h.Show());
    QTreeView* tree = h.Tree();
    QVERIFY(h.Bar().lineEdit()->toolTip().contains("material:"));

    // What was not understood is said while nothing matches.
    h.Key(Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(h.Bar().lineEdit(), "material:Eisn");
    QCOMPARE(h.Bar().matchCountText(), QStringLiteral("no material is called Eisn"));
    h.Key(Qt::Key_A, Qt::ControlModifier);

    // Levels from the table; with a level term a skill is not shown whole.
    QTest::keyClicks(h.Bar().lineEdit(), "level:300-");
    QCOMPARE(h.Bar().matchCountText(), QStringLiteral("2 patterns"));
    const QStringList eisen = {"Albion", "  Schmied", "    Waffen", "      Schwert (310)",
                               "Midgard", "  Schmied", "    Helme", "      Helm (340)"};
    QCOMPARE(h.VisibleRows(), eisen);
    h.Key(Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(h.Bar().lineEdit(), "schmied level:-100");
    QCOMPARE(h.VisibleRows(), (QStringList{"Albion", "  Schmied", "    Waffen", "      Eisen (50)"}));
    h.Key(Qt::Key_Escape);

    // The menu key on an ingredient with a material: "Recipes using Eisen"
    // opens the bar with the material term; not the pattern named Eisen.
    tree->expandAll();
    const QModelIndex weapons = h.Model().index(0, 0, h.Model().index(0, 0, h.Model().index(0, 0)));
    tree->setCurrentIndex(h.Model().index(0, 0, h.Model().index(0, 0, weapons)));
    QCOMPARE(h.SelectedLabel(), QStringLiteral("Metall: 3 Eisen"));
    tree->setFocus();
    h.prompter.menuChoice = QStringLiteral("Recipes using Eisen");
    h.Key(Qt::Key_Menu);
    QCOMPARE(h.prompter.menusShown, 1);
    QVERIFY(h.Bar().isVisible());
    QCOMPARE(h.Bar().query(), QStringLiteral("material:\"Eisen\""));
    QCOMPARE(h.Bar().matchCountText(), QStringLiteral("2 patterns"));
    QCOMPARE(h.SelectedLabel(), QStringLiteral("Metall: 3 Eisen"));
    QStringList withSelected = eisen;  // the selected ingredient stays in view
    withSelected.insert(4, "        Metall: 3 Eisen");
    withSelected.insert(5, "        Griff: 1 Eisenholz");
    QCOMPARE(h.VisibleRows(), withSelected);

    // Typed by hand, the same; a right click on an ingredient without a
    // material offers the comparison alone, on one with Eisenholz its recipes.
    h.Key(Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(h.Bar().lineEdit(), "eisen");
    h.Key(Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(h.Bar().lineEdit(), "material:\"Eisen\"");
    QCOMPARE(h.Bar().matchCountText(), QStringLiteral("2 patterns"));
    QCOMPARE(h.VisibleRows(), eisen);  // the selection was lost on the way
    h.Key(Qt::Key_Escape);
    tree->expandAll();
    auto rightClick = [&](const QModelIndex& index) {
        const QPoint at = tree->visualRect(index).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, tree->viewport()->mapToGlobal(at));
        QApplication::sendEvent(tree->viewport(), &event);
    };
    rightClick(h.Model().index(0, 0, h.Model().index(2, 0, weapons)));  // 2 Erz
    QCOMPARE(h.prompter.menusShown, 2);
    QCOMPARE(h.Bar().isVisible(), false);
    h.prompter.menuChoice = QStringLiteral("Recipes using Eisenholz");
    rightClick(h.Model().index(1, 0, h.Model().index(0, 0, weapons)));  // Griff: 1 Eisenholz
    QCOMPARE(h.prompter.menusShown, 3);
    QCOMPARE(h.Bar().matchCountText(), QStringLiteral("1 pattern"));
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    FindBarTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "FindBarTest.moc"
