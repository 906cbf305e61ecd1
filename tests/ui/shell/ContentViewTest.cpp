// The root view with the real model: screens by phase, the trash
// confirmation and the notice alert.
#include <gtest/gtest.h>

#include <QAnimationDriver>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>

#include "ui/ResultTestSupport.h"
#include "ui/scanning/ScanningView.h"
#include "ui/shell/ContentView.h"
#include "ui/start/StartView.h"

namespace raumfuchs {
namespace {

QPushButton* button(QMessageBox* box, const QString& text) {
    return test::withText<QPushButton>(*box, text);
}

// Animation time that moves only when the test says so.
class StepClock : public QAnimationDriver {
  public:
    StepClock() { install(); }
    ~StepClock() override { uninstall(); }
    qint64 elapsed() const override { return now_; }
    void step(qint64 milliseconds) {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();  // animations just started join the clock
        }
        now_ += milliseconds;
        advance();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // finished covers
    }

  private:
    qint64 now_ = 0;
};

struct ContentViewTest : test::ModelTest {
    ContentViewTest() {
        scratch.file("Urlaub.mov", 3 * 4096);
        scratch.file("Fotos/a.jpg", 4096);
        scratch.file("Fotos/b.jpg", 8192);
        test::scanAndWait(model, scratch.path(), QStringLiteral("Scratch"));
        view.resize(900, 600);
        view.show();
    }
    FileNode node(const std::string& relative) { return model.node(scratch.path(relative)); }
    ContentView view{model};
};

TEST_F(ContentViewTest, TrashDialogAndAlertFollowTheModel) {
    model.requestTrash({node("Urlaub.mov")});
    QMessageBox* dialog = view.trashDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->text(), QStringLiteral("„Urlaub.mov“ (%1) in den Papierkorb legen?")
                                  .arg(test::bytes(node("Urlaub.mov").size())));
    button(dialog, QStringLiteral("Abbrechen"))->click();
    EXPECT_FALSE(model.isConfirmingTrash() || !model.pendingTrash().empty());
    EXPECT_EQ(view.trashDialog(), nullptr);

    model.requestTrash({node("Fotos")});
    ASSERT_NE(view.trashDialog(), nullptr);
    test::pressKey(*view.trashDialog(), Qt::Key_Escape);
    EXPECT_FALSE(model.isConfirmingTrash() || !model.pendingTrash().empty());
    EXPECT_TRUE(services.trashed.empty());

    model.requestTrash({node("Urlaub.mov"), node("Fotos")});
    EXPECT_EQ(view.trashDialog()->text(),
              QStringLiteral("2 Objekte (%1) in den Papierkorb legen?")
                  .arg(test::bytes(node("Urlaub.mov").size() + node("Fotos").size())));
    button(view.trashDialog(), QStringLiteral("In den Papierkorb legen"))->click();
    EXPECT_EQ(services.trashed,
              (std::vector<std::string>{scratch.path("Urlaub.mov"), scratch.path("Fotos")}));
    EXPECT_TRUE(model.pendingTrash().empty());
    EXPECT_EQ(view.trashDialog(), nullptr);

    model.setAlertMessage(QStringLiteral("Erste Meldung"));
    QMessageBox* alert = view.alert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->informativeText(), QStringLiteral("Erste Meldung"));
    model.backToStart();  // a change of screen leaves the alert open
    EXPECT_TRUE(view.alert() == alert && alert->isVisible());

    button(alert, QStringLiteral("OK"))->click();
    EXPECT_FALSE(model.alertMessage().has_value());
    EXPECT_EQ(view.alert(), nullptr);
    model.setAlertMessage(QStringLiteral("Zweite <b>Meldung</b>"));
    ASSERT_NE(view.alert(), nullptr);
    EXPECT_TRUE(view.alert()->isVisible());  // a second message before the first box is gone
    EXPECT_EQ(view.alert()->informativeText(), QStringLiteral("Zweite <b>Meldung</b>"));
    model.setAlertMessage(std::nullopt);  // cleared by the model: the box closes
    EXPECT_TRUE(view.alert() == nullptr || !view.alert()->isVisible());
}

TEST_F(ContentViewTest, EveryPhaseChangeFadesAndEscapeCancelsAScan) {
    StepClock clock;
    const auto covers = [&] {
        QList<QLabel*> found;
        for (auto* label : view.findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
            if (!label->pixmap().isNull()) {
                found << label;
            }
        }
        return found;
    };
    model.backToStart();
    ASSERT_EQ(covers().size(), 1);  // the result fading out
    clock.step(300);
    ASSERT_TRUE(covers().isEmpty());
    const QImage start = view.grab().toImage();

    // A scan shorter than the fade: start → scanning → result while the
    // first fade has not moved on.
    model.startScan(ScanTarget{scratch.path(), QStringLiteral("Scratch"), std::nullopt});
    QSignalSpy phase(&model, &AppModel::phaseChanged);
    ASSERT_TRUE(phase.wait(10000));
    ASSERT_EQ(model.phase(), Phase::Result);
    ASSERT_EQ(covers().size(), 1);
    const QImage cover = covers().front()->pixmap().toImage().convertToFormat(start.format());
    ASSERT_EQ(cover.size(), start.size());
    int differing = 0;
    for (int y = 0; y < start.height(); ++y) {
        for (int x = 0; x < start.width(); ++x) {
            differing += cover.pixel(x, y) != start.pixel(x, y);
        }
    }
    EXPECT_LT(differing, start.width() * start.height() / 100);  // the start screen

    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(covers().front()->graphicsEffect());
    ASSERT_NE(effect, nullptr);
    clock.step(125);
    EXPECT_GT(effect->opacity(), 0.2);
    EXPECT_LT(effect->opacity(), 0.8);
    clock.step(150);
    EXPECT_TRUE(covers().isEmpty());

    model.startScan(ScanTarget{"/usr", QStringLiteral("usr"), std::nullopt});
    auto* scanning = qobject_cast<ScanningView*>(view.screen());
    ASSERT_NE(scanning, nullptr);
    test::pressKey(*scanning, Qt::Key_Escape);
    EXPECT_EQ(model.phase(), Phase::Result);  // back to the tree at hand

    model.backToStart();
    EXPECT_NE(qobject_cast<StartView*>(view.screen()), nullptr);
    model.startScan(ScanTarget{"/usr", QStringLiteral("usr"), std::nullopt});
    auto* cancel = view.screen()->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    cancel->click();
    EXPECT_EQ(model.phase(), Phase::Start);
    EXPECT_EQ(ScanningView::counterText(12345, 1'200'000'000),
              QStringLiteral("12.345 Dateien · 1,2 GB"));
}

}  // namespace
}  // namespace raumfuchs
