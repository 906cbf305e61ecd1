#include "ui/start/StartView.h"

#include <QDateTime>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/AppModel.h"
#include "core/chart/Theme.h"
#include "core/text/Format.h"
#include "ui/remote/RemoteScanDialog.h"
#include "ui/start/ShortcutButton.h"
#include "ui/start/VolumeCard.h"
#include "ui/widgets/AppIcon.h"
#include "ui/widgets/Icons.h"
#include "ui/widgets/QtText.h"
#include "ui/widgets/SymbolLabel.h"
#include "ui/widgets/TextLabel.h"

namespace raumfuchs {

namespace {

constexpr int kMaxContentWidth = 820;
constexpr int kPadding = 32;
constexpr int kBlockSpacing = 28;
constexpr int kSectionSpacing = 10;

// The dark card at the top with the icon, the title and the refresh button.
class HeaderCard : public QWidget {
  public:
    explicit HeaderCard(QWidget* parent) : QWidget(parent) {}

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), 16, 16);
        painter.setClipPath(shape);
        QLinearGradient night(0, 0, 0, height());
        night.setColorAt(0, Style::color(Theme::nightLight));
        night.setColorAt(1, Style::color(Theme::night));
        painter.fillRect(rect(), night);
        QRadialGradient glow(QPointF(width() * 0.12, height() * 0.5), 260);
        glow.setColorAt(0, Style::color(Theme::accent, 0.45));
        glow.setColorAt(1, Style::color(Theme::accent, 0.0));
        painter.fillRect(rect(), glow);
    }
};

// The rounded, faintly filled box of the access hint.
class HintBox : public QWidget {
  public:
    explicit HintBox(QWidget* parent) : QWidget(parent) {}

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor fill = Style::foreground(palette(), Style::Level::Quaternary);
        fill.setAlphaF(fill.alphaF() * 0.5f);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), 12, 12);
        painter.fillPath(shape, fill);
    }
};

TextLabel* heading(const QString& text, QWidget* parent) {
    auto* label = new TextLabel(text, Style::TextStyle::Headline, parent);
    label->setLevel(Style::Level::Secondary);
    return label;
}

