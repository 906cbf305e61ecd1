#include "ui/shell/ContentView.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMessageBox>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QStackedLayout>

#include "app/AppModel.h"
#include "core/text/Format.h"
#include "ui/result/ResultView.h"
#include "ui/scanning/ScanningView.h"
#include "ui/start/StartView.h"
#include "ui/widgets/QtText.h"
#include "ui/widgets/UsageBar.h"

namespace raumfuchs {

namespace {

constexpr int kFadeMilliseconds = 250;

// Prompts show their title in the bold main text, as desktop dialogs do;
// names are plain text, never markup.
QMessageBox* makePrompt(QWidget* parent) {
    auto* box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(QStringLiteral("Raumfuchs"));
    box->setTextFormat(Qt::PlainText);
    box->setWindowModality(Qt::WindowModal);
    box->setStyleSheet(
        QStringLiteral("QLabel#qt_msgbox_label { font-weight: bold; }"
                       "QLabel#qt_msgbox_informativelabel { min-width: 300px; }"));
    return box;
}

void setMessage(QMessageBox* box, const QString& message) {
    box->setInformativeText(message);
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
        label->setTextFormat(Qt::PlainText);
    }
}

}  // namespace

QString ContentView::trashTitle(const std::vector<FileNode>& nodes) {
    std::int64_t total = 0;
    for (const FileNode& node : nodes) {
        total += node.size();
    }
    const QString size = toQString(Format::bytes(total));
    if (nodes.size() == 1) {
        return QStringLiteral("„%1“ (%2) in den Papierkorb legen?")
            .arg(toQString(nodes.front().displayName()), size);
    }
    return QStringLiteral("%1 Objekte (%2) in den Papierkorb legen?")
        .arg(QString::number(nodes.size()), size);
}

ContentView::ContentView(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model), stack_(new QStackedLayout(this)) {
    stack_->setContentsMargins(0, 0, 0, 0);
    connect(&model_, &AppModel::phaseChanged, this, &ContentView::showScreenForPhase);
    connect(&model_, &AppModel::confirmingTrashChanged, this, &ContentView::syncTrashDialog);
    connect(&model_, &AppModel::pendingTrashChanged, this, [this] {
        if (trashDialog_) {
            trashDialog_->setText(trashTitle(model_.pendingTrash()));
        }
    });
    connect(&model_, &AppModel::alertMessageChanged, this, &ContentView::syncAlert);
    showScreenForPhase();
    syncTrashDialog();
    syncAlert();
}

QMessageBox* ContentView::trashDialog() const {
    return trashDialog_.data();
}

QMessageBox* ContentView::alert() const {
    return alert_.data();
}

void ContentView::showScreenForPhase() {
    // The fade starts from what is on screen, a fade still running included:
    // a scan shorter than the fade blends from the start screen the user saw
    // into the result, instead of jumping to the scanning screen first.
    QPixmap outgoing;
    if (screen_ != nullptr && isVisible()) {
        outgoing = grab();
    }
    delete cover_;
    QWidget* next = nullptr;
    switch (model_.phase()) {
        case Phase::Start:
            next = new StartView(model_, this);
            break;
        case Phase::Scanning:
            next = new ScanningView(model_, this);
            break;
        case Phase::Result:
            next = new ResultView(model_, this);
            break;
    }
    stack_->addWidget(next);
    stack_->setCurrentWidget(next);
    stack_->activate();  // the screen gets its size now, for a picture taken before the next paint
    if (screen_ != nullptr) {
        stack_->removeWidget(screen_);
        screen_->deleteLater();
    }
    screen_ = next;
    if (!outgoing.isNull()) {
        crossFadeFrom(outgoing);
    }
}

// The new screen is in place underneath; a picture of the old one lies on top
// and fades out, so the two blend over the fade's duration.
void ContentView::crossFadeFrom(const QPixmap& outgoing) {
    auto* cover = new QLabel(this);
    cover_ = cover;
    cover->setPixmap(outgoing);
    cover->setGeometry(rect());
    cover->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* opacity = new QGraphicsOpacityEffect(cover);
    opacity->setOpacity(1.0);
    cover->setGraphicsEffect(opacity);
    cover->show();
    cover->raise();
    auto* fade = new QPropertyAnimation(opacity, "opacity", cover);
    fade->setDuration(kFadeMilliseconds);
    fade->setStartValue(1.0);
    fade->setEndValue(0.0);
    fade->setEasingCurve(QEasingCurve::InOutQuad);
    connect(fade, &QPropertyAnimation::finished, cover, &QObject::deleteLater);
    fade->start();
}

void ContentView::closeFromModel(QMessageBox* prompt) {
    if (prompt != nullptr) {
        closingFromModel_ = true;
        prompt->close();
        closingFromModel_ = false;
    }
}

void ContentView::syncTrashDialog() {
    if (answeringTrash_) {
        return;  // the dialog is closing on its own answer
    }
    if (!model_.isConfirmingTrash()) {
        closeFromModel(trashDialog_);
        return;
    }
    if (!trashDialog_) {
        QMessageBox* box = makePrompt(window());
        box->setIcon(QMessageBox::Warning);
        setMessage(box,
                   QStringLiteral("Du kannst es bis zum Leeren des Papierkorbs wiederherstellen."));
        QPushButton* confirm =
            box->addButton(QStringLiteral("In den Papierkorb legen"), QMessageBox::DestructiveRole);
        // Destructive buttons carry the alert red, as desktops mark them.
        confirm->setStyleSheet(QStringLiteral("QPushButton { color: %1; }")
                                   .arg(UsageBar::fillColor(1.0).darker(115).name()));
        QPushButton* cancel = box->addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
        box->setDefaultButton(cancel);
        box->setEscapeButton(cancel);
        // The buttons act once the dialog has closed: the chosen action first,
        // then the model learns that the dialog is gone. Closing the window
        // counts as cancelling.
        connect(box, &QMessageBox::finished, this, [this, box, confirm] {
            trashDialog_ = nullptr;
            if (closingFromModel_) {
                return;
            }
            answeringTrash_ = true;
            if (box->clickedButton() == confirm) {
                model_.confirmTrash();
            } else {
                model_.setPendingTrash({});
            }
            model_.setConfirmingTrash(false);
            answeringTrash_ = false;
        });
        trashDialog_ = box;
        box->setText(trashTitle(model_.pendingTrash()));
        box->open();
        return;
    }
    trashDialog_->setText(trashTitle(model_.pendingTrash()));
}

void ContentView::syncAlert() {
    const std::optional<QString>& message = model_.alertMessage();
    if (!message) {
        closeFromModel(alert_);
        return;
    }
    if (!alert_) {
        QMessageBox* box = makePrompt(window());
        box->setIcon(QMessageBox::Information);
        box->setText(QStringLiteral("Hinweis"));
        QPushButton* ok = box->addButton(QStringLiteral("OK"), QMessageBox::RejectRole);
        box->setDefaultButton(ok);
        box->setEscapeButton(ok);
        connect(box, &QMessageBox::finished, this, [this] {
            alert_ = nullptr;
            if (!closingFromModel_) {
                model_.setAlertMessage(std::nullopt);
            }
        });
        alert_ = box;
        setMessage(box, *message);
        box->open();
        return;
    }
    setMessage(alert_, *message);
}

}  // namespace raumfuchs
