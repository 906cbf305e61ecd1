#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <cmath>
#include <tuple>

#include "app/ModelTestSupport.h"
#include "support/HandTree.h"
#include "ui/HoverState.h"
#include "ui/Style.h"
#include "ui/SunburstView.h"

namespace raumfuchs {
namespace {

using test::childNamed;

// A chart of a scanned folder: big/{a.bin, deep/level2/leaf.bin}, empty/, file.bin.
class ChartTest : public test::ModelTest {
  protected:
    void SetUp() override {
        scratch.file("big/a.bin", 64 * 1024);
        scratch.file("big/deep/level2/leaf.bin", 16 * 1024);
        scratch.folder("empty");
        scratch.file("file.bin", 16 * 1024);
        test::scanAndWait(model, scratch.path(), QStringLiteral("Baum"));
        root = model.root();
        ASSERT_TRUE(root);
        view.resize(400, 400);
        view.setNode(root);
    }

    QPointF disc() const { return {view.ringGeometry().center.x, view.ringGeometry().center.y}; }
    Segment segment(const std::string& name) {
        view.grab();  // lays the chart out
        for (const Segment& s : view.segments()) {
            if (s.node.displayName() == name) {
                return s;
            }
        }
        ADD_FAILURE() << name;
        return {};
    }
    // Halfway through the ring of the arc of `name`, `shift` of its span off its middle.
    QPointF arc(const std::string& name, double shift = 0) {
        const Segment s = segment(name);
        const RingGeometry g = view.ringGeometry();
        const double r = g.innerRadius + (double(s.depth) + 0.5) * g.ringWidth;
        const double a = (s.start + s.end) / 2 + shift * (s.end - s.start);
        return {g.center.x + r * std::sin(a), g.center.y - r * std::cos(a)};
    }
    void mouse(QEvent::Type type, QPointF p) {
        const bool down = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
        QMouseEvent e(type, p, view.mapToGlobal(p),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &e);
    }
    void move(QPointF p) { mouse(QEvent::MouseMove, p); }
    void click(QPointF p) {
        mouse(QEvent::MouseButtonPress, p);
        mouse(QEvent::MouseButtonRelease, p);
    }
    std::string hovered() const { return hover.hovered() ? hover.hovered().displayName() : "-"; }

