#pragma once
// A checkbox whose label wraps over several lines within the control's
// width, the indicator centred vertically beside it. The whole control
// takes clicks. text() stays the label as given.

#include <QCheckBox>

namespace artisanscope {

class WrappingCheckBox final : public QCheckBox {
    Q_OBJECT

public:
    explicit WrappingCheckBox(const QString& text, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override;
};

}  // namespace artisanscope
