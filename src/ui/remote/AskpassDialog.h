#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

namespace raumfuchs {

// What ssh asks through this program while a remote scan logs in (this
// program started as ssh's SSH_ASKPASS, with the prompt as its argument):
// a password or passphrase in a hidden field, or, for a host key it does not
// know yet, yes or no, with the fingerprint as ssh shows it. Nothing is
// answered without the user.
class AskpassDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AskpassDialog(const QString& prompt, QWidget* parent = nullptr);

    // ssh asks whether to go on ("… (yes/no/[fingerprint])?"), not for a secret.
    static bool asksToConfirm(const QString& prompt);
    // What ssh reads from this program's output once the dialog was accepted.
    QString answer() const;

    // Asks, prints the answer and returns the exit status ssh expects: 0
    // with an answer, 1 when the user cancelled a password.
    static int run(const QString& prompt);

  private:
    bool confirms_;
    QLineEdit* secret_ = nullptr;
};

}  // namespace raumfuchs
