#include <gtest/gtest.h>

#include <QAccessible>
#include <QComboBox>
#include <QImage>
#include <tuple>

#include "core/kinds/AgeColoring.h"
#include "core/kinds/KindColoring.h"
#include "ui/ResultTestSupport.h"
#include "ui/result/chart/ChartAccessible.h"
#include "ui/result/chart/ChartLegend.h"
#include "ui/result/chart/ColorModePicker.h"
#include "ui/result/node/HoverState.h"
#include "ui/result/node/NodeMenu.h"
#include "ui/widgets/Style.h"

namespace raumfuchs {
namespace {

using test::childNamed;

// Start (4 MB): c 3 MB, Bilder 1 MB {b 750 KB, urlaub.jpg 250 KB}.
FileNode handTree() {
    return test::build(test::folder(
        "Start", 0,
        {test::folder("Bilder", 0, {test::file("urlaub.jpg", 250'000), test::file("b", 750'000)}),
         test::file("c", 3'000'000)}));
}

// A chart of a scanned folder: big/{a.bin, deep/level2/leaf.bin}, empty/, file.bin;
// `start` is a tree by hand with sizes in round numbers.
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
    QPointF arc(const std::string& name, double shift = 0) {
        return test::arcPoint(view, name, shift);
    }
    void move(QPointF p) { test::mouse(view, QEvent::MouseMove, p); }
    void click(QPointF p) { test::click(view, p); }
    // The largest channel difference between the chart's pixel at `p` and `expected`.
    int distance(QPointF p, const QColor& expected) {
        const QColor c = view.grab().toImage().pixelColor(p.toPoint());
        return std::max({std::abs(c.red() - expected.red()), std::abs(c.green() - expected.green()),
                         std::abs(c.blue() - expected.blue())});
    }
    std::string hovered() const { return test::nameOf(hover.hovered()); }

    FileNode root;
    const FileNode start = handTree();
    HoverState hover;
    SunburstView view{model, hover};
};

TEST_F(ChartTest, HoverLightensTheArcWritesOncePerNodeAndTheCursorShowsWhatAClickDoes) {
    const QColor background = view.palette().color(QPalette::Window);
    auto color = [&](const char* name) { return Style::color(test::arcOf(view, name).color); };
    auto over = [](const QColor& top, double a, const QColor& bottom) {
        return QColor::fromRgbF(float(top.redF() * a + bottom.redF() * (1 - a)),
                                float(top.greenF() * a + bottom.greenF() * (1 - a)),
                                float(top.blueF() * a + bottom.blueF() * (1 - a)));
    };
    const QPointF onFile = arc("file.bin"), onLevel2 = arc("level2"), onLeaf = arc("leaf.bin");
    EXPECT_LE(distance(onFile, color("file.bin")), 3) << "without hover";
    move(onLeaf);
    EXPECT_LE(distance(onLeaf, over(Qt::white, 0.25, color("leaf.bin"))), 3) << "lighter";
    EXPECT_LE(distance(onLevel2, color("level2")), 3) << "parent at full colour";
    EXPECT_LE(distance(onFile, over(color("file.bin"), 0.55, background)), 3) << "dimmed";
    move(arc("big"));  // its descendants dim
    EXPECT_LE(distance(onLeaf, over(color("leaf.bin"), 0.55, background)), 3) << "child";

    int writes = 0;
    QObject::connect(&hover, &HoverState::changed, [&] { ++writes; });
    const auto hand = Qt::PointingHandCursor, arrow = Qt::ArrowCursor;
    const auto state = [&] { return std::tuple(hovered(), view.cursor().shape(), writes); };
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
        EXPECT_EQ(state(), std::tuple(name, cursor, count)) << p.x() << "," << p.y();
    }
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&view, &leave);
    EXPECT_EQ(state(), std::tuple("-", arrow, 6));

    // Clicks zoom into folders, files and outside do nothing, the disc goes up.
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
    test::doubleClick(view, arc("big"));  // acts once
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(model.current(), childNamed(root, "big"));
}

