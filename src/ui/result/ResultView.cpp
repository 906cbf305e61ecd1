#include "ui/result/ResultView.h"

#include <QAction>
#include <QFrame>
#include <QSplitter>
#include <QStackedLayout>
#include <QVBoxLayout>

#include "app/AppModel.h"
#include "core/text/Format.h"
#include "ui/result/BreadcrumbBar.h"
#include "ui/result/chart/ChartPane.h"
#include "ui/result/compare/CompareMenu.h"
#include "ui/result/list/SidePanel.h"
#include "ui/result/node/HoverState.h"
#include "ui/widgets/Icons.h"
#include "ui/widgets/QtText.h"

namespace raumfuchs {

namespace {

constexpr int kPanelMinimum = 320;
constexpr int kPanelMaximum = 560;

QAction* makeAction(const QString& title, const char* symbol, const QString& tip, QObject* owner) {
    auto* action = new QAction(Icons::symbol(QLatin1String(symbol)), title, owner);
    action->setToolTip(tip);
    return action;
}

}  // namespace

ResultView::ResultView(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), hover_(new HoverState(this)) {
    pages_ = new QStackedLayout(this);
    pages_->addWidget(new QWidget(this));  // nothing to show

    auto* content = new QWidget(this);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(new BreadcrumbBar(model_, content));
    auto* separator = new QFrame(content);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Plain);
    separator->setForegroundRole(QPalette::Mid);
    column->addWidget(separator);

    auto* splitter = new QSplitter(Qt::Horizontal, content);
    splitter->setChildrenCollapsible(false);
    auto* chartPane = new ChartPane(model_, *hover_, splitter);
    auto* sidePanel = new SidePanel(model_, *hover_, splitter);
    sidePanel->setMinimumWidth(kPanelMinimum);
    sidePanel->setMaximumWidth(kPanelMaximum);
    splitter->addWidget(chartPane);
    splitter->addWidget(sidePanel);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    column->addWidget(splitter, 1);
    pages_->addWidget(content);

    overview_ = makeAction(QStringLiteral("Übersicht"), "square.grid.2x2",
                           QStringLiteral("Zurück zur Laufwerksübersicht"), this);
    up_ = makeAction(QStringLiteral("Nach oben"), "chevron.up",
                     QStringLiteral("Übergeordneter Ordner"), this);
    up_->setObjectName(QStringLiteral("up"));
    rescan_ = makeAction(QStringLiteral("Erneut scannen"), "arrow.clockwise",
                         QStringLiteral("Erneut scannen"), this);
    refresh_ = makeAction(QStringLiteral("Neu einlesen"), "arrow.triangle.2.circlepath",
                          QStringLiteral("Gezeigten Ordner neu einlesen (F5)"), this);
    refresh_->setShortcut(QKeySequence(Qt::Key_F5));
    reveal_ = makeAction(QStringLiteral("Im Dateimanager zeigen"), "folder",
                         QStringLiteral("Aktuellen Ordner im Dateimanager zeigen"), this);
    compare_ = makeAction(QStringLiteral("Vergleichen"), "clock",
                          QStringLiteral("Mit einem früheren Scan vergleichen"), this);
    compare_->setObjectName(QStringLiteral("compare"));
    compare_->setMenu(new CompareMenu(model_, this));
    connect(overview_, &QAction::triggered, &model_, &AppModel::backToStart);
    connect(up_, &QAction::triggered, this, [this] {
        if (const FileNode above = model_.current() ? model_.current().parent() : FileNode()) {
            model_.navigate(above);
        }
    });
    connect(rescan_, &QAction::triggered, &model_, &AppModel::rescan);
    connect(refresh_, &QAction::triggered, this,
            [this] { model_.refreshFolder(model_.current()); });
    connect(reveal_, &QAction::triggered, this, [this] {
        if (model_.current()) {
            model_.revealInFileManager({model_.current()});
        }
    });

    for (auto signal : {&AppModel::rootChanged, &AppModel::targetChanged,
                        &AppModel::treeRevisionChanged, &AppModel::exportOriginChanged}) {
        connect(&model_, signal, this, &ResultView::refresh);
    }
    connect(&model_, &AppModel::currentChanged, this, &ResultView::refresh);
    refresh();
}

ResultView::~ResultView() = default;

QString ResultView::title() const {
    return title_;
}

void ResultView::refresh() {
    const bool hasTree = model_.root() && model_.current();
    pages_->setCurrentIndex(hasTree ? 1 : 0);
    up_->setEnabled(model_.current() && model_.current().parent());
    // An imported tree's paths name another machine's files: nothing to show
    // in the file manager, nothing to scan again unless it was scanned there
    // just now. A tree read as administrator is not refreshed with less rights.
    rescan_->setVisible(!model_.isImported() || model_.canRescan());
    rescan_->setEnabled(model_.canRescan());
    reveal_->setVisible(!model_.isImported());
    refresh_->setVisible(model_.canRefresh());
    refresh_->setEnabled(model_.current() && model_.canRefresh());

    QString title = model_.target() ? model_.target()->displayName : QStringLiteral("Raumfuchs");
    if (model_.isImported() && model_.root()) {
        title = toQString(model_.root().displayName());  // not the carrier file
    }
    if (model_.root()) {
        title += QStringLiteral(" — ") + toQString(Format::bytes(model_.root().size()));
    }
    if (title != title_) {
        title_ = title;
        emit titleChanged(title_);
    }
}

}  // namespace raumfuchs
