#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <cmath>
#include <numbers>

#include "app/ModelTestSupport.h"
#include "core/Format.h"
#include "support/FakeDesktopServices.h"
#include "support/HandTree.h"
#include "support/QtTestApp.h"
#include "ui/HoverState.h"
#include "ui/Style.h"
#include "ui/SunburstView.h"

namespace raumfuchs {
namespace {

using test::file;
using test::folder;

constexpr double kTurn = 2 * std::numbers::pi;

// root (own 100): A 500 {a1 250 {x 125, y 125}, a2 250}, B 250 {b1 250},
// c file 100, e empty folder 50; the last tenth of the turn is a gap.
// In turns: A 0–0.5, a1 0–0.25, x 0–0.125, y 0.125–0.25, a2 0.25–0.5,
// B 0.5–0.75, c 0.75–0.85, e 0.85–0.9.
FileNode handTree() {
    return test::build(folder(
        "root", 100,
        {folder("A", 0, {folder("a1", 0, {file("x", 125), file("y", 125)}), file("a2", 250)}),
         folder("B", 0, {file("b1", 250)}), file("c", 100), folder("e", 50)}));
}

class ChartTest : public ::testing::Test {
  protected:
    ChartTest() { test::ensureApp(); }

    // A point in `ring` at `turn` of a full turn, halfway through the ring.
    static QPointF point(const SunburstView& view, int ring, double turn) {
        const RingGeometry g = view.ringGeometry();
        const double r = g.innerRadius + (ring + 0.5) * g.ringWidth;
        const double a = turn * kTurn;
        return {g.center.x + r * std::sin(a), g.center.y - r * std::cos(a)};
    }
    static QPointF centre(const SunburstView& view) {
        const RingGeometry g = view.ringGeometry();
        return {g.center.x, g.center.y + g.innerRadius / 2};
    }
    static void move(QWidget& w, QPointF p) {
        QMouseEvent e(QEvent::MouseMove, p, w.mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(&w, &e);
    }
    static void mouse(QWidget& w, QEvent::Type type, QPointF p) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, p, w.mapToGlobal(p), Qt::LeftButton, held, Qt::NoModifier);
        QCoreApplication::sendEvent(&w, &e);
    }
    static void click(QWidget& w, QPointF p) {
        mouse(w, QEvent::MouseButtonPress, p);
        mouse(w, QEvent::MouseButtonRelease, p);
    }
    static void leave(QWidget& w) {
        QEvent e(QEvent::Leave);
        QCoreApplication::sendEvent(&w, &e);
    }
    std::string hoveredName() const {
        return hover.hovered() ? hover.hovered().displayName() : std::string("-");
    }

    FakeDesktopServices services;
    AppModel model{services};
    HoverState hover;
};

TEST_F(ChartTest, HoverFollowsThePointerAndWritesOnlyOnChange) {
    SunburstView view(model, hover);
    view.resize(400, 400);
    view.setNode(handTree());
    int writes = 0;
    QObject::connect(&hover, &HoverState::changed, [&] { ++writes; });

    move(view, point(view, 2, 0.06));
    EXPECT_EQ(hoveredName(), "x");
    move(view, point(view, 2, 0.10));  // still x
    move(view, point(view, 2, 0.02) + QPointF(0, -5));
    EXPECT_EQ(writes, 1);
    move(view, point(view, 1, 0.2));
    EXPECT_EQ(hoveredName(), "a1");
    move(view, point(view, 0, 0.95));  // the gap at the end
    EXPECT_EQ(hoveredName(), "-");
    EXPECT_EQ(writes, 3);
    move(view, centre(view));   // disc: still nothing
    move(view, QPointF(2, 2));  // outside the rings
    EXPECT_EQ(writes, 3);
    move(view, point(view, 0, 0.6));
    EXPECT_EQ(hoveredName(), "B");
    leave(view);
    EXPECT_EQ(hoveredName(), "-");
    EXPECT_EQ(writes, 5);
}

TEST_F(ChartTest, CursorShowsWhatAClickWouldDo) {
    SunburstView view(model, hover);
    view.resize(400, 400);
    const FileNode root = handTree();
    view.setNode(root);
    move(view, point(view, 0, 0.2));  // folder A with children
    EXPECT_EQ(view.cursor().shape(), Qt::PointingHandCursor);
    move(view, point(view, 0, 0.8));  // file c
    EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);
    move(view, point(view, 1, 0.3));  // a2, a file in ring 1
    EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);
    move(view, point(view, 1, 0.1));
    EXPECT_EQ(view.cursor().shape(), Qt::PointingHandCursor);
    move(view, point(view, 0, 0.87));  // empty folder e
    EXPECT_EQ(hoveredName(), "e");
    EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);
    move(view, centre(view));  // disc of the root: nowhere to go up
    EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);

    view.setNode(test::childNamed(root, "A"));
    move(view, centre(view));
    EXPECT_EQ(view.cursor().shape(), Qt::PointingHandCursor);
    move(view, point(view, 0, 0.9));  // beyond A's children: nothing
    EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);
    move(view, centre(view));
    leave(view);
    EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);
}

