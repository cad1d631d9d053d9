// The core's headers come before Qt's: Qt defines "slots" as a macro.
#include "plan/PlanFile.h"

#include "desktop/PlanWindow.h"

#include "desktop/Prompter.h"
#include "desktop/RememberedPlaces.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

namespace artisanscope {
namespace {

enum Column { kPatternColumn, kCountColumn };

QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::string FileNameBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

// "Realm › Skill › Category › Pattern".
QString EntryLabel(const PatternKey& key) {
    const QString step = QStringLiteral(" \u203A ");
    return Utf8(key.realm) + step + Utf8(key.skill) + step + Utf8(key.category) + step + Utf8(key.pattern);
}

// Counts are edited in a spin box of the plan's range; every step is
// committed at once, so the totals follow while the user spins.
class CountDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
        auto* spin = new QSpinBox(parent);
        spin->setRange(static_cast<int>(kMinPlanCount), static_cast<int>(kMaxPlanCount));
        spin->setFrame(false);
        spin->setAlignment(Qt::AlignRight);
        auto* self = const_cast<CountDelegate*>(this);
        connect(spin, &QSpinBox::valueChanged, self, [self, spin] { emit self->commitData(spin); });
        return spin;
    }
};

const FileDialogOptions kPlanFileOptions{QStringLiteral("Crafting plan"),
                                         {QStringLiteral("Crafting plan (*.csv)"), QStringLiteral("All files (*)")},
                                         QStringLiteral("csv")};

}  // namespace

struct PlanWindow::State {
    const PatternIndex* index = nullptr;
    std::uint64_t generation = 0;  // of index when last resolved
    Plan plan;
    std::vector<PatternRef> resolved;
    PlanTotals totals;
};

PlanWindow::PlanWindow(Prompter& prompter, QString title, RememberedPlaces& places, QWidget* parent)
    : QDialog(parent), prompter_(prompter), places_(places), title_(std::move(title)), state_(std::make_unique<State>()) {
    setWindowTitle(QStringLiteral("Crafting plan"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    setModal(false);
    auto* layout = new QVBoxLayout(this);

    entries_ = new QTableWidget(0, 2, this);
    entries_->setHorizontalHeaderLabels({QStringLiteral("Pattern"), QStringLiteral("Count")});
    entries_->verticalHeader()->hide();
    entries_->horizontalHeader()->setSectionResizeMode(kPatternColumn, QHeaderView::Stretch);
    entries_->horizontalHeader()->setSectionResizeMode(kCountColumn, QHeaderView::ResizeToContents);
    entries_->setSelectionBehavior(QAbstractItemView::SelectRows);
    entries_->setSelectionMode(QAbstractItemView::SingleSelection);
    entries_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::AnyKeyPressed);
    entries_->setItemDelegateForColumn(kCountColumn, new CountDelegate(entries_));
    entries_->setTabKeyNavigation(false);
    layout->addWidget(entries_, 3);

    summary_ = new QLabel(this);
    layout->addWidget(summary_);
    totalsView_ = new QPlainTextEdit(this);
    totalsView_->setReadOnly(true);
    totalsView_->setLineWrapMode(QPlainTextEdit::NoWrap);
    totalsView_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(totalsView_, 2);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* copy = buttons->addButton(QStringLiteral("&Copy"), QDialogButtonBox::ActionRole);
    QPushButton* save = buttons->addButton(QStringLiteral("&Save\u2026"), QDialogButtonBox::ActionRole);
    QPushButton* open = buttons->addButton(QStringLiteral("&Open\u2026"), QDialogButtonBox::ActionRole);
    QPushButton* clear = buttons->addButton(QStringLiteral("C&lear"), QDialogButtonBox::ResetRole);
    // Escape closes; Alt+C is Copy's.
    buttons->addButton(QDialogButtonBox::Close)->setText(QStringLiteral("Close"));
    // Enter in the list ends an edit; it presses no button.
    for (QAbstractButton* button : buttons->buttons()) {
        if (auto* push = qobject_cast<QPushButton*>(button)) push->setAutoDefault(false);
    }
    layout->addWidget(buttons);

    connect(copy, &QPushButton::clicked, this, &PlanWindow::OnCopy);
    connect(save, &QPushButton::clicked, this, &PlanWindow::OnSave);
    connect(open, &QPushButton::clicked, this, &PlanWindow::OnOpen);
    connect(clear, &QPushButton::clicked, this, &PlanWindow::OnClear);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(entries_, &QTableWidget::cellChanged, this, &PlanWindow::OnCountEdited);
    // On the list only: in the spin box Delete edits the number.
    connect(new QShortcut(QKeySequence::Delete, entries_, nullptr, nullptr, Qt::WidgetShortcut),
            &QShortcut::activated, this, &PlanWindow::RemoveCurrent);
    resize(560, 480);
    FillEntries();
}

PlanWindow::~PlanWindow() = default;

const Plan& PlanWindow::plan() const { return state_->plan; }
const PlanTotals& PlanWindow::totals() const { return state_->totals; }

void PlanWindow::SetIndex(const PatternIndex* index) {
    // The tree is published again on every find keystroke: the same walk
    // needs no new resolution.
    const std::uint64_t generation = index != nullptr ? index->generation() : 0;
    if (index == state_->index && generation == state_->generation) return;
    state_->index = index;
    state_->generation = generation;
    Resolve();
    FillEntries();
}

void PlanWindow::Resolve() {
    if (state_->index == nullptr) {
        state_->resolved.assign(state_->plan.size(), kNoPattern);
    } else {
        state_->resolved = ResolvePlan(state_->plan, *state_->index);
    }
}

void PlanWindow::Add(PatternRef pattern) {
    if (state_->index == nullptr || pattern >= state_->index->size()) return;
    const std::size_t row = AddToPlan(state_->plan, state_->resolved, *state_->index, pattern);
    FillEntries();
    entries_->setCurrentCell(static_cast<int>(row), kCountColumn);
}

Plan PlanWindow::CurrentPlan() const {
    Plan plan = state_->plan;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const PatternRef pattern = i < state_->resolved.size() ? state_->resolved[i] : kNoPattern;
        // The index may be in the middle of a load (its message box is open).
        if (state_->index != nullptr && pattern < state_->index->size()) plan[i].key = state_->index->KeyOf(pattern);
    }
    return plan;
}

