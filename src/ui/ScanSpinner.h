#pragma once

#include <QWidget>

class QVariantAnimation;

namespace raumfuchs {

// The double ring of the scanning screen: a faint track, an accent arc turning
// clockwise and a smaller cyan arc turning the other way, one turn per 1.6 s.
class ScanSpinner : public QWidget {
    Q_OBJECT
  public:
    explicit ScanSpinner(QWidget* parent = nullptr);

    // Starts the endless rotation (once; later calls change nothing).
    void start();
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QVariantAnimation* turn_;
    double phase_ = 0;  // 0…1 of a full turn
};

}  // namespace raumfuchs
