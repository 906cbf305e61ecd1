#include "ui/result/compare/CompareMenu.h"

#include <QDateTime>

#include "app/AppModel.h"
#include "core/text/Format.h"
#include "ui/widgets/QtText.h"

namespace raumfuchs {

CompareMenu::CompareMenu(AppModel& model, QWidget* parent)
    : QMenu(QStringLiteral("Vergleichen mit …"), parent), model_(model) {
    setObjectName(QStringLiteral("compareMenu"));
    connect(this, &QMenu::aboutToShow, this, &CompareMenu::fill);
    fill();
}

void CompareMenu::fill() {
    clear();
    const ComparisonSession& comparison = model_.comparison();
    const std::vector<HistoryEntry> scans =
        model_.root() ? model_.history().entries(model_.historyKey(), model_.root())
                      : std::vector<HistoryEntry>();
    for (const HistoryEntry& scan : scans) {
        const QString when =
            QDateTime::fromSecsSinceEpoch(scan.time).toString(QStringLiteral("dd.MM.yyyy, HH:mm"));
        QAction* action =
            addAction(when + QStringLiteral(" – ") + toQString(Format::bytes(scan.bytes)) +
                      QStringLiteral(", ") + toQString(Format::files(scan.files)));
        action->setCheckable(true);
        action->setChecked(comparison.baselineFile() == scan.file);
        connect(action, &QAction::triggered, &model_,
                [this, file = scan.file] { model_.compareWith(file); });
    }
    if (scans.empty()) {
        addAction(QStringLiteral("Keine früheren Scans dieses Ordners"))->setEnabled(false);
    }
    addSeparator();
    connect(addAction(QStringLiteral("Andere Datei …")), &QAction::triggered, &model_,
            &AppModel::chooseBaseline);
    if (comparison.isActive()) {
        addSeparator();
        connect(addAction(QStringLiteral("Vergleich beenden")), &QAction::triggered, &model_,
                [this] { model_.comparison().end(); });
    }
}

}  // namespace raumfuchs
