#include "desktop/FindBar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

namespace artisanscope {

FindBar::FindBar(QWidget* parent) : QWidget(parent) {
    edit_ = new QLineEdit(this);
    edit_->setPlaceholderText(QString::fromUtf8(kFindPlaceholderText));
    edit_->setToolTip(QString::fromUtf8(kFindSyntaxText));
    edit_->setClearButtonEnabled(true);
    edit_->installEventFilter(this);
    edit_->setAccessibleName(QStringLiteral("Find"));
    edit_->setAccessibleDescription(QStringLiteral(
        "Shows only the recipes holding every word typed here. Enter and F3 go to the next match, Shift+Enter and "
        "Shift+F3 to the previous one, Escape closes the find bar."));
    count_ = new QLabel(this);
    count_->setMinimumWidth(count_->fontMetrics().horizontalAdvance(QStringLiteral("000000 patterns")));
    count_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    count_->setAccessibleName(QStringLiteral("Matches"));
    count_->setAccessibleDescription(QStringLiteral("How many patterns match, and which one is selected"));
    close_ = new QToolButton(this);
    close_->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    close_->setAutoRaise(true);
    close_->setToolTip(QStringLiteral("Close the find bar (Escape)"));
    close_->setFocusPolicy(Qt::NoFocus);
    close_->setAccessibleName(QStringLiteral("Close find bar"));
    close_->setAccessibleDescription(QStringLiteral("Shows the whole tree again (Escape)"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(edit_, 1);
    layout->addWidget(count_);
    layout->addWidget(close_);

    connect(edit_, &QLineEdit::textChanged, this, &FindBar::queryChanged);
    connect(close_, &QToolButton::clicked, this, &FindBar::closeRequested);
}

QString FindBar::query() const { return edit_->text(); }

void FindBar::SetMatchCount(std::size_t patterns) {
    patterns_ = patterns;
    position_ = 0;
    count_->setToolTip(QString());
    if (edit_->text().trimmed().isEmpty()) {
        count_->clear();
    } else if (patterns == 0 && !notUnderstood_.isEmpty()) {
        // Cut to half the bar, so that the query stays in sight; whole in
        // the tooltip (and over the empty tree).
        const int room = std::max(count_->minimumWidth(), width() / 2);
        count_->setText(count_->fontMetrics().elidedText(notUnderstood_, Qt::ElideRight, room));
        count_->setToolTip(notUnderstood_);
    } else {
        count_->setText(patterns == 1 ? QStringLiteral("1 pattern") : QStringLiteral("%1 patterns").arg(patterns));
    }
}

void FindBar::SetMatchPosition(std::size_t position) {
    if (position == 0 || position > patterns_ || edit_->text().trimmed().isEmpty()) {
        SetMatchCount(patterns_);
        return;
    }
    count_->setText(QStringLiteral("%1 of %2").arg(position).arg(patterns_));
    position_ = position;
}

QString FindBar::matchCountText() const { return count_->text(); }

void FindBar::SetNotUnderstood(const QString& text) {
    notUnderstood_ = text;
    SetMatchCount(patterns_);
}

void FindBar::Open() {
    show();
    edit_->setFocus(Qt::ShortcutFocusReason);
    edit_->selectAll();
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched != edit_ || (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)) {
        return QWidget::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (!enter && key->key() != Qt::Key_Escape) return QWidget::eventFilter(watched, event);
    // Claimed as a shortcut override too, so that no shortcut of the window
    // takes the key first.
    event->accept();
    if (event->type() == QEvent::ShortcutOverride) return false;
    if (key->key() == Qt::Key_Escape) {
        emit closeRequested();
    } else if (key->modifiers() & Qt::ShiftModifier) {
        emit previousRequested();
    } else {
        emit nextRequested();
    }
    return true;
}

}  // namespace artisanscope
