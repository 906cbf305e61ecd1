#include "ui/result/chart/RefreshBadge.h"

#include <QHBoxLayout>

#include "app/AppModel.h"
#include "ui/widgets/QtText.h"
#include "ui/widgets/Spinner.h"
#include "ui/widgets/TextLabel.h"

namespace raumfuchs {

RefreshBadge::RefreshBadge(AppModel& model, QWidget* parent)
    : QWidget(parent),
      model_(model),
      spinner_(new Spinner(Spinner::small(), this)),
      text_(new TextLabel(QString(), Style::TextStyle::Caption, this)) {
    setObjectName(QStringLiteral("refreshBadge"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(spinner_);
    row->addWidget(text_);
    text_->setLevel(Style::Level::Secondary);
    connect(&model_, &AppModel::refreshingChanged, this, &RefreshBadge::follow);
    follow();
}

void RefreshBadge::follow() {
    const std::vector<FileNode> folders = model_.refreshingFolders();
    if (folders.empty()) {
        hide();
        return;
    }
    text_->setText(folders.size() == 1
                       ? QStringLiteral("„%1“ wird neu eingelesen …")
                             .arg(toQString(folders.front().displayName()))
                       : QStringLiteral("%1 Ordner werden neu eingelesen …").arg(folders.size()));
    adjustSize();
    show();
    raise();
}

}  // namespace raumfuchs
