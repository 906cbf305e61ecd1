#include "ui/start/ShortcutButton.h"

#include <QVBoxLayout>

#include "core/chart/Theme.h"
#include "ui/widgets/SymbolLabel.h"
#include "ui/widgets/TextLabel.h"

namespace raumfuchs {

ShortcutButton::ShortcutButton(const QString& title, const QString& symbol, QWidget* parent)
    : CardButton(parent) {
    setText(title);  // for accessibility and tests; the label below shows it
    setMinimumHeight(74);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 12, 8, 12);
    column->setSpacing(8);
    column->addStretch(1);
    auto* icon = new SymbolLabel(symbol, 22, this);
    icon->setFixedColor(Style::color(Theme::accent));
    column->addWidget(icon, 0, Qt::AlignHCenter);
    auto* label = new TextLabel(title, Style::TextStyle::Callout, this);
    label->setAlignment(Qt::AlignCenter);
    column->addWidget(label, 0, Qt::AlignHCenter);
    column->addStretch(1);

    for (QWidget* child : findChildren<QWidget*>()) {
        adoptContent(child);
    }
}

}  // namespace raumfuchs
