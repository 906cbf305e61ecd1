// Every symbol of the interface gives a visible icon in its tint, also without
// any icon theme, and the drawn ones have the shapes their names say.
#include <gtest/gtest.h>

#include <QDir>
#include <QIcon>
#include <QImage>
#include <algorithm>
#include <vector>

#include "support/QtTestApp.h"
#include "ui/widgets/Icons.h"

namespace raumfuchs {
namespace {

// The symbol drawn 48 × 48 in black, read on its 24 × 24 grid.
struct Ink {
    explicit Ink(const char* name)
        : image(Icons::symbol(QLatin1String(name), Qt::black).pixmap(QSize(48, 48)).toImage()) {}
    bool operator()(double x, double y) const {
        return qAlpha(image.pixel(int(x * 2), int(y * 2))) > 128;
    }
    // The lengths of the inked stretches of column x between y0 and y1, in order.
    std::vector<int> runs(double x, double y0, double y1) const {
        std::vector<int> lengths;
        for (int y = int(y0 * 2), last = 0; y < int(y1 * 2); ++y) {
            const int inked = (*this)(x, y / 2.0);
            if (inked && !last) {
                lengths.push_back(0);
            }
            if (inked) {
                ++lengths.back();
            }
            last = inked;
        }
        return lengths;
    }
    QImage image;
};

TEST(IconsTest, SymbolsAreVisibleTintedAndShapedAsNamedWithAndWithoutTheme) {
    test::ensureApp();
    const QString themeBefore = QIcon::themeName();
    const QString fallbackBefore = QIcon::fallbackThemeName();
    const QStringList pathsBefore = QIcon::themeSearchPaths();
    // The desktop's theme as the application finds it on this machine (the
    // offscreen platform names no icon folders), then the drawn symbols alone.
    QIcon::setThemeSearchPaths(pathsBefore + QStringList{QStringLiteral("/usr/share/icons")});
    QIcon::setFallbackThemeName(QStringLiteral("raumfuchs-no-such-theme"));
    for (const char* theme : {"Adwaita", "raumfuchs-no-such-theme"}) {
        SCOPED_TRACE(theme);
        QIcon::setThemeName(QString::fromLatin1(theme));
        if (QDir(QStringLiteral("/usr/share/icons/") + QLatin1String(theme)).exists()) {
            EXPECT_TRUE(QIcon::hasThemeIcon(QStringLiteral("view-grid-symbolic")));
        }
        const Ink question("questionmark.circle"), up("arrow.up.circle");
        for (const Ink* ring : {&question, &up}) {
            EXPECT_TRUE((*ring)(3, 12) && (*ring)(21, 12) && (*ring)(12, 3) && (*ring)(12, 21));
        }
        // "?": the dot is the lowest mark inside the ring, below the longer hook
        // and stem (an "i" has its dot on top).
        const std::vector<int> marks = question.runs(12, 4.5, 19.5);
        ASSERT_GE(marks.size(), 2u);
        EXPECT_LT(marks.back(), *std::max_element(marks.begin(), marks.end() - 1));
        // The arrow has its stem through the middle, unlike the bare chevron.
        EXPECT_TRUE(up(12, 12) && up(12, 15));
        EXPECT_NE(up.image, Ink("chevron.up").image);
        // Four squares: ink in each quarter, none on the cross between them
        // (a 3 × 3 grid has its middle cell there).
        const Ink grid("square.grid.2x2");
        for (const auto& [x, y] : {std::pair{6, 6}, {6, 18}, {18, 6}, {18, 18}}) {
            EXPECT_FALSE(grid.runs(x, y - 3, y + 3).empty()) << x << "," << y;
        }
        EXPECT_TRUE(grid.runs(12, 2, 22).empty());
        EXPECT_FALSE(grid(4, 12) || grid(20, 12));
    }

    // The drawn symbols, each inked in the tint alone, not one placeholder for
    // all (the .fill twins of the drives may match).
    QSet<QByteArray> shapes;
    for (const QString& name :
         QStringLiteral("folder folder.badge.plus house arrow.down.circle square.grid.2x2 "
                        "arrow.clockwise internaldrive internaldrive.fill externaldrive "
                        "externaldrive.fill chevron.right chevron.up lock lock.fill lock.shield "
                        "clock questionmark.circle trash trash.fill arrow.up.circle doc")
             .split(' ')) {
        const QImage image = Icons::symbol(name, QColor(200, 20, 20))
                                 .pixmap(QSize(24, 24))
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32);
        int inked = 0, offTint = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel.alpha() > 200) {
                    ++inked;
                    offTint += pixel.red() <= 150 || pixel.green() >= 80;
                }
            }
        }
        EXPECT_GT(inked, 10) << name.toStdString();
        EXPECT_EQ(offTint, 0) << name.toStdString();
        shapes.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()),
                                 static_cast<int>(image.sizeInBytes())));
    }
    EXPECT_GE(shapes.size(), 16);
    QIcon::setThemeName(themeBefore);
    QIcon::setFallbackThemeName(fallbackBefore);
    QIcon::setThemeSearchPaths(pathsBefore);
}

}  // namespace
}  // namespace raumfuchs
