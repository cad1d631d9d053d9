// The recipe tree model: structure checked by QAbstractItemModelTester,
// publication in one reset per load, lazily converted labels.

#include "desktop/RecipeTreeModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

using namespace artisanscope;

namespace {

// Fills the model as a load does: realms, each with skills, each with
// categories, each with patterns, each with two ingredients.
void Fill(RecipeTreeModel& model, int realms, int width) {
    model.DeleteAllItems();
    for (int r = 0; r < realms; ++r) {
        const TreeItem realm = model.InsertItem(kTreeRoot, "Realm " + std::to_string(r));
        for (int s = 0; s < width; ++s) {
            const TreeItem skill = model.InsertItem(realm, "Skill " + std::to_string(s));
            for (int c = 0; c < width; ++c) {
                const TreeItem category = model.InsertItem(skill, "Category");
                for (int p = 0; p < width; ++p) {
                    const TreeItem pattern = model.InsertItem(category, "Pattern (" + std::to_string(p) + ")");
                    model.InsertItem(pattern, "Metallbarren: 2 Gepr\xE4gt");
                    model.InsertItem(pattern, "1 Faden");
                }
            }
        }
    }
    model.FinishFilling();
}

}  // namespace

class RecipeTreeModelTest : public QObject {
    Q_OBJECT

private slots:
    void structureHoldsThroughLoads();
    void loadsArePublishedWhole();
    void labelsAreCodePage1252();
    void filteredStructureHolds();
};

void RecipeTreeModelTest::structureHoldsThroughLoads() {
    RecipeTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.rowCount(), 0);
    for (const auto& [realms, width] : {std::pair{3, 3}, std::pair{1, 1}, std::pair{0, 0}, std::pair{2, 4}}) {
        Fill(model, realms, width);
        QCOMPARE(model.rowCount(), realms);
        if (realms > 0) {
            const QModelIndex realm = model.index(realms - 1, 0);
            QCOMPARE(model.rowCount(realm), width);
            QCOMPARE(model.rowCount(model.index(0, 0, realm)), width);
        }
    }
    // A failed load: emptied, then finished with nothing inserted.
    model.DeleteAllItems();
    model.FinishFilling();
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(!model.hasChildren());
}

void RecipeTreeModelTest::loadsArePublishedWhole() {
    RecipeTreeModel model;
    Fill(model, 3, 2);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);

    model.DeleteAllItems();
    QCOMPARE(resets.count(), 1);
    QCOMPARE(model.rowCount(), 0);  // the old tree is gone at once
    const TreeItem realm = model.InsertItem(kTreeRoot, "Albion");
    model.InsertItem(realm, "Schmied");
    QCOMPARE(model.rowCount(), 0);  // the new one is not seen half-filled
    QCOMPARE(resets.count(), 1);
    model.FinishFilling();
    QCOMPARE(resets.count(), 2);
    QCOMPARE(inserts.count(), 0);
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.tree().size(), std::size_t{2});

    // An insert under an unknown parent changes nothing.
    model.DeleteAllItems();
    QCOMPARE(model.InsertItem(42, "orphan"), kNoTreeItem);
    model.FinishFilling();
    QCOMPARE(model.rowCount(), 0);
}

void RecipeTreeModelTest::labelsAreCodePage1252() {
    const std::pair<const char*, const char*> labels[] = {
        {"Gepr\xE4gt", "Gepr\xC3\xA4gt"},
        {"\x80 \x84Nebel\x93 \x8A\x9F", "\xE2\x82\xAC \xE2\x80\x9ENebel\xE2\x80\x9C \xC5\xA0\xC5\xB8"},
        {"\x81", "\xEF\xBF\xBD"},
    };
    RecipeTreeModel model;
    model.DeleteAllItems();
    for (const auto& [bytes, utf8] : labels) model.InsertItem(kTreeRoot, bytes);
    model.FinishFilling();
    int row = 0;
    for (const auto& [bytes, utf8] : labels) QCOMPARE(model.data(model.index(row++, 0)).toString(), QString::fromUtf8(utf8));
    QVERIFY(!model.data(model.index(0, 0), Qt::DecorationRole).isValid());
}

void RecipeTreeModelTest::filteredStructureHolds() {
    RecipeTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    Fill(model, 3, 3);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    struct Case {
        const char* query;
        int realms;
        std::size_t patterns;
    };
    // Ingredient labels hold "1" and "2" but no "0".
    const Case cases[] = {
        {"(1)", 3, 27},         {"realm 0 (1)", 3, 15}, {"gepr\u00E4gt faden", 3, 81}, {"category", 3, 81},
        {"zzz", 0, 0},          {"", 3, 81},
    };
    for (const Case& c : cases) {
        model.SetFindQuery(FindQuery::FromUtf8(c.query));
        QCOMPARE(model.rowCount(), c.realms);
        QCOMPARE(model.filter().ShownPatternCount(), c.patterns);
    }
    QCOMPARE(resets.count(), 6);

    // Indexes of shown items answer from the filtered tree.
    model.SetFindQuery(FindQuery::FromUtf8("(2)"));
    const QModelIndex skill = model.index(0, 0, model.index(0, 0));
    QCOMPARE(skill.data().toString(), QStringLiteral("Skill 0"));
    QCOMPARE(model.rowCount(model.index(2, 0, skill)), 1);
    const QModelIndex pattern = model.index(0, 0, model.index(2, 0, skill));
    QCOMPARE(pattern.data().toString(), QStringLiteral("Pattern (2)"));
    QCOMPARE(model.parent(pattern).row(), 2);
    QCOMPARE(model.IndexOf(model.ItemOf(pattern)), pattern);
    QVERIFY2(!model.IndexOf(4).isValid(), "the first Pattern (0) is hidden");

    // A reload keeps the query; so does an emptied tree.
    Fill(model, 2, 4);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.filter().ShownPatternCount(), std::size_t{32});
    Fill(model, 4, 2);
    QCOMPARE(model.rowCount(), 0);
    model.DeleteAllItems();
    model.FinishFilling();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.findQuery().terms, std::vector<std::string>{"(2)"});
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    RecipeTreeModelTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "RecipeTreeModelTest.moc"
