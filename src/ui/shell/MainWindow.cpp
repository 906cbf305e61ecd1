#include "ui/shell/MainWindow.h"

#include <QApplication>
#include <QMenuBar>
#include <QSettings>
#include <QShowEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "app/AppModel.h"
#include "ui/remote/RemoteScanDialog.h"
#include "ui/result/ResultView.h"
#include "ui/result/compare/CompareMenu.h"
#include "ui/shell/ContentView.h"
#include "ui/widgets/AppIcon.h"

namespace raumfuchs {

MainWindow::MainWindow(AppModel& model, QWidget* parent)
    : QMainWindow(parent), model_(model), content_(new ContentView(model, this)) {
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Raumfuchs"));
    setWindowIcon(appIcon());
    setMinimumSize(820, 540);
    resize(1120, 720);
    setCentralWidget(content_);
    buildMenus();
    toolBar_ = addToolBar(QStringLiteral("Werkzeuge"));
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setMovable(false);
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolBar_->setIconSize(QSize(18, 18));
    // The button that shows the actions a narrow window has no room for.
    if (auto* more = toolBar_->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"))) {
        more->setAccessibleName(QStringLiteral("Weitere Werkzeuge"));
    }
    auto* spacer = new QWidget(toolBar_);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolBarSpacer_ = toolBar_->addWidget(spacer);  // splits leading and trailing groups
    toolBar_->hide();
    // Connected after the content view's own reaction, so the new screen is
    // already in place.
    connect(&model_, &AppModel::phaseChanged, this, &MainWindow::adoptScreen);
    adoptScreen();

    connect(&model_, &AppModel::phaseChanged, this, &MainWindow::refreshEnabledStates);
    connect(&model_, &AppModel::targetChanged, this, &MainWindow::refreshEnabledStates);
    connect(&model_, &AppModel::rootChanged, this, &MainWindow::refreshEnabledStates);
    connect(&model_, &AppModel::exportOriginChanged, this, &MainWindow::refreshEnabledStates);
    connect(&model_, &AppModel::currentChanged, this, &MainWindow::refreshEnabledStates);
    connect(&model_, &AppModel::treeRevisionChanged, this, &MainWindow::refreshEnabledStates);
    refreshEnabledStates();
}

// Menus as Linux desktops lay them out: no application menu; "Datei",
// "Gehe zu" and "Hilfe", opened with Alt and their letter or with F10.
void MainWindow::buildMenus() {
    auto add = [this](QMenu* menu, const QString& name, const QString& title,
                      const QList<QKeySequence>& shortcuts = {}) {
        QAction* action = menu->addAction(title);
        action->setObjectName(name);
        action->setShortcuts(shortcuts);
        return action;
    };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&Datei"));
    connect(add(file, QStringLiteral("scanFolderAction"), QStringLiteral("Ordner scannen …"),
                {QKeySequence(Qt::CTRL | Qt::Key_O)}),
            &QAction::triggered, &model_, &AppModel::chooseFolder);
    connect(add(file, QStringLiteral("openExportAction"), QStringLiteral("Scan-Datei öffnen …"),
                {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)}),
            &QAction::triggered, &model_, &AppModel::chooseExport);
    connect(add(file, QStringLiteral("remoteScanAction"),
                QStringLiteral("Entfernten Ordner scannen …"), {}),
            &QAction::triggered, this, [this] { RemoteScanDialog::ask(model_, this); });
    save_ = add(file, QStringLiteral("saveScanAction"), QStringLiteral("Scan speichern …"),
                {QKeySequence(Qt::CTRL | Qt::Key_S)});
    connect(save_, &QAction::triggered, &model_, &AppModel::chooseSaveFile);
    rescan_ = add(file, QStringLiteral("rescanAction"), QStringLiteral("Erneut scannen"),
                  {QKeySequence(Qt::CTRL | Qt::Key_R)});
    connect(rescan_, &QAction::triggered, &model_, &AppModel::rescan);
    compare_ = new CompareMenu(model_, file);
    compare_->menuAction()->setObjectName(QStringLiteral("compareAction"));
    file->addMenu(compare_);
    // Remembered between runs; on unless the user switched it off.
    keepHistory_ =
        add(file, QStringLiteral("keepHistoryAction"), QStringLiteral("Scans im Verlauf behalten"));
    keepHistory_->setCheckable(true);
    keepHistory_->setChecked(QSettings(QStringLiteral("raumfuchs"), QStringLiteral("raumfuchs"))
                                 .value(QStringLiteral("history/keep"), true)
                                 .toBool());
    model_.history().setEnabled(keepHistory_->isChecked());
    connect(keepHistory_, &QAction::toggled, this, [this](bool keep) {
        model_.history().setEnabled(keep);
        QSettings(QStringLiteral("raumfuchs"), QStringLiteral("raumfuchs"))
            .setValue(QStringLiteral("history/keep"), keep);
    });
    file->addSeparator();
    connect(add(file, QStringLiteral("overviewAction"), QStringLiteral("Zur Übersicht"),
                {QKeySequence(Qt::CTRL | Qt::Key_1)}),
            &QAction::triggered, &model_, &AppModel::backToStart);
    file->addSeparator();
    connect(add(file, QStringLiteral("quitAction"), QStringLiteral("Beenden"),
                {QKeySequence(Qt::CTRL | Qt::Key_Q)}),
            &QAction::triggered, qApp, &QApplication::closeAllWindows);

