// The window while the shown tree is compared with an earlier scan of the
// same folder, kept in the history: the chart's colours and label, the list's
// change column, its order and its removed entries, the summary bar; a trash
// and a folder read again update the changes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDateTime>
#include <QListView>
#include <QMenu>
#include <fstream>

#include "ui/ResultTestSupport.h"
#include "ui/result/ResultView.h"
#include "ui/result/chart/ChartLegend.h"
#include "ui/result/list/NodeListModel.h"
#include "ui/result/summary/SummaryBar.h"

// Failures show the texts, not their UTF-16 code units.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace raumfuchs {
namespace {

// Trashes for real and keeps the history in a folder of its own.
struct KeepingServices : test::RemovingDesktopServices {
    KeepingServices() { history = state.path("history"); }
    test::TempTree state;
};

struct CompareViewTest : test::ModelTestOver<KeepingServices> {
    void scan() {
        test::scanAndWait(model, scratch.path(), QStringLiteral("Testbaum"));
        test::settle(model);  // the history's write, too
    }
    QListView& list() const { return *view.findChild<QListView*>(QStringLiteral("rows")); }
    QAbstractItemModel& rows() const { return *list().model(); }
    // Per row: name and change ("-" for none or unchanged, "(entfernt)" marks a removed entry).
    QStringList changes() const {
        QStringList out;
        for (int row = 0; row < rows().rowCount(); ++row) {
            const QModelIndex index = rows().index(row, 0);
            const QVariant change = index.data(NodeListModel::ChangeRole);
            out << index.data().toString() + " " +
                       (change.toString().isEmpty() ? "-" : change.toString()) +
                       (index.data(NodeListModel::RemovedRole).toBool() ? " (entfernt)" : "");
        }
        return out;
    }
    static QString change(std::int64_t delta) {
        return QString::fromStdString(Format::change(delta));
    }

