#pragma once

#include <QDialog>
#include <optional>

class QLineEdit;
class QPushButton;

namespace raumfuchs {

class AppModel;
struct ScanTarget;

// "Entfernten Ordner scannen …": the machine (an alias of ~/.ssh/config or
// user@host[:port]) and the folder there. "Scannen" is enabled only for an
// address ssh takes and an absolute path or "~".
class RemoteScanDialog : public QDialog {
    Q_OBJECT
  public:
    explicit RemoteScanDialog(QWidget* parent = nullptr);

    // What the fields ask to scan; nothing while they do not name a folder there.
    std::optional<ScanTarget> target() const;

    // Asks and, when confirmed, starts the scan in `model`.
    static void ask(AppModel& model, QWidget* parent);

  private:
    QLineEdit* host_;
    QLineEdit* path_;
    QPushButton* scan_ = nullptr;
};

}  // namespace raumfuchs
