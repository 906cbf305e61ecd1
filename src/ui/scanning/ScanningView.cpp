#include "ui/scanning/ScanningView.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "app/AppModel.h"
#include "core/text/Format.h"
#include "ui/widgets/QtText.h"
#include "ui/widgets/Spinner.h"
#include "ui/widgets/TextLabel.h"

namespace raumfuchs {

namespace {
constexpr int kPathMaxWidth = 560;
}

QString ScanningView::counterText(std::int64_t files, std::int64_t bytes) {
    return toQString(Format::files(files)) + QStringLiteral(" · ") +
           toQString(Format::bytes(bytes));
}

ScanningView::ScanningView(AppModel& model, QWidget* parent)
    : QWidget(parent),
      model_(model),
      spinner_(new Spinner(Spinner::scanning(), this)),
      title_(new TextLabel({}, Style::TextStyle::Title2, this)),
      counter_(new TextLabel({}, Style::TextStyle::Title3, this)),
      path_(new TextLabel({}, Style::TextStyle::Caption, this)),
      cancel_(new QPushButton(QStringLiteral("Abbrechen"), this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(40, 40, 40, 40);
    column->setSpacing(24);
    column->addStretch(1);
    column->addWidget(spinner_, 0, Qt::AlignHCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(6);
    title_->setTextStyle(Style::TextStyle::Title2, QFont::DemiBold);
    title_->setAlignment(Qt::AlignCenter);
    counter_->setTextStyle(Style::TextStyle::Title3, QFont::Normal, true);
    counter_->setLevel(Style::Level::Secondary);
    counter_->setAlignment(Qt::AlignCenter);
    path_->setFont(Style::monospaced(Style::TextStyle::Caption));
    path_->setLevel(Style::Level::Tertiary);
    path_->setAlignment(Qt::AlignCenter);
    path_->setElideMode(Qt::ElideMiddle);
    path_->setMaximumWidth(kPathMaxWidth);
    path_->setMinimumHeight(path_->fontMetrics().height());
    texts->addWidget(title_, 0, Qt::AlignHCenter);
    texts->addWidget(counter_, 0, Qt::AlignHCenter);
    texts->addWidget(path_, 0, Qt::AlignHCenter);
    column->addLayout(texts);

    QFont large = cancel_->font();
    large.setPointSizeF(large.pointSizeF() * 1.1);
    cancel_->setFont(large);
    cancel_->setMinimumSize(120, 34);
    cancel_->setAutoDefault(false);
    connect(cancel_, &QPushButton::clicked, &model_, &AppModel::cancelScan);
    column->addWidget(cancel_, 0, Qt::AlignHCenter);
    column->addStretch(1);

    // Escape cancels wherever the focus is in the window; keyPressEvent covers
    // key presses delivered straight to the screen.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, &model_, &AppModel::cancelScan);

    connect(&model_, &AppModel::targetChanged, this, &ScanningView::refreshTarget);
    connect(&model_, &AppModel::progressChanged, this, &ScanningView::refreshProgress);
    refreshTarget();
}

void ScanningView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    cancel_->setFocus();
}

void ScanningView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        model_.cancelScan();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ScanningView::refreshTarget() {
    const QString name = model_.target() ? model_.target()->displayName : QString();
    title_->setText(model_.target() && model_.target()->isExport
                        ? QStringLiteral("Öffne „%1“ …").arg(name)
                        : QStringLiteral("Vermesse „%1“ …").arg(name));
    refreshProgress();
}

bool ScanningView::readsExport() const {
    // A streamed scan arrives as an export too: entries, not bytes, are counted.
    return model_.target() && (model_.target()->isExport || model_.target()->isStreamed());
}

void ScanningView::refreshProgress() {
    const ScanProgress& progress = model_.progress();
    // An export's reader counts entries; their sizes are summed at the end.
    counter_->setText(readsExport() ? toQString(Format::integer(progress.files)) +
                                          QStringLiteral(" Einträge gelesen")
                                    : counterText(progress.files, progress.bytes));
    path_->setText(toQString(progress.currentPath));
}

}  // namespace raumfuchs