void PlanWindow::FillEntries() {
    filling_ = true;
    const int current = entries_->currentRow();
    entries_->setRowCount(static_cast<int>(state_->plan.size()));
    const Plan shown = CurrentPlan();
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const bool missing = i >= state_->resolved.size() || state_->resolved[i] == kNoPattern;
        auto* name = new QTableWidgetItem(missing ? EntryLabel(shown[i].key) + QStringLiteral("  (missing)")
                                                  : EntryLabel(shown[i].key));
        name->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        if (missing) {
            name->setForeground(QColor(0xb4, 0x1e, 0x1e));
            name->setToolTip(QStringLiteral("Not in the loaded table: left out of the totals"));
        }
        auto* count = new QTableWidgetItem;
        count->setData(Qt::EditRole, static_cast<int>(shown[i].count));
        count->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        count->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
        entries_->setItem(static_cast<int>(i), kPatternColumn, name);
        entries_->setItem(static_cast<int>(i), kCountColumn, count);
    }
    if (current >= 0 && current < entries_->rowCount()) entries_->setCurrentCell(current, kCountColumn);
    filling_ = false;
    FillTotals();
}

void PlanWindow::FillTotals() {
    static const PatternIndex kNoTable;
    const PatternIndex& index = state_->index != nullptr ? *state_->index : kNoTable;
    state_->totals = SumPlan(state_->plan, state_->resolved, index);
    const std::string text = PlanTotalsText(state_->totals, index);
    totalsView_->setPlainText(Utf8(text));
    QString summary = state_->plan.size() == 1 ? QStringLiteral("Totals of 1 entry")
                                        : QStringLiteral("Totals of %1 entries").arg(state_->plan.size());
    if (state_->plan.empty()) summary = QStringLiteral("Add patterns with Insert or \"Add to plan\" in the recipe tree.");
    summary_->setText(summary);
}

void PlanWindow::OnCountEdited(int row, int column) {
    if (filling_ || column != kCountColumn || row < 0 || static_cast<std::size_t>(row) >= state_->plan.size()) return;
    const int value = entries_->item(row, column)->data(Qt::EditRole).toInt();
    state_->plan[static_cast<std::size_t>(row)].count =
        static_cast<std::uint32_t>(std::clamp(value, static_cast<int>(kMinPlanCount), static_cast<int>(kMaxPlanCount)));
    FillTotals();
}

void PlanWindow::RemoveCurrent() {
    const int row = entries_->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= state_->plan.size()) return;
    state_->plan.erase(state_->plan.begin() + row);
    state_->resolved.erase(state_->resolved.begin() + row);
    filling_ = true;
    entries_->removeRow(row);
    filling_ = false;
    FillTotals();
}

QString PlanWindow::TotalsText() const { return totalsView_->toPlainText(); }

void PlanWindow::OnCopy() { QApplication::clipboard()->setText(TotalsText()); }

void PlanWindow::OnClear() {
    state_->plan.clear();
    state_->resolved.clear();
    FillEntries();
}

std::optional<QString> PlanWindow::ChoosePlanFile(bool save) {
    FileDialogOptions options = kPlanFileOptions;
    options.startFolder = places_.StartFolder(RememberedFolder::Plan);
    std::optional<QString> chosen = save ? prompter_.SaveFileName(this, options) : prompter_.OpenFileName(this, options);
    if (chosen) places_.RememberFile(RememberedFolder::Plan, *chosen);
    return chosen;
}

void PlanWindow::OnSave() {
    const std::optional<QString> chosen = ChoosePlanFile(true);
    if (!chosen) return;
    if (!WritePlanFile(FileNameBytes(*chosen), CurrentPlan())) {
        prompter_.ShowMessageBox(this, title_, QStringLiteral("can't write the plan"), *chosen);
    }
}

void PlanWindow::OnOpen() {
    const std::optional<QString> chosen = ChoosePlanFile(false);
    if (!chosen) return;
    PlanFileRead read = ReadPlanFile(FileNameBytes(*chosen));
    if (!read.failure.empty()) {
        prompter_.ShowMessageBox(this, title_, QStringLiteral("can't read the plan"), Utf8(read.failure));
        return;
    }
    state_->plan = std::move(read.plan);
    Resolve();
    entries_->setCurrentCell(-1, -1);
    FillEntries();
    if (!read.problems.empty()) {
        prompter_.ShowMessageBox(this, title_, QStringLiteral("Some rows of the plan could not be read."),
                                 Utf8(DescribeProblems(read)));
    }
}

}  // namespace artisanscope