QWidget* makeHeader(AppModel& model, QWidget* parent) {
    auto* card = new HeaderCard(parent);
    auto* row = new QHBoxLayout(card);
    row->setContentsMargins(22, 22, 22, 22);
    row->setSpacing(18);

    auto* icon = new QLabel(card);
    icon->setPixmap(appIcon().pixmap(QSize(72, 72), card->devicePixelRatioF()));
    icon->setFixedSize(72, 72);
    auto* shadow = new QGraphicsDropShadowEffect(icon);
    shadow->setColor(Style::color(Theme::accent, 0.5));
    shadow->setBlurRadius(12);
    shadow->setOffset(0, 0);
    icon->setGraphicsEffect(shadow);
    row->addWidget(icon, 0, Qt::AlignVCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    auto* title = new TextLabel(QStringLiteral("Raumfuchs"), Style::TextStyle::LargeTitle, card);
    title->setTextStyle(Style::TextStyle::LargeTitle, QFont::Bold);
    title->setFixedColor(Qt::white);
    auto* subtitle = new TextLabel(
        QStringLiteral("Finde heraus, wer auf deiner Platte den meisten Platz belegt."),
        Style::TextStyle::Body, card);
    subtitle->setFixedColor(QColor::fromRgbF(1, 1, 1, 0.7f));
    subtitle->setWordWrap(true);
    texts->addWidget(title);
    texts->addWidget(subtitle);
    row->addLayout(texts, 1);

    const QColor buttonColor = QColor::fromRgbF(1, 1, 1, 0.85f);
    auto* refresh = new QToolButton(card);
    refresh->setObjectName(QStringLiteral("refreshButton"));
    refresh->setText(QStringLiteral("Aktualisieren"));
    refresh->setIcon(Icons::symbol(QStringLiteral("arrow.clockwise"), buttonColor));
    refresh->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    refresh->setAutoRaise(true);
    refresh->setCursor(Qt::PointingHandCursor);
    refresh->setToolTip(QStringLiteral("Laufwerke neu einlesen"));
    refresh->setStyleSheet(
        QStringLiteral("QToolButton { color: rgba(255,255,255,217); border: 2px solid transparent; "
                       "border-radius: 6px; padding: 2px; }"
                       "QToolButton:hover { background: rgba(255,255,255,28); }"
                       "QToolButton:focus { border-color: rgba(255,255,255,191); }"));
    QObject::connect(refresh, &QToolButton::clicked, &model, &AppModel::reloadVolumes);
    row->addWidget(refresh, 0, Qt::AlignVCenter);
    return card;
}

// A button drawn as a link in the accent colour.
QPushButton* makeLink(const QString& text, QWidget* parent) {
    auto* link = new QPushButton(text, parent);
    link->setFlat(true);
    link->setCursor(Qt::PointingHandCursor);
    link->setFont(Style::font(Style::TextStyle::Body));
    link->setStyleSheet(
        QStringLiteral("QPushButton { border: none; padding: 0; text-align: left; "
                       "color: %1; } QPushButton:hover { text-decoration: underline; }")
            .arg(Style::color(Theme::accent).name()));
    return link;
}

// Below the shortcuts: a scan made elsewhere, read from its export.
QWidget* makeExportLink(AppModel& model, QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(2, 0, 0, 0);
    row->setSpacing(6);
    auto* link = makeLink(QStringLiteral("Scan-Datei öffnen …"), box);
    link->setObjectName(QStringLiteral("openExportLink"));
    const int iconSize = QFontMetrics(link->font()).height();
    link->setIcon(Icons::symbol(QStringLiteral("doc"), Style::color(Theme::accent)));
    link->setIconSize({iconSize, iconSize});
    QObject::connect(link, &QPushButton::clicked, &model, &AppModel::chooseExport);
    auto* note = new TextLabel(QStringLiteral("Export von ncdu, gdu oder raumfuchs-scan, etwa "
                                              "von einem Server"),
                               Style::TextStyle::Callout, box);
    note->setLevel(Style::Level::Secondary);
    auto* remote = makeLink(QStringLiteral("Entfernten Ordner scannen …"), box);
    remote->setObjectName(QStringLiteral("remoteScanLink"));
    remote->setIcon(Icons::symbol(QStringLiteral("network"), Style::color(Theme::accent)));
    remote->setIconSize({iconSize, iconSize});
    QObject::connect(remote, &QPushButton::clicked, box,
                     [&model, box] { RemoteScanDialog::ask(model, box->window()); });
    row->addWidget(link);
    row->addWidget(note);
    row->addSpacing(16);
    row->addWidget(remote);
    return box;
}

// Why a scan without the administrator's rights comes out a little small,
// and the way to one with them.
QWidget* makeHint(AppModel& model, QWidget* parent) {
    auto* box = new HintBox(parent);
    box->setObjectName(QStringLiteral("accessHint"));
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(16, 16, 16, 16);
    row->setSpacing(12);
    const int iconSize = QFontMetrics(Style::font(Style::TextStyle::Title2)).height();
    auto* icon = new SymbolLabel(QStringLiteral("lock.shield"), iconSize, box);
    icon->setFixedColor(Style::color(Theme::accent));
    row->addWidget(icon, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout;
    column->setSpacing(6);
    auto* title = new TextLabel(QStringLiteral("Tipp: Manche Ordner brauchen Administratorrechte"),
                                Style::TextStyle::Subheadline, box);
    title->setTextStyle(Style::TextStyle::Subheadline, QFont::DemiBold);
    auto* body = new TextLabel(
        QStringLiteral("Ohne Administratorrechte kann Raumfuchs manche Ordner nicht lesen, etwa "
                       "die Ordner anderer Benutzer, /root und Teile von /var. Die Ergebnisse "
                       "sind dann etwas zu klein."),
        Style::TextStyle::Callout, box);
    body->setLevel(Style::Level::Secondary);
    body->setWordWrap(true);
    column->addWidget(title);
    column->addWidget(body);
    auto* elevated = makeLink(QStringLiteral("Als Administrator scannen"), box);
    elevated->setObjectName(QStringLiteral("administratorScanLink"));
    QObject::connect(elevated, &QPushButton::clicked, &model, [&model] {
        model.startScan(ScanTarget{"/", model.services().displayName("/"), std::nullopt, false,
                                   std::nullopt, true});
    });
    column->addWidget(elevated, 0, Qt::AlignLeft);
    row->addLayout(column, 1);
    return box;
}

}  // namespace

StartView::StartView(AppModel& model, QWidget* parent) : QScrollArea(parent), model_(model) {
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Not a tab stop itself: it scrolls to whichever control takes the focus.
    setFocusPolicy(Qt::NoFocus);

    auto* canvas = new QWidget(this);
    auto* centring = new QHBoxLayout(canvas);
    centring->setContentsMargins(0, 0, 0, 0);

    auto* content = new QWidget(canvas);
    content->setMaximumWidth(kMaxContentWidth);
    auto* blocks = new QVBoxLayout(content);
    blocks->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    blocks->setSpacing(kBlockSpacing);

    blocks->addWidget(makeHeader(model_, content));

    auto* volumes = new QVBoxLayout;
    volumes->setSpacing(kSectionSpacing);
    volumes->addWidget(heading(QStringLiteral("Laufwerke"), content));
    volumeList_ = new QVBoxLayout;
    volumeList_->setSpacing(kSectionSpacing);
    volumes->addLayout(volumeList_);
    blocks->addLayout(volumes);

    auto* folders = new QVBoxLayout;
    folders->setSpacing(kSectionSpacing);
    folders->addWidget(heading(QStringLiteral("Ordner"), content));
    auto* shortcuts = new QHBoxLayout;
    shortcuts->setSpacing(kSectionSpacing);
    auto addShortcut = [&](const QString& title, const QString& symbol, auto action) {
        auto* button = new ShortcutButton(title, symbol, content);
        connect(button, &QAbstractButton::clicked, this, action);
        shortcuts->addWidget(button, 1);
        return button;
    };
    addShortcut(QStringLiteral("Ordner wählen …"), QStringLiteral("folder.badge.plus"),
                [this] { model_.chooseFolder(); });
    addShortcut(QStringLiteral("Benutzerordner"), QStringLiteral("house"),
                [this] { scanFolder(model_.services().homePath()); });
    downloads_ =
        addShortcut(QStringLiteral("Downloads"), QStringLiteral("arrow.down.circle"), [this] {
            if (const auto downloads = model_.services().downloadsPath()) {
                scanFolder(*downloads);
            } else {
                followDownloads();  // gone since the screen was shown
            }
        });
    addShortcut(QStringLiteral("Programme"), QStringLiteral("square.grid.2x2"),
                [this] { scanFolder("/usr"); });
    folders->addLayout(shortcuts);
    folders->addWidget(makeExportLink(model_, content), 0, Qt::AlignLeft);
    blocks->addLayout(folders);

    if (!model_.services().runsAsAdministrator()) {
        QWidget* hint = makeHint(model_, content);
        blocks->addWidget(hint);
        // Once a scan ran with the rights, the tip has said what it had to say.
        hint->setVisible(!model_.scannedAsAdministrator());
        connect(&model_, &AppModel::scannedAsAdministratorChanged, hint,
                [this, hint] { hint->setVisible(!model_.scannedAsAdministrator()); });
    }
    blocks->addStretch(1);

    centring->addStretch(0);
    centring->addWidget(content, 1);
    centring->addStretch(0);
    setWidget(canvas);
    viewport()->setBackgroundRole(QPalette::Window);

    connect(&model_, &AppModel::volumesChanged, this, &StartView::rebuildVolumeCards);
    // Back from a scan: the cards compare with the newest scan kept.
    connect(&model_, &AppModel::phaseChanged, this, [this] {
        if (model_.phase() == Phase::Start) {
            for (VolumeCard* card : findChildren<VolumeCard*>()) {
                card->setSince(sinceLastScan(card->volume()));
            }
        }
    });
    rebuildVolumeCards();
}

void StartView::showEvent(QShowEvent* event) {
    QScrollArea::showEvent(event);
    if (!event->spontaneous()) {
        model_.reloadVolumes();
        followDownloads();
    }
}

void StartView::followDownloads() {
    const bool exists = model_.services().downloadsPath().has_value();
    downloads_->setEnabled(exists);
    downloads_->setToolTip(exists ? QString()
                                  : QStringLiteral("Es gibt keinen Ordner „Downloads“."));
}

QString StartView::sinceLastScan(const VolumeInfo& volume) const {
    const std::optional<HistoryEntry> last = model_.history().latestOfVolume(volume.path);
    if (!last) {
        return {};
    }
    return QStringLiteral("seit %1: %2 belegt")
        .arg(QDateTime::fromSecsSinceEpoch(last->time).toString(QStringLiteral("dd.MM.")),
             toQString(Format::change(volume.used() - *last->volumeUsed)));
}

void StartView::rebuildVolumeCards() {
    while (QLayoutItem* item = volumeList_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    QWidget* content = volumeList_->parentWidget();
    for (const VolumeInfo& volume : model_.volumes()) {
        auto* card = new VolumeCard(volume, content);
        card->setSince(sinceLastScan(volume));
        connect(card, &QAbstractButton::clicked, this, [this, volume] {
            model_.startScan(ScanTarget{volume.path, toQString(volume.name), volume.used()});
        });
        if (!model_.services().runsAsAdministrator()) {
            card->offerAdministratorScan();
            connect(card, &VolumeCard::administratorScanRequested, this, [this, volume] {
                model_.startScan(ScanTarget{volume.path, toQString(volume.name), std::nullopt,
                                            false, std::nullopt, true});
            });
        }
        volumeList_->addWidget(card);
    }
}

void StartView::scanFolder(const std::string& path) {
    model_.startScan(ScanTarget{path, model_.services().displayName(path), std::nullopt});
}

}  // namespace raumfuchs