// Every arc in one colour, for the colour-mode tests.
class OneColour : public ArcColoring {
  public:
    explicit OneColour(Hsb color) : color_(color) {}
    Hsb color(const Segment&) const override { return color_; }
    std::vector<LegendEntry> legend() const override { return {{"alles", color_}}; }

  private:
    Hsb color_;
};

// Arcs are laid out on show and for a new folder or tree only; a colour mode
// recolours them and falls back to the standard colours when withdrawn.
TEST_F(ChartTest, ArcsAreLaidOutForANewFolderOrTreeOnlyAndColourModesRecolourThem) {
    ColorModes& modes = model.colorModes();
    // Without the modes of the kinds of files, which a shown tree offers.
    modes.offer(ColorMode::Kind, nullptr);
    modes.offer(ColorMode::Age, nullptr);
    ColorModePicker picker(modes, nullptr);
    ChartLegend legend(modes, nullptr);
    EXPECT_EQ(view.layoutCount(), 0);
    view.show();
    EXPECT_EQ(view.layoutCount(), 1);
    const QPointF file = arc("file.bin");
    const QColor standard = Style::color(test::arcOf(view, "file.bin").color);
    EXPECT_TRUE(picker.isHidden()) << "nothing to choose but the standard colours";
    EXPECT_TRUE(legend.isHidden());

    const Hsb red{0, 1, 1, 1};
    modes.offer(ColorMode::Age, std::make_shared<OneColour>(red));
    ASSERT_EQ(picker.box()->count(), 2);
    EXPECT_FALSE(picker.isHidden());
    EXPECT_LE(distance(file, standard), 3) << "offered, not chosen";

    picker.box()->setCurrentIndex(1);
    emit picker.box()->activated(1);
    EXPECT_EQ(modes.current(), ColorMode::Age);
    EXPECT_LE(distance(file, Style::color(red)), 3);
    EXPECT_EQ(view.layoutCount(), 1) << "new colours, the same arcs";
    ASSERT_EQ(legend.entries().size(), 1u);
    EXPECT_EQ(legend.accessibleDescription(), QStringLiteral("alles"));

    modes.offer(ColorMode::Age, nullptr);  // its data went, e.g. with the tree
    EXPECT_EQ(modes.current(), ColorMode::Standard);
    EXPECT_TRUE(picker.isHidden());
    EXPECT_TRUE(legend.isHidden());
    EXPECT_LE(distance(file, standard), 3);

    view.resize(500, 420);
    move(arc("big"));
    move(arc("a.bin"));
    view.setNode(root);
    EXPECT_EQ(view.layoutCount(), 1);
    view.setNode(childNamed(root, "big"));
    EXPECT_EQ(view.layoutCount(), 2);
    scratch.file("big/b.bin", 8 * 1024);
    model.rescan();
    test::finishScan(model);
    EXPECT_EQ(view.layoutCount(), 3);
}

