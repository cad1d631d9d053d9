// The core's headers come before Qt's: Qt defines "slots" as a macro.
#include "plan/PlanFile.h"

#include "desktop/PlanWindow.h"

#include "desktop/DialogSetup.h"
#include "desktop/Prompter.h"
#include "desktop/RememberedPlaces.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

namespace artisanscope {
namespace {

// Undo keeps this many steps.
constexpr std::size_t kUndoSteps = 100;

QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::string FileNameBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

// "Realm › Skill › Category".
QString EntryPlace(const PatternKey& key) {
    const QString step = QStringLiteral(" \u203A ");
    return Utf8(key.realm) + step + Utf8(key.skill) + step + Utf8(key.category);
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
    // The value the editor starts with is no edit: committed while the view
    // has not yet taken the editor as its own, it would be refused with a
    // warning.
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        const QSignalBlocker starting(editor);
        QStyledItemDelegate::setEditorData(editor, index);
    }
};

const FileDialogOptions kPlanFileOptions{QStringLiteral("Crafting plan"),
                                         {QStringLiteral("Crafting plan (*.csv)"), QStringLiteral("All files (*)")},
                                         QStringLiteral("csv")};

}  // namespace

struct PlanWindow::State {
    struct Step {
        Plan plan;
        int row = -1;       // the current row then
        int countRow = -1;  // a count change of this row
    };

    const PatternIndex* index = nullptr;
    std::uint64_t generation = 0;  // of index when last resolved
    std::function<QString(PatternRef)> label;
    Plan plan;
    std::vector<PatternRef> resolved;
    PlanTotals totals;
    std::vector<Step> undo;
    bool saveFailed = false;  // told once
};

PlanWindow::PlanWindow(Prompter& prompter, QString title, RememberedPlaces& places, QWidget* parent)
    : QDialog(parent), prompter_(prompter), places_(places), title_(std::move(title)), state_(std::make_unique<State>()) {
    setWindowTitle(QStringLiteral("Crafting plan"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    setModal(false);
    auto* layout = new QVBoxLayout(this);

    entries_ = new QTableWidget(0, 3, this);
    entries_->setHorizontalHeaderLabels({QStringLiteral("Pattern"), QStringLiteral("In the tree"), QStringLiteral("Count")});
    entries_->verticalHeader()->hide();
    entries_->horizontalHeader()->setSectionResizeMode(kPatternColumn, QHeaderView::Interactive);
    entries_->horizontalHeader()->setSectionResizeMode(kPlaceColumn, QHeaderView::Stretch);
    entries_->horizontalHeader()->setSectionResizeMode(kCountColumn, QHeaderView::ResizeToContents);
    entries_->setColumnWidth(kPatternColumn, 200);
    entries_->setWordWrap(false);
    entries_->setTextElideMode(Qt::ElideMiddle);
    entries_->setSelectionBehavior(QAbstractItemView::SelectRows);
    entries_->setSelectionMode(QAbstractItemView::SingleSelection);
    entries_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::AnyKeyPressed);
    entries_->setItemDelegateForColumn(kCountColumn, new CountDelegate(entries_));
    entries_->setTabKeyNavigation(false);
    entries_->setContextMenuPolicy(Qt::CustomContextMenu);
    entries_->setAccessibleName(QStringLiteral("Plan entries"));
    entries_->setAccessibleDescription(QStringLiteral(
        "Each pattern of the plan with its place in the tree and its count. Delete removes, Ctrl+Z undoes, "
        "a double click shows the pattern in the tree."));
    layout->addWidget(entries_, 3);

    status_ = new QLabel(this);
    status_->setWordWrap(true);
    status_->hide();
    layout->addWidget(status_);
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
    remove_ = buttons->addButton(QStringLiteral("&Remove"), QDialogButtonBox::ActionRole);
    remove_->setToolTip(QStringLiteral("Remove the selected entry (Delete); Ctrl+Z undoes"));
    QPushButton* clear = buttons->addButton(QStringLiteral("C&lear"), QDialogButtonBox::ResetRole);
    clear->setToolTip(QStringLiteral("Remove every entry; Ctrl+Z undoes"));
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
    connect(remove_, &QPushButton::clicked, this, &PlanWindow::RemoveCurrent);
    connect(clear, &QPushButton::clicked, this, &PlanWindow::OnClear);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(entries_, &QTableWidget::cellChanged, this, &PlanWindow::OnCountEdited);
    connect(entries_, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        if (column != kCountColumn) ActivateRow(row);
    });
    connect(entries_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { ShowEntryMenu(entries_->viewport()->mapToGlobal(at)); });
    // On the list only: in the spin box Delete edits the number.
    connect(new QShortcut(QKeySequence::Delete, entries_, nullptr, nullptr, Qt::WidgetShortcut),
            &QShortcut::activated, this, &PlanWindow::RemoveCurrent);
    connect(new QShortcut(QKeySequence::Undo, this), &QShortcut::activated, this, &PlanWindow::Undo);
    resize(560, 480);
    if (const std::optional<QRect> frame = places_.PlanWindow()) {
        const QScreen* screen = QGuiApplication::screenAt(frame->topLeft());
        if (screen == nullptr) screen = QGuiApplication::primaryScreen();
        const QRect fitted = FitToScreen(*frame, minimumSizeHint(), screen->availableGeometry());
        resize(fitted.size());
        move(fitted.topLeft());
        placeRestored_ = true;
    }
    FillEntries();
}