// Colour of a pixel compared channel by channel, with room for antialiasing.
void expectColor(const QImage& image, QPointF p, const QColor& expected, const char* what) {
    const QColor actual = image.pixelColor(p.toPoint());
    EXPECT_NEAR(actual.red(), expected.red(), 3) << what;
    EXPECT_NEAR(actual.green(), expected.green(), 3) << what;
    EXPECT_NEAR(actual.blue(), expected.blue(), 3) << what;
}

QColor over(const QColor& top, double opacity, const QColor& bottom) {
    return QColor::fromRgbF(
        static_cast<float>(top.redF() * opacity + bottom.redF() * (1 - opacity)),
        static_cast<float>(top.greenF() * opacity + bottom.greenF() * (1 - opacity)),
        static_cast<float>(top.blueF() * opacity + bottom.blueF() * (1 - opacity)));
}

TEST_F(ChartTest, HoverKeepsTheAncestorsBrightLightensTheArcAndDimsTheRest) {
    SunburstView view(model, hover);
    view.resize(400, 400);
    view.setNode(handTree());
    const auto& segments = view.segments();
    auto colorOf = [&](const std::string& name) {
        for (const Segment& s : segments) {
            if (s.node.displayName() == name) {
                return Style::color(s.color);
            }
        }
        ADD_FAILURE() << name;
        return QColor();
    };
    const QColor background = view.palette().color(QPalette::Window);

    const QImage plain = view.grab().toImage();
    expectColor(plain, point(view, 0, 0.6), colorOf("B"), "B without hover");
    expectColor(plain, point(view, 2, 0.06), colorOf("x"), "x without hover");
    // The gap between rings 0 and 1 (straight up) and the unshown rest.
    const RingGeometry g = view.ringGeometry();
    expectColor(plain, QPointF(200.5, 200 - g.innerRadius - g.ringWidth - 0.3), background,
                "ring gap");
    expectColor(plain, point(view, 0, 0.95), background, "end gap");

    move(view, point(view, 2, 0.06));  // x, in ring 2
    ASSERT_EQ(hoveredName(), "x");
    const QImage hovered = view.grab().toImage();
    expectColor(hovered, point(view, 2, 0.06), over(Qt::white, 0.25, colorOf("x")), "x lightened");
    expectColor(hovered, point(view, 1, 0.06), colorOf("a1"), "parent a1 full");
    expectColor(hovered, point(view, 0, 0.06), colorOf("A"), "grandparent A full");
    expectColor(hovered, point(view, 2, 0.2), over(colorOf("y"), 0.55, background), "sibling y");
    expectColor(hovered, point(view, 1, 0.4), over(colorOf("a2"), 0.55, background), "a2");
    expectColor(hovered, point(view, 0, 0.6), over(colorOf("B"), 0.55, background), "B dimmed");
    expectColor(hovered, point(view, 1, 0.6), over(colorOf("b1"), 0.55, background), "b1");
    expectColor(hovered, point(view, 0, 0.95), background, "end gap while hovering");

    // Hovering an ancestor dims its descendants.
    move(view, point(view, 0, 0.06));
    const QImage outer = view.grab().toImage();
    expectColor(outer, point(view, 0, 0.06), over(Qt::white, 0.25, colorOf("A")), "A lightened");
    expectColor(outer, point(view, 2, 0.06), over(colorOf("x"), 0.55, background), "x dimmed");

    // Crisp at a device pixel ratio of 2: the picture has twice the pixels and
    // the same colours.
    QImage sharp(view.size() * 2, QImage::Format_ARGB32_Premultiplied);
    sharp.setDevicePixelRatio(2);
    view.render(&sharp);
    const QPointF b = point(view, 0, 0.6) * 2;
    expectColor(sharp, b, over(colorOf("B"), 0.55, background), "B at DPR 2");
}

