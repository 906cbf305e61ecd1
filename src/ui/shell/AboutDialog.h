#pragma once

#include <QDialog>

namespace raumfuchs {

// "Über Raumfuchs": name, version, icon and credits, naming what this build
// contains.
class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AboutDialog(QWidget* parent = nullptr);

    // The credits below the version, lines separated by line feeds.
    static QString credits();
};

}  // namespace raumfuchs