PlanWindow::~PlanWindow() = default;

const Plan& PlanWindow::plan() const { return state_->plan; }
const PlanTotals& PlanWindow::totals() const { return state_->totals; }

void PlanWindow::SetIndex(const PatternIndex* index, std::function<QString(std::uint32_t pattern)> label) {
    state_->label = std::move(label);
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
    EndEdit();
    KeepForUndo();
    const std::size_t row = AddToPlan(state_->plan, state_->resolved, *state_->index, pattern);
    FillEntries();
    entries_->setCurrentCell(static_cast<int>(row), kCountColumn);
    ShowStatus(QString());
    Changed();
}

bool PlanWindow::RestoreSavedPlan() {
    const QString path = places_.SavedPlanPath();
    if (path.isEmpty() || !QFileInfo::exists(path)) return false;
    PlanFileRead read = ReadPlanFile(FileNameBytes(path));
    if (!read.failure.empty() || read.plan.empty()) return false;
    state_->plan = std::move(read.plan);
    Resolve();
    FillEntries();
    return true;
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
    EndEdit();
    filling_ = true;
    const int current = entries_->currentRow();
    entries_->setRowCount(static_cast<int>(state_->plan.size()));
    const Plan shown = CurrentPlan();
    // The place in the tree reads quieter than the label; "missing" reads
    // on light and dark themes alike.
    const QColor quiet = entries_->palette().color(QPalette::PlaceholderText);
    const QColor missingColour = ReadableOnBase(entries_->palette(), QColor(0xb4, 0x1e, 0x1e), QColor(0xff, 0x8a, 0x80));
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const PatternRef pattern = i < state_->resolved.size() ? state_->resolved[i] : kNoPattern;
        const bool missing = pattern == kNoPattern;
        QString label = !missing && state_->label ? state_->label(pattern) : Utf8(shown[i].key.pattern);
        if (missing) label += QStringLiteral("  (missing)");
        auto* name = new QTableWidgetItem(label);
        name->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        auto* place = new QTableWidgetItem(EntryPlace(shown[i].key));
        place->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        place->setForeground(quiet);
        if (missing) {
            name->setForeground(missingColour);
            name->setToolTip(QStringLiteral("Not in the loaded table: left out of the totals"));
        } else {
            name->setToolTip(QStringLiteral("Double click: show it in the tree"));
        }
        place->setToolTip(place->text());
        auto* count = new QTableWidgetItem;
        count->setData(Qt::EditRole, static_cast<int>(shown[i].count));
        count->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        count->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
        entries_->setItem(static_cast<int>(i), kPatternColumn, name);
        entries_->setItem(static_cast<int>(i), kPlaceColumn, place);
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
    remove_->setEnabled(!state_->plan.empty());
}

void PlanWindow::OnCountEdited(int row, int column) {
    if (filling_ || column != kCountColumn || row < 0 || static_cast<std::size_t>(row) >= state_->plan.size()) return;
    const int value = entries_->item(row, column)->data(Qt::EditRole).toInt();
    const auto count =
        static_cast<std::uint32_t>(std::clamp(value, static_cast<int>(kMinPlanCount), static_cast<int>(kMaxPlanCount)));
    if (count == state_->plan[static_cast<std::size_t>(row)].count) return;
    KeepForUndo(row);
    state_->plan[static_cast<std::size_t>(row)].count = count;
    FillTotals();
    Changed();
}

void PlanWindow::EndEdit() {
    // A spin box still open would commit into a row that is gone.
    QWidget* editor = entries_->indexWidget(entries_->currentIndex());
    if (editor == nullptr) return;
    QAbstractItemDelegate* delegate = entries_->itemDelegateForIndex(entries_->currentIndex());
    emit delegate->commitData(editor);
    emit delegate->closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void PlanWindow::RemoveCurrent() {
    EndEdit();
    const int row = entries_->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= state_->plan.size()) return;
    KeepForUndo();
    state_->plan.erase(state_->plan.begin() + row);
    state_->resolved.erase(state_->resolved.begin() + row);
    filling_ = true;
    entries_->removeRow(row);
    filling_ = false;
    FillTotals();
    ShowStatus(QStringLiteral("Removed: Ctrl+Z brings it back."));
    Changed();
}

void PlanWindow::KeepForUndo(int countRow) {
    std::vector<State::Step>& undo = state_->undo;
    // Every step of one count's spin box is one change.
    if (countRow >= 0 && !undo.empty() && undo.back().countRow == countRow) return;
    undo.push_back({state_->plan, entries_->currentRow(), countRow});
    if (undo.size() > kUndoSteps) undo.erase(undo.begin());
}

