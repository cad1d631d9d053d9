// The recipe tree model: structure checked by QAbstractItemModelTester,
// publication in one reset per load, lazily converted labels.

#include "platform/RecipeTreeModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTreeView>
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
    void indexesAreItemHandles();
    void labelsAreCodePage1252();
    void viewFollowsTheModel();
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

void RecipeTreeModelTest::indexesAreItemHandles() {
    RecipeTreeModel model;
    Fill(model, 2, 2);
    const RecipeTree& tree = model.tree();
    for (TreeItem item = 1; item <= tree.size(); ++item) {
        const QModelIndex index = model.IndexOf(item);
        QVERIFY(index.isValid());
        QCOMPARE(model.ItemOf(index), item);
        QCOMPARE(index.row(), int(tree.Row(item)));
        QCOMPARE(model.ItemOf(model.parent(index)), tree.Parent(item));
        QCOMPARE(model.index(index.row(), 0, model.parent(index)), index);
        QCOMPARE(model.rowCount(index), int(tree.ChildCount(item)));
    }
    QVERIFY(!model.IndexOf(kTreeRoot).isValid());
    QVERIFY(!model.IndexOf(TreeItem(tree.size() + 1)).isValid());
    QVERIFY(!model.index(2, 0).isValid());
    QVERIFY(!model.index(0, 1).isValid());
    QVERIFY(!model.index(-1, 0).isValid());
    // Leaves say so, which spares views a question per ingredient.
    const QModelIndex pattern = model.index(0, 0, model.index(0, 0, model.index(0, 0, model.index(0, 0))));
    const QModelIndex ingredient = model.index(1, 0, pattern);
    QVERIFY(ingredient.isValid());
    QVERIFY(model.flags(ingredient).testFlag(Qt::ItemNeverHasChildren));
    QVERIFY(!model.flags(ingredient.parent()).testFlag(Qt::ItemNeverHasChildren));
}

void RecipeTreeModelTest::labelsAreCodePage1252() {
    struct Case {
        const char* bytes;
        const char* utf8;
    } cases[] = {
        {"Gepr\xE4gt", "Gepr\xC3\xA4gt"},
        {"D\xFCsterholz", "D\xC3\xBCsterholz"},
        {"\x80 \x84Nebel\x93 \x8A\x9F", "\xE2\x82\xAC \xE2\x80\x9ENebel\xE2\x80\x9C \xC5\xA0\xC5\xB8"},
        {"\x81", "\xEF\xBF\xBD"},
        {"", ""},
    };
    RecipeTreeModel model;
    model.DeleteAllItems();
    for (const Case& c : cases) model.InsertItem(kTreeRoot, c.bytes);
    model.FinishFilling();
    int row = 0;
    for (const Case& c : cases) {
        const QModelIndex index = model.index(row++, 0);
        QCOMPARE(model.data(index).toString(), QString::fromUtf8(c.utf8));
        QVERIFY(!model.data(index, Qt::DecorationRole).isValid());
    }
    QVERIFY(!model.data(QModelIndex()).isValid());
}

void RecipeTreeModelTest::viewFollowsTheModel() {
    RecipeTreeModel model;
    QTreeView view;
    view.setModel(&model);
    view.resize(300, 400);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    Fill(model, 3, 3);
    view.expandAll();
    const QModelIndex pattern = model.index(0, 0, model.index(0, 0, model.index(0, 0, model.index(0, 0))));
    view.setCurrentIndex(pattern);
    QCOMPARE(view.currentIndex(), pattern);
    // A reload drops the expansion and the selection with the old items.
    Fill(model, 1, 1);
    QVERIFY(!view.currentIndex().isValid());
    QVERIFY(!view.isExpanded(model.index(0, 0)));
    model.DeleteAllItems();
    model.FinishFilling();
    QCOMPARE(view.model()->rowCount(), 0);
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    RecipeTreeModelTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "RecipeTreeModelTest.moc"
