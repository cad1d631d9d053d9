#pragma once
// The "Crafting plan" window, non-modal beside the main dialog: the plan's
// entries with an editable count (a spin box; Delete removes the current
// entry) and beneath them the totals, repainted as counts change. Buttons:
// Copy (the totals as text), Save... and Open... (the plan file), Clear and
// Close. The entries resolve again whenever the main dialog loads a table.

#include <QDialog>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace artisanscope {

class PatternIndex;
class Prompter;
class RememberedPlaces;
struct PlanEntry;
struct PlanTotals;

class PlanWindow final : public QDialog {
    Q_OBJECT

public:
    // title: the application's name, for message boxes. The plan file's
    // dialogs start in places' plan folder and tell it the file chosen.
    PlanWindow(Prompter& prompter, QString title, RememberedPlaces& places, QWidget* parent = nullptr);
    ~PlanWindow() override;

    // The table the entries resolve against; null while none is loaded
    // (every entry is then missing). Resolves again and repaints unless it
    // is the index and walk already resolved against.
    void SetIndex(const PatternIndex* index);
    // One more of pattern (of the index last set), selected in the list.
    void Add(std::uint32_t pattern);

    const std::vector<PlanEntry>& plan() const;
    // The entries as a plan file holds them: resolved ones as the table
    // shows them now.
    std::vector<PlanEntry> CurrentPlan() const;
    const PlanTotals& totals() const;
    // The totals as Copy puts them on the clipboard (UTF-8 in a QString).
    QString TotalsText() const;

    QTableWidget* entriesView() const { return entries_; }
    QPlainTextEdit* totalsView() const { return totalsView_; }
    QLabel* summary() const { return summary_; }

    void OnCopy();
    void OnSave();
    void OnOpen();
    void OnClear();
    // Delete: the current entry goes.
    void RemoveCurrent();

private:
    void Resolve();
    // Rebuilds the entry list, then the totals.
    void FillEntries();
    void FillTotals();
    void OnCountEdited(int row, int column);

    struct State;  // the plan, its resolution and totals

    // The plan file's save (or open) dialog, started in the remembered
    // folder; remembers the file chosen.
    std::optional<QString> ChoosePlanFile(bool save);

    Prompter& prompter_;
    RememberedPlaces& places_;
    QString title_;
    std::unique_ptr<State> state_;
    QTableWidget* entries_ = nullptr;
    QPlainTextEdit* totalsView_ = nullptr;
    QLabel* summary_ = nullptr;
    bool filling_ = false;
};

}  // namespace artisanscope
