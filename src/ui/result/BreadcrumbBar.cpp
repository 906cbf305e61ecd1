#include "ui/result/BreadcrumbBar.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

#include "app/AppModel.h"
#include "ui/widgets/Icons.h"
#include "ui/widgets/QtText.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/SymbolLabel.h"

namespace raumfuchs {

namespace {

constexpr int kSpacing = 4;
constexpr int kRowPaddingX = 12;
constexpr int kRowPaddingY = 8;
constexpr int kCrumbPaddingX = 8;
constexpr int kCrumbPaddingY = 4;
constexpr double kCapsuleOpacity = 0.22;

QFont crumbFont(bool isCurrent) {
    return Style::font(Style::TextStyle::Body, isCurrent ? QFont::DemiBold : QFont::Normal);
}

}  // namespace

BreadcrumbBar::Crumb::Crumb(const FileNode& node, const QString& symbol, bool isCurrent,
                            QWidget* parent)
    : QAbstractButton(parent), node_(node), symbol_(symbol), isCurrent_(isCurrent) {
    const QString name = toQString(node.displayName());
    // Button texts take "&" as a mnemonic marker: doubled, a folder named
    // "Tom & Jerry" shows (and is announced) as it is and grabs no shortcut.
    setText(QString(name).replace(QLatin1Char('&'), QStringLiteral("&&")));
    setFont(crumbFont(isCurrent));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
    setToolTip(name);
}

QSize BreadcrumbBar::Crumb::sizeHint() const {
    const QFontMetrics metrics(font());
    int width = metrics.size(Qt::TextShowMnemonic, text()).width();
    if (!symbol_.isEmpty()) {
        width += metrics.height() + kSpacing;
    }
    return {width + 2 * kCrumbPaddingX, metrics.height() + 2 * kCrumbPaddingY};
}

void BreadcrumbBar::Crumb::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (isCurrent_) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Style::color(Theme::accent, kCapsuleOpacity));
        painter.drawRoundedRect(bounds, bounds.height() / 2, bounds.height() / 2);
    }
    const QColor textColor = Style::foreground(palette(), Style::Level::Primary);
    const QFontMetrics metrics(font());
    int x = kCrumbPaddingX;
    if (!symbol_.isEmpty()) {
        const int size = metrics.height();
        const QRect iconRect(x, (height() - size) / 2, size, size);
        Icons::symbol(symbol_, textColor).paint(&painter, iconRect);
        x += size + kSpacing;
    }
    painter.setPen(isDown() ? Style::foreground(palette(), Style::Level::Secondary) : textColor);
    painter.drawText(QRect(x, 0, width() - x - kCrumbPaddingX, height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, text());
}

BreadcrumbBar::BreadcrumbBar(AppModel& model, QWidget* parent)
    : QScrollArea(parent), model_(model), strip_(new QWidget), row_(new QHBoxLayout(strip_)) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // No tab stop of its own: it scrolls itself to the shown folder, and the
    // keyboard goes up with Alt+Up and Backspace.
    setFocusPolicy(Qt::NoFocus);
    setWidgetResizable(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    viewport()->setAutoFillBackground(false);
    strip_->setAutoFillBackground(false);
    row_->setSpacing(kSpacing);
    row_->setContentsMargins(kRowPaddingX, kRowPaddingY, kRowPaddingX, kRowPaddingY);
    row_->setSizeConstraint(QLayout::SetMinAndMaxSize);
    setWidget(strip_);
    const int crumbHeight = QFontMetrics(crumbFont(true)).height() + 2 * kCrumbPaddingY;
    setFixedHeight(crumbHeight + 2 * kRowPaddingY);

    connect(&model_, &AppModel::currentChanged, this, [this] {
        rebuild();
        scrollToCurrent();
    });
    connect(&model_, &AppModel::rootChanged, this, &BreadcrumbBar::rebuild);
    connect(&model_, &AppModel::targetChanged, this, &BreadcrumbBar::rebuild);
    rebuild();
}

void BreadcrumbBar::rebuild() {
    while (QLayoutItem* item = row_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    crumbs_.clear();
    chevronCount_ = 0;

    std::vector<FileNode> path;
    for (FileNode node = model_.current(); node; node = node.parent()) {
        path.push_back(node);
    }
    std::reverse(path.begin(), path.end());

    const bool isVolume = model_.target() && model_.target()->volumeUsed.has_value();
    const int chevronSize = QFontMetrics(Style::font(Style::TextStyle::Caption2)).height();
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (i > 0) {
            auto* chevron = new SymbolLabel(QStringLiteral("chevron.right"), chevronSize, strip_);
            chevron->setLevel(Style::Level::Tertiary);
            row_->addWidget(chevron);
            ++chevronCount_;
        }
        const QString symbol = i > 0      ? QString()
                               : isVolume ? QStringLiteral("internaldrive")
                                          : QStringLiteral("folder");
        auto* crumb = new Crumb(path[i], symbol, i + 1 == path.size(), strip_);
        const FileNode node = path[i];
        connect(crumb, &QAbstractButton::clicked, this, [this, node] { model_.navigate(node); });
        row_->addWidget(crumb);
        crumbs_.push_back(crumb);
    }
    row_->addStretch(1);
}

void BreadcrumbBar::scrollToCurrent() {
    // After the scroll area has fitted the new strip (its layout request is
    // already queued): the shown folder's crumb ends at the trailing edge.
    QTimer::singleShot(0, this, [this] {
        if (crumbs_.empty()) {
            return;
        }
        QScrollBar* bar = horizontalScrollBar();
        const int end = crumbs_.back()->geometry().right() + 1;
        bar->setValue(std::clamp(end - viewport()->width(), bar->minimum(), bar->maximum()));
    });
}

}  // namespace raumfuchs
