#include "ui/result/list/TrashDropZone.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QUrl>
#include <QVariantAnimation>

#include "app/AppModel.h"
#include "core/text/PathText.h"
#include "ui/widgets/Icons.h"
#include "ui/widgets/Style.h"

namespace raumfuchs {

namespace {

constexpr int kPadding = 12;
constexpr int kMinimumHeight = 46;
constexpr int kIconSpacing = 8;
constexpr double kCornerRadius = 10;
constexpr double kLineWidth = 1.5;
constexpr double kIdleBorderOpacity = 0.5;
constexpr double kTargetedFillOpacity = 0.08;
constexpr int kAnimationMs = 150;

const QColor& red() {
    static const QColor color = QColor::fromRgbF(1.0f, 0.23f, 0.19f);
    return color;
}

QColor mix(const QColor& from, const QColor& to, double amount) {
    const auto blend = [amount](float a, float b) {
        return static_cast<float>(a + (b - a) * amount);
    };
    return QColor::fromRgbF(blend(from.redF(), to.redF()), blend(from.greenF(), to.greenF()),
                            blend(from.blueF(), to.blueF()), blend(from.alphaF(), to.alphaF()));
}

bool hasFileUrls(const QMimeData* data) {
    return data && !TrashDropZone::localPaths(*data).empty();
}

}  // namespace

TrashDropZone::TrashDropZone(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), animation_(new QVariantAnimation(this)) {
    setAcceptDrops(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    animation_->setDuration(kAnimationMs);
    // The standard ease-out: a cubic Bézier with control points (0, 0) and (0.58, 1).
    QEasingCurve easeOut(QEasingCurve::BezierSpline);
    easeOut.addCubicBezierSegment(QPointF(0, 0), QPointF(0.58, 1), QPointF(1, 1));
    animation_->setEasingCurve(easeOut);
    connect(animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        emphasis_ = value.toDouble();
        update();
    });
}

QSize TrashDropZone::sizeHint() const {
    const QFontMetrics metrics(Style::font(Style::TextStyle::Callout));
    const int content = std::max(kMinimumHeight, metrics.height() + 2 * kPadding);
    return {metrics.horizontalAdvance(QStringLiteral("Hierher ziehen = in den Papierkorb")) +
                metrics.height() + kIconSpacing + 4 * kPadding,
            content + 2 * kPadding};
}

QSize TrashDropZone::minimumSizeHint() const {
    return {0, sizeHint().height()};
}

std::vector<std::string> TrashDropZone::localPaths(const QMimeData& data) {
    std::vector<std::string> paths;
    if (!data.hasFormat(QStringLiteral("text/uri-list"))) {
        return paths;
    }
    // Read the list itself rather than QMimeData::urls(): a path that is not
    // valid UTF-8 must come back with exactly its bytes.
    const QByteArray list = data.data(QStringLiteral("text/uri-list"));
    for (QByteArray line : list.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        }
        const QUrl url = QUrl::fromEncoded(line);
        if (!url.isValid() || !url.isLocalFile()) {
            continue;
        }
        std::string path = PathText::percentDecode(url.path(QUrl::FullyEncoded).toStdString());
        if (!path.empty()) {
            paths.push_back(std::move(path));
        }
    }
    return paths;
}

void TrashDropZone::dragEnterEvent(QDragEnterEvent* event) {
    if (!hasFileUrls(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    setTargeted(true);
}

void TrashDropZone::dragLeaveEvent(QDragLeaveEvent* event) {
    setTargeted(false);
    event->accept();
}

void TrashDropZone::dropEvent(QDropEvent* event) {
    setTargeted(false);
    if (!hasFileUrls(event->mimeData())) {
        event->ignore();
        return;
    }
    // Accept before looking at the items; they are resolved afterwards, in
    // the order given, on this thread.
    const std::vector<std::string> paths = localPaths(*event->mimeData());
    event->acceptProposedAction();
    QTimer::singleShot(0, this, [this, paths] { trash(paths); });
}

void TrashDropZone::trash(const std::vector<std::string>& paths) {
    std::vector<FileNode> nodes;
    for (const std::string& path : paths) {
        if (FileNode node = model_.node(path)) {
            nodes.push_back(std::move(node));
        }
    }
    if (!nodes.empty()) {
        model_.requestTrash(nodes);
    }
}

void TrashDropZone::setTargeted(bool targeted) {
    if (targeted_ == targeted) {
        return;
    }
    targeted_ = targeted;
    animation_->stop();
    animation_->setStartValue(emphasis_);
    animation_->setEndValue(targeted ? 1.0 : 0.0);
    animation_->start();
    update();
}

void TrashDropZone::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor secondary = Style::foreground(palette(), Style::Level::Secondary);
    QColor idleBorder = secondary;
    idleBorder.setAlphaF(static_cast<float>(secondary.alphaF() * kIdleBorderOpacity));
    QColor clear = red();
    clear.setAlpha(0);
    QColor targetedFill = red();
    targetedFill.setAlphaF(static_cast<float>(kTargetedFillOpacity));

    // The dashed border lies inside the zone's edge.
    const QRectF zone = QRectF(rect()).adjusted(kPadding, kPadding, -kPadding, -kPadding);
    const QRectF line =
        zone.adjusted(kLineWidth / 2, kLineWidth / 2, -kLineWidth / 2, -kLineWidth / 2);
    QPainterPath outline;
    outline.addRoundedRect(line, kCornerRadius - kLineWidth / 2, kCornerRadius - kLineWidth / 2);
    painter.fillPath(outline, mix(clear, targetedFill, emphasis_));
    QPen pen(mix(idleBorder, red(), emphasis_), kLineWidth);
    pen.setDashPattern({5 / kLineWidth, 4 / kLineWidth});  // in line widths
    painter.setPen(pen);
    painter.drawPath(outline);

    const QString text = targeted_ ? QStringLiteral("Loslassen zum Löschen")
                                   : QStringLiteral("Hierher ziehen = in den Papierkorb");
    const QString symbol = targeted_ ? QStringLiteral("trash.fill") : QStringLiteral("trash");
    const QColor foreground = mix(secondary, red(), emphasis_);
    const QFont font = Style::font(Style::TextStyle::Callout);
    const QFontMetrics metrics(font);
    const int iconSize = metrics.height();
    const int room = static_cast<int>(zone.width()) - iconSize - 3 * kIconSpacing;
    // Elide only when the text really does not fit: measuring and eliding
    // round differently, and a text that just fits must stay whole.
    const int natural = metrics.horizontalAdvance(text) + 1;
    const int textWidth = std::min(natural, room);
    const QString shown = natural <= room ? text : metrics.elidedText(text, Qt::ElideRight, room);
    const int total = iconSize + kIconSpacing + textWidth;
    const int left = static_cast<int>(zone.center().x()) - total / 2;
    const int middle = static_cast<int>(zone.center().y());
    Icons::symbol(symbol, foreground)
        .paint(&painter, QRect(left, middle - iconSize / 2, iconSize, iconSize));
    painter.setFont(font);
    painter.setPen(foreground);
    painter.drawText(QRect(left + iconSize + kIconSpacing, middle - metrics.height() / 2, textWidth,
                           metrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, shown);
}

}  // namespace raumfuchs
