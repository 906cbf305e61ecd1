#include "ui/result/summary/SummaryBar.h"

#include <QDateTime>
#include <QFile>
#include <QHBoxLayout>
#include <QToolButton>

#include "app/AppModel.h"
#include "core/text/Format.h"
#include "ui/result/summary/UnattributedDialog.h"
#include "ui/widgets/Icons.h"
#include "ui/widgets/QtText.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/SymbolLabel.h"
#include "ui/widgets/TextLabel.h"

namespace raumfuchs {

namespace {

constexpr int kItemSpacing = 14;
constexpr int kLabelSpacing = 4;
constexpr int kPaddingX = 16;
constexpr int kPaddingBottom = 12;
// A long file name or producer (the file's own words) is elided, not the bar widened.
constexpr int kExportMaxWidth = 420;

// An icon and a caption in the secondary colour, as one item of the bar.
QWidget* item(const QString& symbol, TextLabel*& label, QWidget* parent) {
    auto* widget = new QWidget(parent);
    auto* row = new QHBoxLayout(widget);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(kLabelSpacing);
    label = new TextLabel(QString(), Style::TextStyle::Caption, widget);
    label->setLevel(Style::Level::Secondary);
    auto* icon = new SymbolLabel(symbol, QFontMetrics(label->font()).height(), widget);
    icon->setLevel(Style::Level::Secondary);
    row->addWidget(icon);
    row->addWidget(label);
    return widget;
}

// A button in link style (text and icon, no frame) with the caption font;
// reachable with the keyboard, underlined under the pointer and with focus.
QAbstractButton* linkButton(const QString& symbol, const QColor& tint, const QString& color,
                            QWidget* parent) {
    auto* link = new QToolButton(parent);
    const QFont caption = Style::font(Style::TextStyle::Caption);
    link->setFont(caption);
    link->setAutoRaise(true);
    link->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const int iconSize = QFontMetrics(caption).height();
    link->setIconSize({iconSize, iconSize});
    link->setIcon(Icons::symbol(symbol, tint));
    link->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; %1 "
                                       "padding: 0px; }"
                                       "QToolButton:hover, QToolButton:focus { text-decoration: "
                                       "underline; }")
                            .arg(color));
    link->setCursor(Qt::PointingHandCursor);
    link->setFocusPolicy(Qt::StrongFocus);
    return link;
}

// What the live mark's tooltip says is followed.
QString followedText(const LiveStatus& status) {
    const WatchCoverage& c = status.coverage;
    if (status.state == LiveStatus::State::Lost) {
        return QStringLiteral(
            "Der gescannte Ordner ist entfernt oder nicht mehr eingehängt. Die "
            "Übersicht zeigt den letzten Stand und folgt ihm nicht mehr.");
    }
    if (status.state == LiveStatus::State::Starting) {
        return QStringLiteral("Die Beobachtung der Änderungen wird eingerichtet …");
    }
    if (c.way == WatchCoverage::Way::FileSystems) {
        return QStringLiteral("Änderungen werden übernommen: %1 als Ganzes beobachtet.")
            .arg(c.fileSystems == 1 ? QStringLiteral("Das Dateisystem wird")
                                    : QStringLiteral("%1 Dateisysteme werden").arg(c.fileSystems));
    }
    QString text = QStringLiteral("Änderungen werden übernommen: %1 Ordner werden beobachtet.")
                       .arg(toQString(Format::integer(static_cast<std::int64_t>(c.folders))));
    if (c.unfollowed > 0) {
        text += QStringLiteral(
                    " %1 Ordner werden nicht verfolgt: Das System erlaubt nicht mehr "
                    "Beobachtungen (fs.inotify.max_user_watches).")
                    .arg(toQString(Format::integer(static_cast<std::int64_t>(c.unfollowed))));
    }
    return text;
}

}  // namespace

