#pragma once

#include "ui/start/CardButton.h"

namespace raumfuchs {

// A folder shortcut on the start screen: an accent symbol above a title.
class ShortcutButton : public CardButton {
    Q_OBJECT
  public:
    ShortcutButton(const QString& title, const QString& symbol, QWidget* parent = nullptr);
};

}  // namespace raumfuchs