    QMenu* go = menuBar()->addMenu(QStringLiteral("&Gehe zu"));
    // Alt+Up as in the file managers; Ctrl+Up as well, for those used to it.
    parentFolder_ = add(go, QStringLiteral("parentAction"), QStringLiteral("Übergeordneter Ordner"),
                        {QKeySequence(Qt::ALT | Qt::Key_Up), QKeySequence(Qt::CTRL | Qt::Key_Up)});
    connect(parentFolder_, &QAction::triggered, this, [this] {
        if (model_.current()) {
            model_.navigate(model_.current().parent());
        }
    });
    rootFolder_ = add(go, QStringLiteral("rootAction"), QStringLiteral("Hauptverzeichnis"),
                      {QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_Up)});
    connect(rootFolder_, &QAction::triggered, this, [this] { model_.navigate(model_.root()); });
    go->addSeparator();
    QAction* follow =
        add(go, QStringLiteral("followAction"), QStringLiteral("Änderungen live verfolgen"));
    follow->setCheckable(true);
    follow->setChecked(model_.isFollowingEnabled());
    connect(follow, &QAction::toggled, this, [this](bool on) {
        model_.setFollowingEnabled(on);
        QSettings(QStringLiteral("Raumfuchs"), QStringLiteral("Raumfuchs"))
            .setValue(QStringLiteral("followChanges"), on);
    });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Hilfe"));
    // "&&": a single "&" would mark a mnemonic and vanish from the menu.
    connect(add(help, QStringLiteral("licencesAction"), QStringLiteral("Lizenzen && Rechtliches")),
            &QAction::triggered, this, &MainWindow::licencesRequested);
    connect(add(help, QStringLiteral("aboutAction"), QStringLiteral("Über Raumfuchs")),
            &QAction::triggered, this, &MainWindow::aboutRequested);

    // GNOME and KDE programs open their first menu with F10; Qt's menu bar
    // does so only on Windows.
    auto* menuKey = new QAction(this);
    menuKey->setObjectName(QStringLiteral("menuBarAction"));
    menuKey->setShortcut(QKeySequence(Qt::Key_F10));
    connect(menuKey, &QAction::triggered, this,
            [this] { menuBar()->setActiveAction(menuBar()->actions().value(0)); });
    addAction(menuKey);
}

void MainWindow::refreshEnabledStates() {
    rescan_->setEnabled(model_.canRescan() && model_.phase() != Phase::Scanning);
    save_->setEnabled(model_.canSave());
    compare_->menuAction()->setEnabled(model_.canSave());
    keepHistory_->setEnabled(model_.history().isAvailable());
    const FileNode& current = model_.current();
    parentFolder_->setEnabled(current && current.parent());
    rootFolder_->setEnabled(static_cast<bool>(model_.root()));
}

void MainWindow::adoptScreen() {
    for (QAction* action : toolBar_->actions()) {
        if (action != toolBarSpacer_) {
            toolBar_->removeAction(action);
        }
    }
    auto* result = qobject_cast<ResultView*>(content_->screen());
    if (result == nullptr) {
        setWindowTitle(QStringLiteral("Raumfuchs"));
        toolBar_->hide();
        return;
    }
    toolBar_->insertActions(toolBarSpacer_, result->navigationActions());
    toolBar_->addActions(result->primaryActions());
    // Actions with a menu open it at once, as a drop-down.
    for (QAction* action : result->primaryActions()) {
        auto* button = qobject_cast<QToolButton*>(toolBar_->widgetForAction(action));
        if (button != nullptr && action->menu() != nullptr) {
            button->setPopupMode(QToolButton::InstantPopup);
        }
    }
    toolBar_->show();
    setWindowTitle(result->title());
    connect(result, &ResultView::titleChanged, this, &QWidget::setWindowTitle);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        // After the first paint, so the start screen is on display before a
        // launch scan replaces it.
        QTimer::singleShot(0, this, &MainWindow::firstShown);
    }
}

}  // namespace raumfuchs
