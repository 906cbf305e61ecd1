#include "ui/result/summary/UnattributedDialog.h"

#include <QByteArray>
#include <QDialogButtonBox>
#include <QFile>
#include <QGridLayout>
#include <QStringList>
#include <QVBoxLayout>

#include "core/text/Format.h"
#include "ui/widgets/QtText.h"
#include "ui/widgets/TextLabel.h"

namespace raumfuchs {

namespace {

QString bytes(std::int64_t count) {
    return toQString(Format::bytes(count));
}

QString integer(std::int64_t count) {
    return toQString(Format::integer(count));
}

// One part: its name and amount on a line, what it means below in small print.
void addPart(QGridLayout* grid, const QString& name, const QString& amount, const QString& detail,
             QWidget* parent) {
    const int row = grid->rowCount();
    grid->addWidget(new TextLabel(name, Style::TextStyle::Body, parent), row, 0);
    auto* value = new TextLabel(amount, Style::TextStyle::Body, parent);
    value->setTextStyle(Style::TextStyle::Body, QFont::DemiBold, true);
    grid->addWidget(value, row, 1, Qt::AlignRight);
    auto* note = new TextLabel(detail, Style::TextStyle::Caption, parent);
    note->setLevel(Style::Level::Secondary);
    note->setWordWrap(true);
    grid->addWidget(note, row + 1, 0, 1, 2);
    grid->setRowMinimumHeight(row + 2, 6);
}

// `several`: the scan entered more than one file system.
QString holdersText(const DeletedOpenFiles& deleted, bool several) {
    QString text;
    if (deleted.files == 0) {
        text = several ? QStringLiteral(
                             "Kein Prozess hält eine gelöschte Datei dieser Dateisysteme offen.")
                       : QStringLiteral(
                             "Kein Prozess hält eine gelöschte Datei dieses Laufwerks "
                             "offen.");
    } else {
        QStringList names;
        for (const std::string& name : deleted.holders) {
            names << toQString(name);
        }
        text = QStringLiteral("%1 %2, offen gehalten von: %3")
                   .arg(integer(deleted.files),
                        deleted.files == 1 ? QStringLiteral("Datei") : QStringLiteral("Dateien"),
                        names.join(QStringLiteral(", ")));
    }
    if (deleted.uninspectedProcesses > 0) {
        text += deleted.uninspectedProcesses == 1
                    ? QStringLiteral(
                          "\n1 Prozess konnte nicht geprüft werden; was er offen "
                          "hält, ist unbekannt.")
                    : QStringLiteral(
                          "\n%1 Prozesse konnten nicht geprüft werden; was sie offen "
                          "halten, ist unbekannt.")
                          .arg(integer(deleted.uninspectedProcesses));
    }
    return text;
}

}  // namespace

UnattributedDialog::UnattributedDialog(const UnattributedSpace& measured, std::int64_t remainder,
                                       QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Nicht zuordenbarer Platz"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 20, 24, 16);
    column->setSpacing(6);

    auto* title = new TextLabel(bytes(remainder) + QStringLiteral(" nicht zuordenbar"),
                                Style::TextStyle::Title3, this);
    title->setTextStyle(Style::TextStyle::Title3, QFont::DemiBold);
    column->addWidget(title);
    QString counted = QStringLiteral("Diesen Platz meldet das Laufwerk als belegt");
    if (measured.fileSystems.size() > 1) {
        QStringList places;
        for (const std::string& place : measured.fileSystems) {
            places << QFile::decodeName(QByteArray::fromStdString(place));
        }
        counted = QStringLiteral(
                      "Diesen Platz melden die %1 Dateisysteme, die der Scan betrat "
                      "(%2), zusammen als belegt")
                      .arg(integer(static_cast<std::int64_t>(measured.fileSystems.size())),
                           places.join(QStringLiteral(", ")));
    }
    auto* intro = new TextLabel(
        counted +
            QStringLiteral(", der Scan fand ihn aber in keiner Datei. Er setzt sich so zusammen:"),
        Style::TextStyle::Callout, this);
    intro->setLevel(Style::Level::Secondary);
    intro->setWordWrap(true);
    column->addWidget(intro);
    column->addSpacing(8);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(24);
    grid->setVerticalSpacing(2);
    grid->setColumnStretch(0, 1);
    UnattributedSpace space = measured;
    space.remainder = remainder;
    addPart(grid, QStringLiteral("Für den Administrator reserviert"), bytes(space.reserved),
            QStringLiteral("Blöcke, die nur root beschreiben darf – bei ext4 meist 5 % des "
                           "Laufwerks."),
            this);
    addPart(grid, QStringLiteral("Gelöschte, noch geöffnete Dateien"),
            bytes(space.deletedOpen.bytes),
            holdersText(space.deletedOpen, space.fileSystems.size() > 1), this);
    addPart(grid, QStringLiteral("Unter Einhängepunkten verborgen"),
            space.underMounts ? bytes(*space.underMounts) : QStringLiteral("nicht gemessen"),
            space.underMounts ? QStringLiteral("Dateien in Ordnern, über die später ein "
                                               "anderes Laufwerk eingehängt wurde.")
                              : toQString(space.underMountsUnmeasured),
            this);
    addPart(grid, QStringLiteral("Nicht lesbare Ordner"),
            integer(space.unreadableFolders) + QStringLiteral(" Ordner"),
            space.unreadableFolders > 0
                ? QStringLiteral("Ihr Inhalt ist unbekannt; er steckt im Rest.")
                : QStringLiteral("Der Scan konnte jeden Ordner lesen."),
            this);
    addPart(grid, QStringLiteral("Rest"), bytes(space.rest()),
            space.rest() >= 0
                ? QStringLiteral("Was nichts hiervon erklärt: Verwaltungsdaten und Journal des "
                                 "Dateisystems, Snapshots, der Inhalt nicht lesbarer Ordner.")
                : QStringLiteral("Weniger als nichts: Der Scan zählte mehr, als belegt gemeldet "
                                 "war – während des Scans kamen Dateien hinzu oder gingen."),
            this);
    column->addLayout(grid);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addSpacing(8);
    column->addWidget(buttons);
    setFixedWidth(480);
}

}  // namespace raumfuchs
