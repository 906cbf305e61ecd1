// The root view with the real model: screens by phase, the trash
// confirmation and the notice alert.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include "app/ModelTestSupport.h"
#include "core/Format.h"
#include "support/FakeDesktopServices.h"
#include "ui/ContentView.h"
#include "ui/ScanningView.h"
#include "ui/StartView.h"

namespace raumfuchs {
namespace {

using test::Scratch;
using test::waitUntil;

QPushButton* button(QMessageBox* box, const QString& text) {
    for (QAbstractButton* candidate : box->buttons()) {
        if (candidate->text() == text) {
            return qobject_cast<QPushButton*>(candidate);
        }
    }
    return nullptr;
}

class ContentViewTest : public ::testing::Test {
  protected:
    ContentViewTest() {
        test::ensureApp();
        scratch.file("Urlaub.mov", 3 * 4096);
        scratch.file("Fotos/a.jpg", 4096);
        scratch.file("Fotos/b.jpg", 8192);
        test::scanAndWait(model, scratch.path(), QStringLiteral("Scratch"));
        view.resize(900, 600);
        view.show();
    }
    ~ContentViewTest() override {
        model.cancelScan();
        waitUntil([&] { return model.scansInFlight() == 0; });
    }

    FileNode node(const std::string& relative) { return model.node(scratch.path(relative)); }

    bool appReady = (test::ensureApp(), true);  // widgets below need the application
    Scratch scratch;
    FakeDesktopServices services;
    AppModel model{services};
    ContentView view{model};
};

TEST_F(ContentViewTest, TrashTitleForms) {
    const FileNode movie = node("Urlaub.mov");
    const FileNode photos = node("Fotos");
    ASSERT_TRUE(movie && photos);
    const QString movieSize = QString::fromStdString(Format::bytes(movie.size()));
    EXPECT_EQ(ContentView::trashTitle({movie}),
              QStringLiteral("„Urlaub.mov“ (%1) in den Papierkorb legen?").arg(movieSize));
    EXPECT_TRUE(ContentView::trashTitle({photos}).startsWith(QStringLiteral("„Fotos“ (")));

    const QString both = QString::fromStdString(Format::bytes(movie.size() + photos.size()));
    EXPECT_EQ(ContentView::trashTitle({movie, photos}),
              QStringLiteral("2 Objekte (%1) in den Papierkorb legen?").arg(both));

    const std::vector<FileNode> many(1500, movie);
    EXPECT_TRUE(ContentView::trashTitle(many).startsWith(QStringLiteral("1500 Objekte (")));
    EXPECT_TRUE(ContentView::trashTitle({}).startsWith(QStringLiteral("0 Objekte (")));
}

TEST_F(ContentViewTest, CancelEmptiesPendingAndMovesNothing) {
    model.requestTrash({node("Urlaub.mov")});
    QMessageBox* dialog = view.trashDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->text(), ContentView::trashTitle({node("Urlaub.mov")}));
    EXPECT_EQ(dialog->informativeText(),
              QStringLiteral("Du kannst es bis zum Leeren des Papierkorbs wiederherstellen."));
    ASSERT_NE(button(dialog, QStringLiteral("In den Papierkorb legen")), nullptr);

    button(dialog, QStringLiteral("Abbrechen"))->click();
    EXPECT_TRUE(model.pendingTrash().empty());
    EXPECT_FALSE(model.isConfirmingTrash());
    EXPECT_TRUE(services.trashAttempts.empty());
    EXPECT_EQ(view.trashDialog(), nullptr);

    // Escape is the same as "Abbrechen".
    model.requestTrash({node("Fotos")});
    ASSERT_NE(view.trashDialog(), nullptr);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(view.trashDialog(), &escape);
    EXPECT_TRUE(model.pendingTrash().empty());
    EXPECT_FALSE(model.isConfirmingTrash());
    EXPECT_TRUE(services.trashAttempts.empty());
}

TEST_F(ContentViewTest, ConfirmMovesPendingNodes) {
    const std::int64_t before = model.root().size();
    const FileNode movie = node("Urlaub.mov");
    model.requestTrash({movie, node("Fotos")});
    ASSERT_NE(view.trashDialog(), nullptr);
    EXPECT_TRUE(view.trashDialog()->text().startsWith(QStringLiteral("2 Objekte (")));

    button(view.trashDialog(), QStringLiteral("In den Papierkorb legen"))->click();
    EXPECT_EQ(services.trashed,
              (std::vector<std::string>{scratch.path("Urlaub.mov"), scratch.path("Fotos")}));
    EXPECT_FALSE(model.isConfirmingTrash());
    EXPECT_TRUE(model.pendingTrash().empty());
    EXPECT_LT(model.root().size(), before);
    EXPECT_EQ(view.trashDialog(), nullptr);
}

TEST_F(ContentViewTest, AlertClearsMessageAndShowsTheNextOne) {
    model.setAlertMessage(QStringLiteral("Erste Meldung"));
    QMessageBox* alert = view.alert();
    ASSERT_NE(alert, nullptr);
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(alert->text(), QStringLiteral("Hinweis"));
    EXPECT_EQ(alert->informativeText(), QStringLiteral("Erste Meldung"));

    // A change of screen leaves the alert open.
    model.backToStart();
    EXPECT_EQ(view.alert(), alert);
    EXPECT_TRUE(alert->isVisible());

    button(alert, QStringLiteral("OK"))->click();
    EXPECT_FALSE(model.alertMessage().has_value());
    EXPECT_EQ(view.alert(), nullptr);

    // A second message before the first box is even deleted still shows.
    model.setAlertMessage(QStringLiteral("Zweite <b>Meldung</b>"));
    ASSERT_NE(view.alert(), nullptr);
    EXPECT_TRUE(view.alert()->isVisible());
    EXPECT_EQ(view.alert()->informativeText(), QStringLiteral("Zweite <b>Meldung</b>"));

    // Cleared by the model: the box closes without writing back.
    model.setAlertMessage(std::nullopt);
    EXPECT_TRUE(view.alert() == nullptr || !view.alert()->isVisible());
}

TEST_F(ContentViewTest, ScreenFollowsPhaseAndEscapeCancelsScan) {
    EXPECT_EQ(model.phase(), Phase::Result);
    model.startScan(ScanTarget{"/usr", QStringLiteral("usr"), std::nullopt});
    auto* scanning = qobject_cast<ScanningView*>(view.screen());
    ASSERT_NE(scanning, nullptr);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(scanning, &escape);
    // Cancelling with a tree at hand returns to it.
    EXPECT_EQ(model.phase(), Phase::Result);

    model.backToStart();
    EXPECT_NE(qobject_cast<StartView*>(view.screen()), nullptr);
    model.startScan(ScanTarget{"/usr", QStringLiteral("usr"), std::nullopt});
    auto* again = qobject_cast<ScanningView*>(view.screen());
    ASSERT_NE(again, nullptr);
    auto* cancel = again->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), QStringLiteral("Abbrechen"));
    cancel->click();
    EXPECT_EQ(model.phase(), Phase::Start);
}

TEST(ScanningViewTest, CounterText) {
    EXPECT_EQ(ScanningView::counterText(12345, 1'200'000'000),
              QStringLiteral("12.345 Dateien · 1,2 GB"));
    EXPECT_EQ(ScanningView::counterText(0, 0),
              QStringLiteral("0 Dateien · ") + QString::fromStdString(Format::bytes(0)));
}

}  // namespace
}  // namespace raumfuchs
