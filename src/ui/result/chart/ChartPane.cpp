#include "ui/result/chart/ChartPane.h"

#include <QPainter>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <algorithm>

#include "app/AppModel.h"
#include "ui/result/chart/ChartAccessible.h"
#include "ui/result/chart/ChartLegend.h"
#include "ui/result/chart/ColorModePicker.h"
#include "ui/result/chart/RefreshBadge.h"
#include "ui/result/chart/SunburstView.h"
#include "ui/result/summary/SummaryBar.h"
#include "ui/widgets/SpringEasing.h"

namespace raumfuchs {

namespace {

constexpr int kChartPadding = 16;
constexpr int kMinimumWidth = 380;
constexpr double kHiddenScale = 0.92;

}  // namespace

// Pictures of the outgoing and incoming chart, drawn over the new chart while
// the spring runs; the live chart underneath takes over when it settles.
class ChartPane::Transition : public QWidget {
  public:
    explicit Transition(QWidget* parent)
        : QWidget(parent), animation_(new QVariantAnimation(this)) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
        animation_->setStartValue(0.0);
        animation_->setEndValue(1.0);
        animation_->setDuration(SpringEasing::durationMs());
        animation_->setEasingCurve(SpringEasing::curve());
        connect(animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
            progress_ = value.toDouble();
            update();
        });
        connect(animation_, &QVariantAnimation::finished, this, [this] {
            hide();
            outgoing_ = incoming_ = QPixmap();
        });
    }

    bool isRunning() const { return animation_->state() == QAbstractAnimation::Running; }

    // What is on screen now: the running transition's frame or `chart`.
    QPixmap currentPicture(QWidget& chart) { return isRunning() ? grab() : chart.grab(); }

    void run(QPixmap outgoing, QPixmap incoming, const QRect& area) {
        animation_->stop();
        outgoing_ = std::move(outgoing);
        incoming_ = std::move(incoming);
        progress_ = 0;
        setGeometry(area);
        raise();
        show();
        animation_->start();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Window));
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        // The spring may overshoot a little; opacity cannot.
        const double p = progress_;
        draw(painter, outgoing_, 1 - (1 - kHiddenScale) * p, std::clamp(1 - p, 0.0, 1.0));
        draw(painter, incoming_, kHiddenScale + (1 - kHiddenScale) * p, std::clamp(p, 0.0, 1.0));
    }

  private:
    void draw(QPainter& painter, const QPixmap& picture, double scale, double opacity) {
        if (picture.isNull() || opacity <= 0) {
            return;
        }
        painter.save();
        const QPointF centre = QRectF(rect()).center();
        painter.translate(centre);
        painter.scale(scale, scale);
        painter.translate(-centre);
        painter.setOpacity(opacity);
        painter.drawPixmap(QPointF(0, 0), picture);
        painter.restore();
    }

    QVariantAnimation* animation_;
    QPixmap outgoing_;
    QPixmap incoming_;
    double progress_ = 0;
};

ChartPane::ChartPane(AppModel& model, HoverState& hover, QWidget* parent)
    : QWidget(parent), model_(model), hover_(hover), host_(new QWidget(this)) {
    ChartAccessible::install();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* padding = new QVBoxLayout(host_);
    padding->setContentsMargins(kChartPadding, kChartPadding, kChartPadding, kChartPadding);
    chart_ = new SunburstView(model_, hover_, host_);
    chart_->setNode(model_.current());
    padding->addWidget(chart_);
    transition_ = new Transition(host_);
    column->addWidget(host_, 1);
    column->addWidget(new SummaryBar(model_, this));
    // Over the chart's corner; made after the chart's host, so it stays above
    // every chart that host gets.
    (new RefreshBadge(model_, this))->move(kChartPadding / 2, kChartPadding / 2);
    picker_ = new ColorModePicker(model_.colorModes(), this);
    legend_ = new ChartLegend(model_.colorModes(), this);
    connect(&model_.colorModes(), &ColorModes::changed, this, &ChartPane::placeCorners);
    setMinimumWidth(kMinimumWidth);

    connect(&model_, &AppModel::currentChanged, this, &ChartPane::replaceChart);
}

bool ChartPane::isTransitioning() const {
    return transition_->isRunning();
}

QSize ChartPane::minimumSizeHint() const {
    return {kMinimumWidth, QWidget::minimumSizeHint().height()};
}

void ChartPane::replaceChart(bool animated) {
    // The chart belongs to its folder: another folder gets a new chart.
    const bool visible = animated && isVisible() && chart_->width() > 0;
    QPixmap outgoing;
    if (visible) {
        outgoing = transition_->currentPicture(*chart_);
    }
    const QRect area = chart_->geometry();
    auto* next = new SunburstView(model_, hover_, host_);
    next->setNode(model_.current());
    // The new chart takes the old one's place in the tab order, and its focus.
    QWidget::setTabOrder(chart_, next);
    const bool focused = chart_->hasFocus();
    delete host_->layout()->replaceWidget(chart_, next);
    chart_->hide();
    chart_->deleteLater();
    chart_ = next;
    chart_->setGeometry(area);
    chart_->show();
    if (focused) {
        chart_->setFocus(Qt::OtherFocusReason);
    }
    if (visible) {
        transition_->run(std::move(outgoing), chart_->grab(), area);
    }
}

// The colour choice in the top right corner of the chart's area, its legend
// in the bottom left one, above every chart the host gets.
void ChartPane::placeCorners() {
    // Inside the chart's frame, in its empty corners, clear of its focus ring.
    const int inset = kChartPadding / 2;
    const QRect chart = host_->geometry().marginsRemoved(
        QMargins(kChartPadding, kChartPadding, kChartPadding, kChartPadding));
    picker_->move(chart.x() + chart.width() - picker_->width() - inset, chart.y() + inset);
    legend_->move(chart.x() + inset, chart.y() + chart.height() - legend_->height() - inset);
    picker_->raise();
    legend_->raise();
}

void ChartPane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeCorners();
    if (transition_->isVisible()) {
        transition_->setGeometry(chart_->geometry());
    }
}

}  // namespace raumfuchs