// The model's own modes: "Dateityp" colours a file's arc in its kind's
// colour and a folder's in its main kind's, "Alter" by the age bucket, each
// with its legend; a selected kind dims the arcs of the others, a folder by
// its share of that kind, until it is cleared.
TEST_F(ChartTest, KindAndAgeColourTheArcsAndASelectedKindDimsTheOthers) {
    KindsSession& kinds = model.kinds();
    if (!kinds.kinds()) {
        GTEST_SKIP() << kinds.kindsError().toStdString();
    }
    scratch.file("pics/photo.jpg", 48 * 1024);
    scratch.file("pics/notes.bin", 8 * 1024);
    scratch.file("big/old.txt", 8 * 1024);
    scratch.age("big/old.txt", 400);
    test::scanAndWait(model, scratch.path(), QStringLiteral("Baum"));
    view.setNode(model.root());
    ColorModes& modes = model.colorModes();
    ColorModePicker picker(modes, nullptr);
    ChartLegend legend(modes, nullptr);
    view.show();
    EXPECT_EQ(test::rowTexts(*picker.box()->model()),
              (QStringList{"Standard", "Dateityp", "Alter"}));
    const auto colourAt = [&](const std::string& name) {
        return view.grab().toImage().pixelColor(arc(name).toPoint());
    };
    const auto off = [&](const std::string& name, Hsb colour) {
        return distance(arc(name), Style::color(colour));
    };
    const auto counted = [&] { return test::waitUntil([&] { return !kinds.isCounting(); }); };
    const auto legendLabels = [&] {
        std::vector<std::string> labels;
        for (const ArcColoring::LegendEntry& entry : legend.entries()) {
            labels.push_back(entry.label);
        }
        return labels;
    };

    modes.choose(ColorMode::Kind);
    ASSERT_TRUE(counted());
    const QColor images = Style::color(KindColoring::colorOf(FileCategory::Images));
    EXPECT_LE(off("photo.jpg", KindColoring::colorOf(FileCategory::Images)), 3);
    EXPECT_LE(off("file.bin", KindColoring::colorOf(FileCategory::Other)), 3);
    // "pics" holds 48 KB of pictures and 8 KB of ".bin": Bilder, paler.
    const QColor pics = colourAt("pics");
    EXPECT_NEAR(pics.hueF(), images.hueF(), 0.02);
    EXPECT_LT(pics.saturationF(), images.saturationF() - 0.05);
    EXPECT_EQ(legendLabels(), (std::vector<std::string>{"Sonstige", "Bilder", "Dokumente"}));

    modes.choose(ColorMode::Age);
    EXPECT_LE(off("old.txt", AgeColoring::colorOf(AgeBucket::UpToThreeYears)), 3);
    EXPECT_LE(off("photo.jpg", AgeColoring::colorOf(AgeBucket::Recent)), 3);
    EXPECT_EQ(legendLabels(),
              (std::vector<std::string>{"Letzte 30 Tage", "Bis 1 Jahr", "Bis 3 Jahre", "Älter"}));

    modes.choose(ColorMode::Standard);
    const QColor photo = colourAt("photo.jpg");
    const QColor plain = colourAt("file.bin");
    kinds.toggle(FileCategory::Images);
    ASSERT_TRUE(counted());
    EXPECT_LE(distance(arc("photo.jpg"), photo), 3) << "of the kind";
    EXPECT_GT(distance(arc("file.bin"), plain), 30) << "dimmed";
    kinds.toggle(FileCategory::Images);
    EXPECT_LE(distance(arc("file.bin"), plain), 3) << "cleared";
    EXPECT_EQ(view.layoutCount(), 1) << "new colours, the same arcs";
}

