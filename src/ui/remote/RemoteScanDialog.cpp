#include "ui/remote/RemoteScanDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AppModel.h"
#include "ui/widgets/TextLabel.h"

namespace raumfuchs {

RemoteScanDialog::RemoteScanDialog(QWidget* parent)
    : QDialog(parent), host_(new QLineEdit(this)), path_(new QLineEdit(QStringLiteral("/"), this)) {
    setWindowTitle(QStringLiteral("Entfernten Ordner scannen"));
    auto* column = new QVBoxLayout(this);
    auto* note = new TextLabel(QStringLiteral("Raumfuchs meldet sich mit ssh an, mit deinen "
                                              "Schlüsseln und deiner ssh-Konfiguration, und "
                                              "scannt dort mit raumfuchs-scan oder ncdu."),
                               Style::TextStyle::Callout, this);
    note->setLevel(Style::Level::Secondary);
    note->setWordWrap(true);
    column->addWidget(note);

    host_->setObjectName(QStringLiteral("remoteHost"));
    host_->setPlaceholderText(QStringLiteral("benutzer@rechner:port oder Alias"));
    path_->setObjectName(QStringLiteral("remotePath"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Rechner:"), host_);
    form->addRow(QStringLiteral("Ordner:"), path_);
    column->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    scan_ = buttons->addButton(QStringLiteral("Scannen"), QDialogButtonBox::AcceptRole);
    scan_->setDefault(true);
    column->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    const auto follow = [this] { scan_->setEnabled(target().has_value()); };
    connect(host_, &QLineEdit::textChanged, this, follow);
    connect(path_, &QLineEdit::textChanged, this, follow);
    follow();
    setMinimumWidth(460);
}

std::optional<ScanTarget> RemoteScanDialog::target() const {
    const std::optional<RemoteAddress> address =
        parseRemoteHost(host_->text().trimmed().toStdString());
    const std::string path = path_->text().toStdString();
    if (!address || !isRemotePath(path)) {
        return std::nullopt;
    }
    return ScanTarget{path, QString::fromStdString(address->origin(path)), std::nullopt, false,
                      address};
}

void RemoteScanDialog::ask(AppModel& model, QWidget* parent) {
    RemoteScanDialog dialog(parent);
    if (dialog.exec() == QDialog::Accepted) {
        if (const std::optional<ScanTarget> target = dialog.target()) {
            model.startScan(*target);
        }
    }
}

}  // namespace raumfuchs
