#include "ui/remote/AskpassDialog.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdio>

#include "ui/widgets/TextLabel.h"

namespace raumfuchs {

bool AskpassDialog::asksToConfirm(const QString& prompt) {
    return prompt.contains(QStringLiteral("(yes/no"));
}

AskpassDialog::AskpassDialog(const QString& prompt, QWidget* parent)
    : QDialog(parent), confirms_(asksToConfirm(prompt)) {
    setWindowTitle(confirms_ ? QStringLiteral("Unbekannter Rechner")
                             : QStringLiteral("Anmeldung für den Scan"));
    auto* column = new QVBoxLayout(this);
    // ssh's own words: the host, the kind of key and its fingerprint.
    auto* text = new TextLabel(prompt.trimmed(), Style::TextStyle::Body, this);
    text->setObjectName(QStringLiteral("askpassPrompt"));
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(text);
    auto* buttons = new QDialogButtonBox(this);
    if (confirms_) {
        buttons->addButton(QStringLiteral("Ja, verbinden"), QDialogButtonBox::AcceptRole);
        buttons->addButton(QStringLiteral("Nein"), QDialogButtonBox::RejectRole)->setDefault(true);
    } else {
        secret_ = new QLineEdit(this);
        secret_->setObjectName(QStringLiteral("askpassSecret"));
        secret_->setEchoMode(QLineEdit::Password);
        column->addWidget(secret_);
        buttons->setStandardButtons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    }
    column->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setMinimumWidth(480);
}

QString AskpassDialog::answer() const {
    if (confirms_) {
        return result() == QDialog::Accepted ? QStringLiteral("yes") : QStringLiteral("no");
    }
    return secret_->text();
}

int AskpassDialog::run(const QString& prompt) {
    AskpassDialog dialog(prompt);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (!accepted && !dialog.confirms_) {
        return 1;  // ssh gives up on this way of logging in
    }
    const QByteArray answer = dialog.answer().toUtf8() + '\n';
    std::fwrite(answer.constData(), 1, static_cast<std::size_t>(answer.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace raumfuchs
