#include "ui/start/VolumeCard.h"

#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/chart/Theme.h"
#include "core/text/Format.h"
#include "ui/widgets/Icons.h"
#include "ui/widgets/QtText.h"
#include "ui/widgets/SymbolLabel.h"
#include "ui/widgets/TextLabel.h"
#include "ui/widgets/UsageBar.h"

namespace raumfuchs {

QString VolumeCard::symbolName(const VolumeInfo& volume) {
    if (volume.path == "/") {
        return QStringLiteral("internaldrive.fill");
    }
    return volume.isRemovable ? QStringLiteral("externaldrive.fill")
                              : QStringLiteral("externaldrive");
}

VolumeCard::VolumeCard(const VolumeInfo& volume, QWidget* parent)
    : CardButton(parent), volume_(volume) {
    const QString name = toQString(volume.name);
    const QString path = toQString(volume.path);
    QString tip = QStringLiteral("„%1“ scannen").arg(name);
    if (volume.reserved > 0) {
        tip += QStringLiteral("\nVom belegten Platz sind %1 für den Administrator reserviert.")
                   .arg(toQString(Format::bytes(volume.reserved)));
    }
    setToolTip(tip);
    setAccessibleName(name);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 16, 16, 16);
    row->setSpacing(16);

    auto* icon = new SymbolLabel(symbolName(volume), 30, this);
    icon->setFixedColor(Style::color(Theme::accent));
    icon->setFixedWidth(44);
    row->addWidget(icon, 0, Qt::AlignVCenter);

    auto* column = new QVBoxLayout;
    column->setSpacing(8);
    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(8);
    auto* nameLabel = new TextLabel(name, Style::TextStyle::Title3, this);
    nameLabel->setTextStyle(Style::TextStyle::Title3, QFont::DemiBold);
    auto* pathLabel = new TextLabel(path, Style::TextStyle::Caption, this);
    pathLabel->setLevel(Style::Level::Tertiary);
    auto* freeLabel =
        new TextLabel(toQString(Format::bytes(volume.available)) + QStringLiteral(" frei von ") +
                          toQString(Format::bytes(volume.total)),
                      Style::TextStyle::Callout, this);
    freeLabel->setLevel(Style::Level::Secondary);
    titleRow->addWidget(nameLabel, 0, Qt::AlignBottom);
    titleRow->addWidget(pathLabel, 0, Qt::AlignBottom);
    titleRow->addStretch(1);
    titleRow->addWidget(freeLabel, 0, Qt::AlignBottom);
    column->addLayout(titleRow);

    auto* bar = new UsageBar(this);
    bar->setFraction(volume.fraction());
    column->addWidget(bar);

    auto* usage =
        new TextLabel(toQString(Format::bytes(volume.used())) + QStringLiteral(" belegt · ") +
                          toQString(Format::percent(volume.used(), volume.total)),
                      Style::TextStyle::Caption, this);
    usage->setLevel(Style::Level::Secondary);
    usageRow_ = new QHBoxLayout;
    usageRow_->addWidget(usage);
    usageRow_->addStretch(1);
    since_ = new TextLabel(QString(), Style::TextStyle::Caption, this);
    since_->setObjectName(QStringLiteral("sinceLastScan"));
    since_->setLevel(Style::Level::Secondary);
    since_->hide();
    usageRow_->addWidget(since_);
    column->addLayout(usageRow_);
    row->addLayout(column, 1);

    auto* chevron = new SymbolLabel(QStringLiteral("chevron.right"), 14, this);
    chevron->setLevel(Style::Level::Tertiary);
    row->addWidget(chevron, 0, Qt::AlignVCenter);

    for (QWidget* child : findChildren<QWidget*>()) {
        adoptContent(child);
    }
}

void VolumeCard::offerAdministratorScan() {
    // Not adopted: it takes its own clicks.
    auto* elevated = new QToolButton(this);
    elevated->setObjectName(QStringLiteral("administratorScanButton"));
    elevated->setText(QStringLiteral("Als Administrator scannen"));
    elevated->setIcon(Icons::symbol(QStringLiteral("lock.shield"), Style::color(Theme::accent)));
    elevated->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    elevated->setAutoRaise(true);
    elevated->setCursor(Qt::PointingHandCursor);
    elevated->setFont(Style::font(Style::TextStyle::Caption));
    elevated->setToolTip(QStringLiteral("„%1“ mit Administratorrechten scannen, auch die Ordner, "
                                        "die du sonst nicht lesen kannst")
                             .arg(toQString(volume_.name)));
    connect(elevated, &QToolButton::clicked, this, &VolumeCard::administratorScanRequested);
    usageRow_->addWidget(elevated);
}

void VolumeCard::setSince(const QString& since) {
    since_->setText(since);
    since_->setVisible(!since.isEmpty());
    setAccessibleDescription(since);
}

}  // namespace raumfuchs