    ResultView view{model};
};

TEST_F(CompareViewTest, EveryViewShowsTheChangesAndFollowsATrashAndARefresh) {
    scratch.file("keep", 300 * 1024);
    scratch.file("big/a.bin", 64 * 1024);
    scratch.file("big/b.bin", 32 * 1024);
    scratch.file("gone.txt", 16 * 1024);
    scratch.file("gonedir/x", 8 * 1024);
    scan();
    const std::int64_t before = model.root().size();
    const std::int64_t bigBefore = test::childNamed(model.root(), "big").size();
    const std::int64_t folderBefore = test::childNamed(model.root(), "gonedir").size();
    ASSERT_EQ(model.history().entries(scratch.path()).size(), 1u);
    const std::int64_t scannedAt = model.history().entries(scratch.path())[0].time;

    scratch.file("big/a.bin", 200 * 1024);
    std::filesystem::remove(scratch.path("gone.txt"));
    std::filesystem::remove_all(scratch.path("gonedir"));
    scratch.file("new/n", 12 * 1024);
    scan();
    view.resize(1200, 800);
    test::showAndSettle(view);

    // The menu lists the earlier scan, not the one shown.
    auto* menu = view.findChild<QMenu*>(QStringLiteral("compareMenu"));
    ASSERT_NE(menu, nullptr);
    emit menu->aboutToShow();
    const QString when =
        QDateTime::fromSecsSinceEpoch(scannedAt).toString(QStringLiteral("dd.MM.yyyy, HH:mm"));
    ASSERT_GE(menu->actions().size(), 3);
    EXPECT_EQ(menu->actions()[0]->text(), when + " – " + test::bytes(before) + ", 5 Dateien");
    EXPECT_EQ(menu->actions().back()->text(), "Andere Datei …");
    menu->actions()[0]->trigger();
    ASSERT_TRUE(test::waitUntil([&] { return model.comparison().comparison() != nullptr; }));
    test::settle(model);

    const std::int64_t delta = model.root().size() - before;
    const FileNode big = test::childNamed(model.root(), "big");
    EXPECT_EQ(changes(), (QStringList{"keep -", "big " + change(big.size() - bigBefore), "new neu",
                                      "gone.txt " + change(-16 * 1024) + " (entfernt)",
                                      "gonedir " + change(-folderBefore) + " (entfernt)"}));
    // Removed entries are there to be seen, not acted on.
    const QModelIndex removed = rows().index(3, 0);
    EXPECT_FALSE(removed.flags() & (Qt::ItemIsSelectable | Qt::ItemIsEnabled));
    EXPECT_FALSE(removed.data(NodeListModel::NodeRole).isValid());
    const auto spoken = [&](int row) { return rows().index(row, 0).data(Qt::AccessibleTextRole); };
    EXPECT_EQ(spoken(3),
              "gone.txt, entfernt seit " + when.left(6) + ", vorher " + test::bytes(16 * 1024));
    EXPECT_TRUE(spoken(1).toString().endsWith(", " + change(big.size() - bigBefore) + " seit " +
                                              when.left(6)));

    // By change: the largest change first, the removed entries still last.
    auto* byChange = view.findChild<QAbstractButton*>(QStringLiteral("byChange"));
    ASSERT_TRUE(byChange->isVisibleTo(&view));
    byChange->click();
    EXPECT_EQ(changes().mid(0, 3),
              (QStringList{"big " + change(big.size() - bigBefore), "new neu", "keep -"}));
    EXPECT_TRUE(changes()[3].endsWith("(entfernt)"));

    // The chart colours by change, says so in its legend and in its label.
    EXPECT_EQ(model.colorModes().current(), ColorMode::Change);
    const auto* legend = view.findChild<ChartLegend*>(QStringLiteral("chartLegend"));
    ASSERT_TRUE(legend && legend->isVisibleTo(&view));
    EXPECT_EQ(legend->entries().front().label, "neu");
    auto* chart = view.findChild<SunburstView*>();
    EXPECT_TRUE(chart->centerText().endsWith(", " + change(delta) + " seit " + when.left(6)))
        << chart->centerText().toStdString();
    const Segment arc = test::arcOf(*chart, "new");
    EXPECT_TRUE(chart->changeOf(arc.node).startsWith("neu seit "));
    const auto* summary = view.findChild<SummaryBar*>();
    EXPECT_EQ(summary->comparisonText(),
              "Seit " + when + ": " + change(delta) + ", 1 Datei weniger");

    // A trash: the trashed file is one of its folder's removed entries.
    model.navigate(big);
    test::settle(model);
    test::trash(model, {test::childNamed(big, "b.bin")});
    test::settle(model);
    EXPECT_EQ(changes(),
              (QStringList{"a.bin " + change(test::childNamed(big, "a.bin").size() - 64 * 1024),
                           "b.bin " + change(-32 * 1024) + " (entfernt)"}));
    EXPECT_EQ(summary->comparisonText(),
              "Seit " + when + ": " + change(model.root().size() - before) + ", 2 Dateien weniger");

    // A folder read again: what came is new, the folder's change follows.
    scratch.file("big/c.bin", 4096);
    model.refreshFolder(big);
    ASSERT_TRUE(test::waitUntil([&] { return !model.isRefreshing(model.current()); }));
    test::settle(model);
    const QStringList now = changes();
    EXPECT_TRUE(now.contains("c.bin neu")) << now.join(" | ").toStdString();
    EXPECT_TRUE(now.contains("b.bin " + change(-32 * 1024) + " (entfernt)"));
    EXPECT_EQ(summary->comparisonText(),
              "Seit " + when + ": " + change(model.root().size() - before) + ", 1 Datei weniger");

    // "Vergleich beenden": the normal view again.
    summary->findChild<QAbstractButton*>(QStringLiteral("endComparison"))->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(model.colorModes().current(), ColorMode::Standard);
    EXPECT_EQ(changes(), (QStringList{"a.bin -", "c.bin -"}));
    EXPECT_FALSE(byChange->isVisibleTo(&view));
    EXPECT_EQ(summary->comparisonText(), "");
    EXPECT_EQ(chart->changeOf(arc.node), "");

    // A baseline that is no export: the import's message, no comparison.
    std::ofstream(services.state.path("kaputt.json")) << "[1,0,{}";
    model.compareWith(services.state.path("kaputt.json"));
    ASSERT_TRUE(test::waitUntil([&] { return !model.comparison().isActive(); }));
    ASSERT_TRUE(model.alertMessage());
    EXPECT_TRUE(model.alertMessage()->startsWith(QString::fromStdString(
        "„" + services.state.path("kaputt.json") + "“ ist keine lesbare ncdu-Exportdatei")))
        << model.alertMessage()->toStdString();
    EXPECT_EQ(summary->comparisonText(), "");
}

}  // namespace
}  // namespace raumfuchs
