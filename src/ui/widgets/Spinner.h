#pragma once

#include <QColor>
#include <QWidget>

#include <optional>
#include <vector>

class QVariantAnimation;

namespace raumfuchs {

// A turning ring: a faint track and arcs running round it, turning while the
// widget is shown (a hidden one keeps its place and goes on from there).
class Spinner : public QWidget {
    Q_OBJECT
  public:
    struct Arc {
        double inset = 0;  // of its circle from the track's, on every side
        double width = 0;
        double share = 0;   // of the full circle
        int direction = 1;  // 1 clockwise, -1 the other way
        // A gradient of this colour; none: the secondary text colour, plain.
        std::optional<QColor> tint;
    };
    struct Look {
        int side = 0;         // the widget's width and height
        double diameter = 0;  // of the track's centre line
        double trackWidth = 0;
        double startTurns = 0;  // where the arcs start, clockwise from three o'clock
        int turnMilliseconds = 0;
        std::vector<Arc> arcs;
    };

    // The double ring of the scanning screen: an accent arc turning clockwise
    // and a smaller cyan arc turning the other way, one turn per 1.6 s.
    static Look scanning();
    // The small ring over a list being filled: one grey arc from twelve
    // o'clock, one turn per second.
    static Look small();

    Spinner(Look look, QWidget* parent);

    QSize sizeHint() const override;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    Look look_;
    QVariantAnimation* turn_;
    double phase_ = 0;  // 0…1 of a full turn
};

}  // namespace raumfuchs