SummaryBar::SummaryBar(AppModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kPaddingX, 0, kPaddingX, kPaddingBottom);
    row->setSpacing(kItemSpacing);
    row->addWidget(item(QStringLiteral("clock"), files_, this));
    export_ = item(QStringLiteral("doc"), exportLabel_, this);
    row->addWidget(export_);
    // Keeps the look of the other items, in the secondary colour.
    const QColor secondary = Style::foreground(palette(), Style::Level::Secondary);
    remainder_ =
        linkButton(QStringLiteral("questionmark.circle"), secondary,
                   QStringLiteral("color: %1;").arg(secondary.name(QColor::HexArgb)), this);
    remainder_->setToolTip(QStringLiteral(
        "Diesen Platz meldet das Laufwerk als belegt, er steckt aber nicht in sichtbaren "
        "Dateien – etwa für den Administrator reservierte Blöcke, Verwaltungsdaten des "
        "Dateisystems, Snapshots (btrfs, LVM) oder gelöschte, noch geöffnete Dateien."));
    remainder_->setObjectName(QStringLiteral("remainder"));
    connect(remainder_, &QAbstractButton::clicked, this, &SummaryBar::explainRemainder);
    row->addWidget(remainder_);

    unreadable_ = item(QStringLiteral("lock"), unreadableLabel_, this);
    unreadable_->setObjectName(QStringLiteral("unreadable"));
    row->addWidget(unreadable_);

    comparison_ = item(QStringLiteral("clock"), comparisonLabel_, this);
    comparison_->setObjectName(QStringLiteral("comparison"));
    const QColor link = palette().color(QPalette::Link);
    QAbstractButton* endComparison =
        linkButton(QString(), link, QStringLiteral("color: %1;").arg(link.name()), comparison_);
    endComparison->setObjectName(QStringLiteral("endComparison"));
    qobject_cast<QToolButton*>(endComparison)->setToolButtonStyle(Qt::ToolButtonTextOnly);
    endComparison->setText(QStringLiteral("Vergleich beenden"));
    comparison_->layout()->addWidget(endComparison);
    connect(endComparison, &QAbstractButton::clicked, this, [this] { model_.comparison().end(); });
    row->addWidget(comparison_);
    live_ = item(QStringLiteral("arrow.clockwise"), liveLabel_, this);
    live_->setObjectName(QStringLiteral("live"));
    live_->hide();
    row->addWidget(live_);
    connect(&model_, &AppModel::liveStatusChanged, this, &SummaryBar::refreshLive);
    refreshLive();
    row->addStretch(1);
    connect(&model_.comparison(), &ComparisonSession::changed, this, &SummaryBar::refresh);

    for (auto signal :
         {&AppModel::rootChanged, &AppModel::targetChanged, &AppModel::scanDurationChanged,
          &AppModel::unreadableCountChanged, &AppModel::treeRevisionChanged,
          &AppModel::exportOriginChanged, &AppModel::unattributedChanged}) {
        connect(&model_, signal, this, &SummaryBar::refresh);
    }
    refresh();
}