    FileNode root;
    HoverState hover;
    SunburstView view{model, hover};
};

TEST_F(ChartTest, HoverWritesOncePerNodeAndTheCursorShowsWhatAClickDoes) {
    int writes = 0;
    QObject::connect(&hover, &HoverState::changed, [&] { ++writes; });
    const auto hand = Qt::PointingHandCursor, arrow = Qt::ArrowCursor;
    using Step = std::tuple<QPointF, std::string, Qt::CursorShape, int>;  // hovered, writes
    for (const auto& [p, name, cursor, count] :
         std::vector<Step>{{arc("a.bin"), "a.bin", arrow, 1},
                           {arc("a.bin", 0.3), "a.bin", arrow, 1},
                           {arc("deep"), "deep", hand, 2},
                           {arc("empty"), "empty", arrow, 3},
                           {disc(), "-", arrow, 4},
                           {QPointF(2, 2), "-", arrow, 4},
                           {arc("big"), "big", hand, 5}}) {
        move(p);
        EXPECT_EQ(hovered(), name) << p.x() << "," << p.y();
        EXPECT_EQ(view.cursor().shape(), cursor) << name;
        EXPECT_EQ(writes, count) << name;
    }
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&view, &leave);
    EXPECT_EQ(hovered(), "-");
    EXPECT_EQ(writes, 6);
    EXPECT_EQ(view.cursor().shape(), arrow);
}

// The largest channel difference between the pixel at `p` and `expected`.
int distance(const QImage& image, QPointF p, const QColor& expected) {
    const QColor c = image.pixelColor(p.toPoint());
    return std::max({std::abs(c.red() - expected.red()), std::abs(c.green() - expected.green()),
                     std::abs(c.blue() - expected.blue())});
}

TEST_F(ChartTest, HoverLightensTheArcKeepsItsAncestorsAndDimsTheRest) {
    const QColor background = view.palette().color(QPalette::Window);
    auto color = [&](const char* name) { return Style::color(segment(name).color); };
    auto over = [](const QColor& top, double a, const QColor& bottom) {
        return QColor::fromRgbF(float(top.redF() * a + bottom.redF() * (1 - a)),
                                float(top.greenF() * a + bottom.greenF() * (1 - a)),
                                float(top.blueF() * a + bottom.blueF() * (1 - a)));
    };
    const QPointF file = arc("file.bin"), level2 = arc("level2"), leaf = arc("leaf.bin");
    EXPECT_LE(distance(view.grab().toImage(), file, color("file.bin")), 3) << "without hover";
    move(leaf);
    QImage image = view.grab().toImage();
    EXPECT_LE(distance(image, leaf, over(Qt::white, 0.25, color("leaf.bin"))), 3) << "lighter";
    EXPECT_LE(distance(image, level2, color("level2")), 3) << "parent at full colour";
    EXPECT_LE(distance(image, file, over(color("file.bin"), 0.55, background)), 3) << "dimmed";
    move(arc("big"));  // its descendants dim
    image = view.grab().toImage();
    EXPECT_LE(distance(image, leaf, over(color("leaf.bin"), 0.55, background)), 3) << "child";
}

TEST_F(ChartTest, LabelDescribesTheHoveredNodeOrTheFolder) {
    const std::string longName =
        "Ein sehr langer Dateiname mit vielen Wörtern, der nicht in zwei "
        "Zeilen passt und darum in der Mitte gekürzt wird.txt";
    const FileNode start = test::build(test::folder(
        "Start", 0,
        {test::folder("Bilder", 0, {test::file("urlaub.jpg", 250'000), test::file("b", 750'000)}),
         test::file(longName, 2'000'000)}));
    const FileNode bilder = test::childNamed(start, "Bilder");
    auto label = [&] {
        const auto l = view.centerLabel();
        return QStringList{l.upIcon ? "↑" : "", l.name.join('|'), l.size, l.detail};
    };
    EXPECT_FALSE(view.centerLabel().upIcon);  // the scanned root has no parent
    view.setNode(bilder);
    EXPECT_EQ(label(), (QStringList{"↑", "Bilder", "1 MB", "2 Dateien"}));
    hover.setHovered(test::childNamed(bilder, "urlaub.jpg"));
    EXPECT_EQ(label(), (QStringList{"", "urlaub.jpg", "250 KB", "25\u00A0% von Bilder"}));
    hover.setHovered(test::childNamed(start, longName.c_str()));
    const QStringList name = view.centerLabel().name;  // two lines, elided in the middle
    ASSERT_EQ(name.size(), 2);
    EXPECT_TRUE(name[0].startsWith("Ein sehr"));
    EXPECT_TRUE(name[1].contains(QChar(0x2026)) && name[1].endsWith("d.txt"))
        << name[1].toStdString();
}

TEST_F(ChartTest, ArcsAreLaidOutOnShowAndOnNewFolderOrTreeOnly) {
    EXPECT_EQ(view.layoutCount(), 0);
    view.show();
    EXPECT_EQ(view.layoutCount(), 1);
    view.resize(500, 420);
    move(arc("big"));
    move(arc("a.bin"));
    view.setNode(root);
    EXPECT_EQ(view.layoutCount(), 1);
    view.setNode(childNamed(root, "big"));
    EXPECT_EQ(view.layoutCount(), 2);
    scratch.file("big/b.bin", 8 * 1024);
    model.rescan();
    ASSERT_TRUE(test::waitUntil([&] { return model.phase() == Phase::Result; }));
    test::settle(model);
    EXPECT_EQ(view.layoutCount(), 3);
}

TEST_F(ChartTest, ClicksZoomIntoFoldersAndTheDiscGoesUp) {
    int changes = 0;
    QObject::connect(&model, &AppModel::currentChanged, [&] { ++changes; });
    for (QPointF p : {arc("file.bin"), arc("a.bin"), disc(), QPointF(2, 2)}) {
        click(p);  // files, the root's disc, outside
    }
    EXPECT_EQ(changes, 0);
    const FileNode level2 = test::nodeAt(root, "big/deep/level2");
    click(arc("level2"));
    EXPECT_EQ(model.current(), level2);
    view.setNode(level2);
    move(disc());
    EXPECT_EQ(view.cursor().shape(), Qt::PointingHandCursor);
    click(disc());
    EXPECT_EQ(model.current(), level2.parent());
    view.setNode(root);
    click(arc("empty"));
    EXPECT_EQ(model.current(), childNamed(root, "empty"));

    model.navigate(root);
    changes = 0;
    for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                      QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        mouse(type, arc("big"));  // a double click acts once
    }
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(model.current(), childNamed(root, "big"));
}

TEST_F(ChartTest, ContextMenuIsForTheHoveredNodeOnly) {
    view.show();
    QStringList firstEntries;  // of every menu that came up
    auto rightClick = [&](QPointF p) {
        move(p);
        QTimer::singleShot(0, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                firstEntries << menu->actions().first()->text();
                menu->close();
            }
        });
        QContextMenuEvent e(QContextMenuEvent::Mouse, p.toPoint(), view.mapToGlobal(p.toPoint()));
        QCoreApplication::sendEvent(&view, &e);
        QCoreApplication::processEvents();
    };
    rightClick(disc());
    rightClick(arc("file.bin"));
    rightClick(arc("big"));
    EXPECT_EQ(firstEntries, (QStringList{"Öffnen", "Hineinzoomen"}));
}

}  // namespace
}  // namespace raumfuchs