void PlanWindow::Undo() {
    EndEdit();
    if (state_->undo.empty()) {
        ShowStatus(QStringLiteral("Nothing to undo."));
        return;
    }
    State::Step step = std::move(state_->undo.back());
    state_->undo.pop_back();
    state_->plan = std::move(step.plan);
    Resolve();
    entries_->setCurrentCell(-1, -1);
    FillEntries();
    if (step.row >= 0 && step.row < entries_->rowCount()) entries_->setCurrentCell(step.row, kCountColumn);
    ShowStatus(QString());
    Changed();
}

void PlanWindow::ShowStatus(const QString& text) {
    status_->setText(text);
    status_->setVisible(!text.isEmpty());
}

void PlanWindow::ActivateRow(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= state_->resolved.size()) return;
    if (state_->resolved[static_cast<std::size_t>(row)] == kNoPattern) {
        ShowStatus(QStringLiteral("This pattern is not in the loaded table."));
        return;
    }
    emit patternActivated(state_->resolved[static_cast<std::size_t>(row)]);
}

void PlanWindow::ShowEntryMenu(const QPoint& globalPosition) {
    QMenu menu(this);
    const int row = entries_->currentRow();
    QAction* show = menu.addAction(QStringLiteral("Show in &tree"));
    QAction* remove = menu.addAction(QStringLiteral("&Remove"));
    remove->setShortcut(QKeySequence::Delete);
    show->setEnabled(row >= 0);
    remove->setEnabled(row >= 0);
    QAction* undo = menu.addAction(QStringLiteral("&Undo"));
    undo->setShortcut(QKeySequence::Undo);
    undo->setEnabled(!state_->undo.empty());
    const QAction* chosen = prompter_.PopupMenu(menu, globalPosition);
    if (chosen == show) ActivateRow(row);
    if (chosen == remove) RemoveCurrent();
    if (chosen == undo) Undo();
}

void PlanWindow::Changed() {
    const QString path = places_.SavedPlanPath();
    if (path.isEmpty()) return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (WritePlanFile(FileNameBytes(path), CurrentPlan())) {
        state_->saveFailed = false;
    } else if (!state_->saveFailed) {
        state_->saveFailed = true;
        ShowStatus(QStringLiteral("The plan could not be kept in %1.").arg(path));
    }
}

void PlanWindow::hideEvent(QHideEvent* event) {
    RememberPlace();
    QDialog::hideEvent(event);
}

void PlanWindow::RememberPlace() { places_.RememberPlanWindow(QRect(pos(), size())); }

QString PlanWindow::TotalsText() const { return totalsView_->toPlainText(); }

void PlanWindow::OnCopy() { QApplication::clipboard()->setText(TotalsText()); }

void PlanWindow::OnClear() {
    EndEdit();
    if (state_->plan.empty()) return;
    KeepForUndo();
    state_->plan.clear();
    state_->resolved.clear();
    FillEntries();
    ShowStatus(QStringLiteral("Cleared: Ctrl+Z brings the entries back."));
    Changed();
}

std::optional<QString> PlanWindow::ChoosePlanFile(bool save) {
    FileDialogOptions options = kPlanFileOptions;
    options.startFolder = places_.StartFolder(RememberedFolder::Plan);
    std::optional<QString> chosen = save ? prompter_.SaveFileName(this, options) : prompter_.OpenFileName(this, options);
    if (chosen) places_.RememberFile(RememberedFolder::Plan, *chosen);
    return chosen;
}

void PlanWindow::OnSave() {
    EndEdit();
    const std::optional<QString> chosen = ChoosePlanFile(true);
    if (!chosen) return;
    if (!WritePlanFile(FileNameBytes(*chosen), CurrentPlan())) {
        prompter_.ShowMessageBox(this, title_, QStringLiteral("can't write the plan"), *chosen);
    }
}

void PlanWindow::OnOpen() {
    EndEdit();
    const std::optional<QString> chosen = ChoosePlanFile(false);
    if (!chosen) return;
    PlanFileRead read = ReadPlanFile(FileNameBytes(*chosen));
    if (!read.failure.empty()) {
        prompter_.ShowMessageBox(this, title_, QStringLiteral("can't read the plan"), Utf8(read.failure));
        return;
    }
    KeepForUndo();
    state_->plan = std::move(read.plan);
    Resolve();
    entries_->setCurrentCell(-1, -1);
    FillEntries();
    ShowStatus(state_->undo.back().plan.empty() ? QString()
                                                : QStringLiteral("Opened in place of the plan before: Ctrl+Z brings it back."));
    Changed();
    if (!read.problems.empty()) {
        prompter_.ShowMessageBox(this, title_, QStringLiteral("Some rows of the plan could not be read."),
                                 Utf8(DescribeProblems(read)));
    }
}

}  // namespace artisanscope
