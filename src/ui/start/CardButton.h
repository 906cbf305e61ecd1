#pragma once

#include <QAbstractButton>

namespace raumfuchs {

// A button without platform chrome whose whole rounded rectangle is
// clickable; its background is the quaternary colour, stronger while the
// pointer is over it. Subclasses put their content into a layout.
class CardButton : public QAbstractButton {
    Q_OBJECT
  public:
    explicit CardButton(QWidget* parent = nullptr);

    bool isHovering() const { return hovering_; }

  protected:
    // Content widgets must not take the clicks meant for the card.
    void adoptContent(QWidget* child);
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    bool hovering_ = false;
};

}  // namespace raumfuchs