// The menu of the hovered arc, or of several nodes (the side panel's selection).
TEST_F(ChartTest, MenuEntriesFitTheNodesAndCallTheModel) {
    view.show();
    const auto menuAt = [&](QPointF p, const QString& run = {}) {
        move(p);
        return test::menuDuring(
            [&] { test::contextMenu(view, QContextMenuEvent::Mouse, p.toPoint()); }, run);
    };
    const auto menu = [&](const std::vector<FileNode>& nodes, const QString& run) {
        return test::menuDuring([&] { NodeMenu::create(model, nodes)->exec(); }, run);
    };
    const QString trash = QStringLiteral("In den Papierkorb legen …");
    const QStringList one{"Öffnen", "Im Dateimanager zeigen", "Pfad kopieren", "", trash};
    QStringList folder = one;
    folder.insert(1, QStringLiteral("Neu einlesen"));
    EXPECT_TRUE(menuAt(disc()).isEmpty());  // nothing hovered: no menu
    EXPECT_EQ(menuAt(arc("file.bin")), one);
    EXPECT_EQ(menuAt(arc("empty")), folder);
    scratch.file("big/neu.bin", 4096);
    EXPECT_EQ(menuAt(arc("big"), "Neu einlesen"), QStringList{"Hineinzoomen"} + folder);
    test::settle(model);
    EXPECT_TRUE(model.node(scratch.path("big/neu.bin")));  // read in again
    const FileNode big = childNamed(root, "big"), file = childNamed(root, "file.bin");
    menuAt(arc("big"), "Hineinzoomen");
    EXPECT_EQ(model.current(), big);
    menuAt(arc("file.bin"), "Öffnen");
    EXPECT_EQ(services.opened, std::vector<std::string>{file.path()});

    const QStringList several{"Im Dateimanager zeigen", "Pfade kopieren", "", trash};
    EXPECT_EQ(menu({}, {}), several);
    EXPECT_EQ(menu({file, big}, "Im Dateimanager zeigen"), several);
    EXPECT_EQ(services.revealed,
              (std::vector<std::vector<std::string>>{{file.path(), big.path()}}));
    menu({file, big}, "Pfade kopieren");
    EXPECT_EQ(services.clipboardTexts,
              std::vector<QString>{QString::fromStdString(file.path() + "\n" + big.path())});
    // Nothing on the desktop to carry an entry out: the alert says what is missing.
    const QString path = QString::fromStdString(file.path());
    services.fileManager = false;
    menu({file}, "Im Dateimanager zeigen");
    EXPECT_EQ(model.alertMessage(),
              "Kein Dateimanager hat geantwortet: „" + path + "“ lässt sich nicht zeigen.");
    menu({file, big}, "Im Dateimanager zeigen");
    EXPECT_EQ(model.alertMessage(),
              QStringLiteral("Kein Dateimanager hat geantwortet: 2 Objekte lassen sich nicht "
                             "zeigen."));
    services.opener = false;
    menu({file}, "Öffnen");
    EXPECT_EQ(model.alertMessage(), "Kein Programm zum Öffnen von „" + path + "“ gefunden.");
    model.setAlertMessage(std::nullopt);

    menu({file, big}, trash);  // only asks: the model checks and confirms
    EXPECT_TRUE(model.isConfirmingTrash());
    EXPECT_EQ(model.pendingTrash(), (std::vector<FileNode>{file, big}));
    EXPECT_TRUE(services.trashed.empty());
}

