#pragma once
// The find bar below the recipe tree: a line edit for the query, the number
// of matching patterns and a close button. It only reports what the user
// does; the dialog filters the tree and moves the selection.
//
// Keys in the line edit: Enter finds the next matching pattern, Shift+Enter
// the previous one, Escape closes the bar. None of them reaches the dialog,
// where Enter would press Close and Escape end the dialog.

#include <QWidget>

class QLabel;
class QLineEdit;
class QToolButton;

namespace artisanscope {

inline constexpr const char* kFindPlaceholderText =
    "Find recipes: words, \"two words\", level:300-350, material:Eisen";
// The find rule in short, the line edit's tooltip.
inline constexpr const char* kFindSyntaxText =
    "Every term must hold:\n"
    "schwert \u2013 a word in the recipe, its ingredients, category, skill or realm\n"
    "\"3 eisen\" \u2013 several words as one\n"
    "level:300-350 \u2013 skill level 300 to 350 (also level:300-, level:-350, level:300)\n"
    "material:Eisen \u2013 an ingredient of that material (material:\"Lange glatte scharfe\")";

class FindBar final : public QWidget {
    Q_OBJECT

public:
    explicit FindBar(QWidget* parent = nullptr);

    QLineEdit* lineEdit() const { return edit_; }
    QString query() const;
    // Shows "<count> patterns" ("1 pattern"), or nothing for an empty query;
    // forgets the position.
    void SetMatchCount(std::size_t patterns);
    // While the user walks the matches: "<position> of <count>" (position
    // counts from 1); 0 goes back to the count alone.
    void SetMatchPosition(std::size_t position);
    QString matchCountText() const;
    // The position shown, or 0 while the count alone is.
    std::size_t matchPosition() const { return position_; }
    // What of the query was not understood (empty: all was), shown in place
    // of the count while nothing matches: "no material is called Eisn".
    void SetNotUnderstood(const QString& text);
    const QString& notUnderstood() const { return notUnderstood_; }
    // Shows the bar and puts the keyboard focus in its line edit, with the
    // query selected so that typing replaces it.
    void Open();

signals:
    void queryChanged(const QString& query);
    void nextRequested();
    void previousRequested();
    void closeRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* edit_ = nullptr;
    QLabel* count_ = nullptr;
    QToolButton* close_ = nullptr;
    std::size_t patterns_ = 0;
    std::size_t position_ = 0;
    QString notUnderstood_;
};

}  // namespace artisanscope