TEST_F(ChartTest, LabelDescribesTheHoveredNodeOrTheFolder) {
    // "Bilder" holds a picture of a quarter of its size among 12,345 files.
    std::vector<test::HandNode> files = {file("urlaub.jpg", 250'000'000)};
    for (int i = 0; i < 12'344; ++i) {
        files.push_back(file("f" + std::to_string(i), 60'000));
    }
    const std::string longName =
        "Ein sehr langer Ordnername mit vielen Wörtern der nicht in zwei Zeilen passt und "
        "deshalb in der Mitte gekürzt wird am Ende.txt";
    const FileNode root = test::build(
        folder("Start", 0,
               {folder("Bilder", 9'360'000, std::move(files)), file(longName, 1'000'000'000)}));
    const FileNode bilder = test::childNamed(root, "Bilder");
    ASSERT_EQ(bilder.size(), 1'000'000'000);
    SunburstView view(model, hover);
    view.resize(400, 400);
    view.setNode(bilder);

    auto label = view.centerLabel();
    EXPECT_TRUE(label.upIcon);
    EXPECT_EQ(label.name, QStringList{"Bilder"});
    EXPECT_EQ(label.size, QString::fromStdString(Format::bytes(bilder.size())));
    EXPECT_EQ(label.detail, QStringLiteral("12.345 Dateien"));

    hover.setHovered(test::childNamed(bilder, "urlaub.jpg"));
    label = view.centerLabel();
    EXPECT_FALSE(label.upIcon);
    EXPECT_EQ(label.name, QStringList{"urlaub.jpg"});
    EXPECT_EQ(label.size, QStringLiteral("250 MB"));
    EXPECT_EQ(label.detail, QString::fromUtf8("25\u00A0% von Bilder"));

    hover.setHovered(FileNode());
    view.setNode(root);
    EXPECT_FALSE(view.centerLabel().upIcon);  // the root has no parent
    hover.setHovered(test::childNamed(root, longName.c_str()));
    label = view.centerLabel();
    ASSERT_EQ(label.name.size(), 2);
    EXPECT_TRUE(label.name[0].startsWith(QStringLiteral("Ein sehr")));
    EXPECT_TRUE(label.name[1].contains(QChar(0x2026)));
    EXPECT_TRUE(label.name[1].endsWith(QStringLiteral("e.txt"))) << label.name[1].toStdString();
}

TEST_F(ChartTest, ArcsAreLaidOutOnShowAndOnNewFolderOrTreeOnly) {
    test::Scratch scratch;
    scratch.file("big/a.bin", 64 * 1024);
    scratch.file("small.bin", 16 * 1024);
    test::scanAndWait(model, scratch.path(), QStringLiteral("Baum"));
    ASSERT_TRUE(model.root());

    SunburstView view(model, hover);
    view.setNode(model.root());
    view.resize(300, 300);
    EXPECT_EQ(view.layoutCount(), 0);
    view.show();
    EXPECT_EQ(view.layoutCount(), 1);
    EXPECT_EQ(view.segments().size(), 3u);  // big, big/a.bin, small.bin
    view.resize(500, 420);
    move(view, point(view, 0, 0.1));
    move(view, point(view, 1, 0.1));
    view.grab();
    view.setNode(model.root());
    EXPECT_EQ(view.layoutCount(), 1);

    view.setNode(test::child(model.root(), "big"));
    EXPECT_EQ(view.layoutCount(), 2);
    EXPECT_EQ(view.segments().size(), 1u);

    // A new scan raises the tree revision: the chart lays out again, here
    // still for the folder it was given.
    scratch.file("big/b.bin", 8 * 1024);
    model.rescan();
    ASSERT_TRUE(test::waitUntil([&] { return model.phase() == Phase::Result; }));
    test::settle(model);
    EXPECT_EQ(view.layoutCount(), 3);
}

TEST_F(ChartTest, ClicksZoomInAndGoUp) {
    test::Scratch scratch;
    scratch.file("big/a.bin", 64 * 1024);
    scratch.file("big/b.bin", 32 * 1024);
    scratch.file("big/deep/level2/level3/leaf.bin", 16 * 1024);
    scratch.folder("empty");
    scratch.file("file.bin", 16 * 1024);
    test::scanAndWait(model, scratch.path(), QStringLiteral("Baum"));
    const FileNode root = model.root();
    ASSERT_TRUE(root);
    const FileNode big = test::child(root, "big");
    const FileNode level2 = test::child(test::child(big, "deep"), "level2");

    SunburstView view(model, hover);
    view.resize(400, 400);
    view.setNode(root);
    view.show();
    auto centreOf = [&](const FileNode& node) {
        for (const Segment& s : view.segments()) {
            if (s.node == node) {
                return point(view, int(s.depth), (s.start + s.end) / 2 / kTurn);
            }
        }
        ADD_FAILURE() << node.path();
        return QPointF();
    };
    int changes = 0;
    QObject::connect(&model, &AppModel::currentChanged, [&] { ++changes; });

    click(view, centreOf(test::child(root, "file.bin")));
    click(view, centreOf(test::child(big, "a.bin")));
    click(view, centre(view));  // the root's disc: no parent
    click(view, QPointF(3, 3));
    EXPECT_EQ(changes, 0);

    click(view, centreOf(level2));  // ring 2, straight there
    EXPECT_EQ(model.current(), level2);
    view.setNode(model.current());
    click(view, centre(view));
    EXPECT_EQ(model.current(), level2.parent());
    view.setNode(root);
    click(view, centreOf(test::child(root, "empty")));  // empty folders open too
    EXPECT_EQ(model.current(), test::child(root, "empty"));

    // A double click acts once.
    model.navigate(root);
    changes = 0;
    const QPointF onBig = centreOf(big);
    mouse(view, QEvent::MouseButtonPress, onBig);
    mouse(view, QEvent::MouseButtonRelease, onBig);
    mouse(view, QEvent::MouseButtonDblClick, onBig);
    mouse(view, QEvent::MouseButtonRelease, onBig);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(model.current(), big);
}

// Opens the chart's context menu at `p` and returns the titles it offered
// ("" for a separator); an empty list when no menu came up.
QStringList contextMenuTitles(SunburstView& view, QPointF p) {
    QStringList titles;
    QTimer::singleShot(0, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions()) {
                titles << (action->isSeparator() ? QString() : action->text());
            }
            menu->close();
        }
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, p.toPoint(), view.mapToGlobal(p.toPoint()));
    QCoreApplication::sendEvent(&view, &event);
    QCoreApplication::processEvents();
    return titles;
}

TEST_F(ChartTest, ContextMenuActsOnTheHoveredNodeOnly) {
    SunburstView view(model, hover);
    view.resize(400, 400);
    view.setNode(handTree());
    view.show();
    move(view, point(view, 0, 0.95));  // the gap: nothing hovered
    EXPECT_TRUE(contextMenuTitles(view, point(view, 0, 0.95)).isEmpty());
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

    move(view, point(view, 0, 0.2));
    const QStringList titles = contextMenuTitles(view, point(view, 0, 0.2));
    EXPECT_EQ(titles, (QStringList{"Hineinzoomen", "Öffnen", "Im Finder zeigen", "Pfad kopieren",
                                   "", "In den Papierkorb legen …"}));
}

}  // namespace
}  // namespace raumfuchs
