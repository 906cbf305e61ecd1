#pragma once

#include <QWidget>

class QAbstractButton;

namespace raumfuchs {

class AppModel;
class TextLabel;

// The line under the chart: files counted and the scan's duration, the space
// the volume reports as used that no scanned file accounts for, and how many
// folders could not be read. A click on the remainder shows what it is made
// of. For an imported tree, the export's time, file and producer take the
// duration's place (with a note when folder sizes were estimated). While the
// tree is compared with a baseline, the whole tree's change since then, with a
// link that ends the comparison. Describes the whole scan, whichever folder is
// shown.
class SummaryBar : public QWidget {
    Q_OBJECT
  public:
    explicit SummaryBar(AppModel& model, QWidget* parent = nullptr);

    // The items' texts (empty when the item is hidden), for tests.
    QString filesText() const;
    QString exportText() const;
    QString remainderText() const;
    QString unreadableText() const;
    QString comparisonText() const;
    QString liveText() const;
    QString liveToolTip() const;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void refresh();
    // The remainder's text, with its parts when the line has room for them.
    void fitRemainder();
    void explainRemainder();
    // The mark of following the disk, from the model's LiveStatus.
    void refreshLive();

    AppModel& model_;
    TextLabel* files_;
    QWidget* export_;
    TextLabel* exportLabel_;
    QAbstractButton* remainder_;
    QString remainderShort_;  // "20 GB nicht zuordenbar"
    QWidget* unreadable_;
    TextLabel* unreadableLabel_;
    QWidget* comparison_;
    TextLabel* comparisonLabel_;
    QWidget* live_;
    TextLabel* liveLabel_;
};

}  // namespace raumfuchs
