#pragma once
// The "Crafting plan" window, non-modal beside the main dialog: the plan's
// entries, each by its pattern's label as the tree shows it, its place in
// the tree in a quieter column and an editable count (a spin box), and
// beneath them the totals, repainted as counts change. Delete, the Remove
// button or the list's context menu remove the current entry; Ctrl+Z undoes
// an add, a removal, Clear, Open... and a count change. Buttons: Copy (the
// totals as text), Save... and Open... (the plan file), Remove, Clear and
// Close. The entries resolve again whenever the main dialog loads a table.
// In an interactive run every change is saved to the remembered plan file
// and the window's place and size are kept.

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
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
    // The list's columns.
    enum Column { kPatternColumn, kPlaceColumn, kCountColumn };

    // title: the application's name, for message boxes. The plan file's
    // dialogs start in places' plan folder and tell it the file chosen.
    PlanWindow(Prompter& prompter, QString title, RememberedPlaces& places, QWidget* parent = nullptr);
    ~PlanWindow() override;

    // The table the entries resolve against; null while none is loaded
    // (every entry is then missing). Resolves again and repaints unless it
    // is the index and walk already resolved against. label gives a
    // resolved pattern's label as the tree shows it (null: its name).
    void SetIndex(const PatternIndex* index, std::function<QString(std::uint32_t pattern)> label = {});
    // One more of pattern (of the index last set), selected in the list.
    void Add(std::uint32_t pattern);
    // Reads the plan the last interactive run saved, if any; true when it
    // holds entries. Not undoable.
    bool RestoreSavedPlan();
    // True when the window took a remembered place and size.
    bool placeRestored() const { return placeRestored_; }

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
    // One line about the last thing that did not happen, or was undoable.
    QLabel* statusLine() const { return status_; }
    void ShowStatus(const QString& text);

    void OnCopy();
    void OnSave();
    void OnOpen();
    void OnClear();
    // Delete: the current entry goes.
    void RemoveCurrent();
    // Ctrl+Z: the plan as it was before the last change.
    void Undo();
    // Keeps the window's place and size for the next run (done when hidden).
    void RememberPlace();

signals:
    // Double click on an entry (or "Show in tree"): its pattern, of the
    // index last set.
    void patternActivated(std::uint32_t pattern);

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void Resolve();
    // Rebuilds the entry list, then the totals.
    void FillEntries();
    void FillTotals();
    void OnCountEdited(int row, int column);
    void ShowEntryMenu(const QPoint& globalPosition);
    void ActivateRow(int row);
    // Ends an edit of a count, keeping its value, before rows change.
    void EndEdit();
    // Keeps the plan as it is now for Undo. countRow: a count change of
    // that row, which joins the change before it when that was one too.
    void KeepForUndo(int countRow = -1);
    // After every change: the plan file of an interactive run is replaced.
    void Changed();

    struct State;  // the plan, its resolution and totals, the undo steps

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
    QLabel* status_ = nullptr;
    QPushButton* remove_ = nullptr;
    bool filling_ = false;
    bool placeRestored_ = false;
};

}  // namespace artisanscope