// The centre label describes the hovered node or the folder; the arrows move
// along the rings, outwards and inwards; the accessible tree names the arcs with
// size and share, nested by ring.
TEST_F(ChartTest, CentreLabelArrowsAndAccessibleTreeDescribeTheArcs) {
    ChartAccessible::install();  // before the view is first shown and asked for its interface
    const std::string longName =
        "Ein sehr langer Dateiname mit vielen Wörtern, der nicht in zwei "
        "Zeilen passt und darum in der Mitte gekürzt wird.txt";
    const FileNode bilder = childNamed(start, "Bilder");
    auto label = [&] {
        const auto l = view.centerLabel();
        return QStringList{l.upIcon ? "↑" : "", l.name.join('|'), l.size, l.detail};
    };
    EXPECT_FALSE(view.centerLabel().upIcon);  // the scanned root has no parent
    view.setNode(bilder);
    EXPECT_EQ(label(), (QStringList{"↑", "Bilder", "1 MB", "2 Dateien"}));
    hover.setHovered(childNamed(bilder, "urlaub.jpg"));
    EXPECT_EQ(label(), (QStringList{"", "urlaub.jpg", "250 KB", "25\u00A0% von Bilder"}));
    hover.setHovered(test::build(test::folder("x", 0, {test::file(longName, 1)})).child(0));
    const QStringList name = view.centerLabel().name;  // two lines, elided in the middle
    ASSERT_EQ(name.size(), 2);
    EXPECT_TRUE(name[0].startsWith("Ein sehr"));
    EXPECT_TRUE(name[1].contains(QChar(0x2026)) && name[1].endsWith("d.txt"))
        << name[1].toStdString();

    hover.setHovered(FileNode());
    view.setNode(start);
    test::showAndSettle(view);
    view.setFocus();
    // Ring 0 clockwise: c, Bilder; ring 1: b, urlaub.jpg.
    const auto L = Qt::Key_Left, R = Qt::Key_Right, U = Qt::Key_Up, D = Qt::Key_Down;
    const std::vector<std::pair<int, std::string>> steps{
        {D, "-"},          {L, "Bilder"}, {R, "c"},          {R, "Bilder"},
        {R, "c"},          {U, "c"},      {L, "Bilder"},     {U, "b"},
        {R, "urlaub.jpg"}, {R, "b"},      {L, "urlaub.jpg"}, {U, "urlaub.jpg"},
        {D, "Bilder"},     {D, "-"},      {D, "-"},          {U, "c"}};
    for (std::size_t i = 0; i < steps.size(); ++i) {
        test::pressKey(view, steps[i].first);
        EXPECT_EQ(hovered(), steps[i].second) << "step " << i;
    }
    // The keyboard's arc is the hovered one: the centre label tells about it.
    EXPECT_EQ(view.centerLabel().name, QStringList{"c"});

    // An empty folder has nowhere to go.
    const FileNode empty = test::build(test::folder("leer", 0, {}));
    view.setNode(empty);
    hover.setHovered(FileNode());
    for (int key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down}) {
        test::pressKey(view, key);
        EXPECT_EQ(hovered(), "-") << key;
    }

    view.setNode(bilder);
    view.setNode(start);

    QAccessibleInterface* chart = QAccessible::queryAccessibleInterface(&view);
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->text(QAccessible::Name), "Start, 4 MB");
    ASSERT_EQ(chart->childCount(), 3);  // the disc, then ring 0 clockwise
    QAccessibleInterface* disc = chart->child(0);
    EXPECT_EQ(disc->role(), QAccessible::StaticText);  // the root: no way up
    EXPECT_EQ(disc->text(QAccessible::Name), "Start, 4 MB, 3 Dateien");
    QAccessibleInterface *c = chart->child(1), *bilderArc = chart->child(2);
    EXPECT_EQ(c->childCount(), 0);
    ASSERT_EQ(bilderArc->childCount(), 2);
    QAccessibleInterface* b = bilderArc->child(0);
    // Shares of the shown folder.
    EXPECT_EQ(c->text(QAccessible::Name), "c, 3 MB, 75\u00A0%");
    EXPECT_EQ(b->text(QAccessible::Name), "b, 750 KB, 19\u00A0%");
    EXPECT_EQ(bilderArc->child(1)->text(QAccessible::Name), "urlaub.jpg, 250 KB, 6,2\u00A0%");
    EXPECT_EQ(bilderArc->text(QAccessible::Description), "Ordner, Ring 1");
    EXPECT_EQ(b->text(QAccessible::Description), "Datei, Ring 2");
    EXPECT_TRUE(b->parent() == bilderArc && bilderArc->parent() == chart);
    EXPECT_EQ(chart->indexOfChild(bilderArc), 2);
    EXPECT_EQ(chart->child(2), bilderArc) << "parts are kept, not made anew";
    const auto pressable = [](QAccessibleInterface* part) {
        return part->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::pressAction());
    };
    EXPECT_TRUE(pressable(bilderArc) && !pressable(c));

    // Geometry: the arc's rectangle holds its middle, and a hit there finds it.
    const QPoint middle = b->rect().center();
    EXPECT_EQ(chart->childAt(middle.x(), middle.y()), bilderArc);
    EXPECT_EQ(bilderArc->childAt(middle.x(), middle.y()), b);
    const QPoint centre = view.mapToGlobal(view.rect().center());
    EXPECT_EQ(chart->childAt(centre.x(), centre.y()), disc);

    // Another folder: new parts, and the disc now goes up.
    view.setNode(bilder);
    EXPECT_EQ(chart->child(0)->role(), QAccessible::Button);
    EXPECT_EQ(chart->child(0)->text(QAccessible::Name), "Nach oben zu „Start“");
    EXPECT_EQ(chart->child(1)->text(QAccessible::Name), "b, 750 KB, 75\u00A0%");
}

}  // namespace
}  // namespace raumfuchs
