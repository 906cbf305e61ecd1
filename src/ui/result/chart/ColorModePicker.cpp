#include "ui/result/chart/ColorModePicker.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QSignalBlocker>

#include "app/color/ColorModes.h"
#include "ui/widgets/TextLabel.h"

namespace raumfuchs {

ColorModePicker::ColorModePicker(ColorModes& modes, QWidget* parent)
    : QWidget(parent), modes_(modes), box_(new QComboBox(this)) {
    setObjectName(QStringLiteral("colorModePicker"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    auto* label = new TextLabel(QStringLiteral("Färbung"), Style::TextStyle::Caption, this);
    label->setLevel(Style::Level::Secondary);
    label->setBuddy(box_);
    box_->setAccessibleName(QStringLiteral("Färbung"));
    box_->setFont(Style::font(Style::TextStyle::Caption));
    row->addWidget(label);
    row->addWidget(box_);
    connect(box_, &QComboBox::activated, this, [this](int index) {
        modes_.choose(static_cast<ColorMode>(box_->itemData(index).toInt()));
    });
    connect(&modes_, &ColorModes::changed, this, &ColorModePicker::follow);
    follow();
}

void ColorModePicker::follow() {
    const QSignalBlocker quiet(box_);
    box_->clear();
    for (ColorMode mode : modes_.available()) {
        box_->addItem(ColorModes::name(mode), static_cast<int>(mode));
        if (mode == modes_.current()) {
            box_->setCurrentIndex(box_->count() - 1);
        }
    }
    setVisible(box_->count() > 1);
    adjustSize();
}

}  // namespace raumfuchs
