#include "ui/shell/AboutDialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/widgets/AppIcon.h"
#include "ui/widgets/TextLabel.h"

namespace raumfuchs {

QString AboutDialog::credits() {
    return QStringLiteral(
        "\nZeigt, wer auf deiner Platte den Platz belegt.\n\n"
        "Enthält Qt 6 (LGPL-3.0) – siehe Hilfe → Lizenzen & Rechtliches.");
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Über Raumfuchs"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(28, 24, 28, 16);
    column->setSpacing(6);

    auto* icon = new QLabel(this);
    icon->setPixmap(appIcon().pixmap(QSize(96, 96), devicePixelRatioF()));
    column->addWidget(icon, 0, Qt::AlignHCenter);

    auto* name = new TextLabel(QStringLiteral("Raumfuchs"), Style::TextStyle::Title2, this);
    name->setTextStyle(Style::TextStyle::Title2, QFont::Bold);
    column->addWidget(name, 0, Qt::AlignHCenter);

    auto* version =
        new TextLabel(QStringLiteral("Version %1").arg(QCoreApplication::applicationVersion()),
                      Style::TextStyle::Caption, this);
    version->setLevel(Style::Level::Secondary);
    column->addWidget(version, 0, Qt::AlignHCenter);

    auto* text = new TextLabel(credits(), Style::TextStyle::Caption, this);
    text->setLevel(Style::Level::Secondary);
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);
    column->addWidget(text);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    column->addSpacing(8);
    column->addWidget(buttons);
    setFixedWidth(420);
}

}  // namespace raumfuchs