void SummaryBar::refresh() {
    const FileNode& root = model_.root();
    const std::int64_t files = root ? root.fileCount() : 0;
    const QString count = toQString(Format::files(files));
    const auto& origin = model_.exportOrigin();
    if (!origin || origin->remote) {
        files_->setText(count + QStringLiteral(" in ") +
                        toQString(Format::duration(model_.scanDuration())));
    } else if (origin->timestamp > 0) {
        const QDateTime exported = QDateTime::fromSecsSinceEpoch(origin->timestamp);
        files_->setText(count + exported.toString(QStringLiteral(", 'exportiert am' dd.MM.yyyy "
                                                                 "'um' HH:mm")));
    } else {
        files_->setText(count);
    }
    if (origin) {
        const QString file = QFile::decodeName(QByteArray::fromStdString(origin->file));
        // Scanned on another machine just now: where; read from a file: which.
        QString text = origin->remote
                           ? QStringLiteral("auf „%1“").arg(file)
                           : QStringLiteral("aus „%1“").arg(file.section(QLatin1Char('/'), -1));
        if (!origin->producer.empty()) {
            text += QStringLiteral(" von ") + toQString(origin->producer);
        }
        text = exportLabel_->fontMetrics().elidedText(text, Qt::ElideMiddle, kExportMaxWidth);
        // Never elided: it says the sizes are not all the file's own.
        if (origin->folderSizesEstimated) {
            text += QStringLiteral(", Ordnergrößen geschätzt");
        }
        exportLabel_->setText(text);
        export_->setToolTip(file);
    }
    export_->setVisible(origin.has_value());

    // Measured with whole-volume scans alone: what the file systems the scan
    // entered report as used, against the tree as it is now.
    const auto& unattributed = model_.unattributed();
    const std::int64_t scanned = root ? root.size() : 0;
    const bool showsRemainder = unattributed && scanned < unattributed->used;
    if (showsRemainder) {
        remainderShort_ = toQString(Format::bytes(unattributed->used - scanned)) +
                          QStringLiteral(" nicht zuordenbar");
    }
    remainder_->setVisible(showsRemainder);

    const std::int64_t unreadable = model_.unreadableCount();
    unreadableLabel_->setText(toQString(Format::integer(unreadable)) +
                              QStringLiteral(" Ordner nicht lesbar"));
    // An export's folders were left unread on another machine, by its rights.
    // With the administrator's rights, what is left unread is refused to him
    // too (another user's FUSE mount, a network share).
    unreadable_->setToolTip(
        origin ? QString()
        : model_.readAsAdministrator()
            ? QStringLiteral("Auch mit Administratorrechten ließen sich diese Ordner "
                             "nicht lesen; ihr Inhalt fehlt in den Größen.")
            : QStringLiteral("Ohne Administratorrechte lassen sich diese Ordner nicht "
                             "lesen; ihr Inhalt fehlt in den Größen."));
    unreadable_->setVisible(unreadable > 0);

    const ComparisonSession& comparison = model_.comparison();
    comparisonLabel_->setText(comparison.isLoading() ? QStringLiteral("Vergleich wird geladen …")
                                                     : comparison.summary());
    comparison_->setVisible(comparison.isActive());
    fitRemainder();
}

void SummaryBar::refreshLive() {
    const LiveStatus& status = model_.liveStatus();
    const bool shown =
        status.state != LiveStatus::State::Off && status.state != LiveStatus::State::Unavailable;
    liveLabel_->setText(status.state == LiveStatus::State::Lost ? QStringLiteral("Nicht mehr live")
                        : status.applying ? QStringLiteral("Änderungen werden übernommen …")
                                          : QStringLiteral("Live"));
    live_->setToolTip(followedText(status));
    if (live_->isVisibleTo(this) != shown) {
        live_->setVisible(shown);
        fitRemainder();  // the mark takes room from the remainder's parts
    }
}

void SummaryBar::fitRemainder() {
    // What the remainder is made of goes first when the line is too narrow;
    // the tooltip and the dialog still tell it.
    remainder_->setText(remainderShort_ + QStringLiteral(" (Reserve, Metadaten, Snapshots)"));
    layout()->invalidate();
    if (layout()->sizeHint().width() > width()) {
        remainder_->setText(remainderShort_);
    }
}

void SummaryBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitRemainder();
}

void SummaryBar::explainRemainder() {
    const auto& unattributed = model_.unattributed();
    const FileNode& root = model_.root();
    if (!unattributed || !root) {
        return;
    }
    auto* dialog = new UnattributedDialog(*unattributed, unattributed->used - root.size(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

QString SummaryBar::filesText() const {
    return files_->text();
}

QString SummaryBar::exportText() const {
    return export_->isVisibleTo(this) ? exportLabel_->text() : QString();
}

QString SummaryBar::remainderText() const {
    return remainder_->isVisibleTo(this) ? remainder_->text() : QString();
}

QString SummaryBar::comparisonText() const {
    return comparison_->isVisibleTo(this) ? comparisonLabel_->text() : QString();
}

QString SummaryBar::unreadableText() const {
    return unreadable_->isVisibleTo(this) ? unreadableLabel_->text() : QString();
}

}  // namespace raumfuchs

namespace raumfuchs {

QString SummaryBar::liveText() const {
    return live_->isVisibleTo(this) ? liveLabel_->text() : QString();
}

QString SummaryBar::liveToolTip() const {
    return live_->toolTip();
}

}  // namespace raumfuchs
