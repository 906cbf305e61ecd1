// Every symbol of the interface gives a visible icon, also without any icon
// theme, and takes its tint.
#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>

#include "support/QtTestApp.h"
#include "ui/Icons.h"

namespace raumfuchs {
namespace {

TEST(IconsTest, DrawnFallbackIsNeverBlankAndTakesTint) {
    test::ensureApp();
    const QString themeBefore = QIcon::themeName();
    const QString fallbackBefore = QIcon::fallbackThemeName();
    QIcon::setThemeName(QStringLiteral("raumfuchs-no-such-theme"));
    QIcon::setFallbackThemeName(QStringLiteral("raumfuchs-no-such-theme"));

    const QStringList symbols = QStringLiteral(
                                    "folder folder.badge.plus house arrow.down.circle "
                                    "square.grid.2x2 arrow.clockwise internaldrive "
                                    "internaldrive.fill externaldrive externaldrive.fill "
                                    "chevron.right chevron.up lock lock.fill lock.shield clock "
                                    "questionmark.circle trash trash.fill arrow.up.circle")
                                    .split(' ');
    QSet<QByteArray> shapes;
    for (const QString& name : symbols) {
        const QImage image = Icons::symbol(name, QColor(200, 20, 20))
                                 .pixmap(QSize(24, 24))
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32);
        int inked = 0;
        int offTint = 0;
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
    // Drawn, not one placeholder for all (the .fill twins of the drives may match).
    EXPECT_GE(shapes.size(), 16);
    QIcon::setThemeName(themeBefore);
    QIcon::setFallbackThemeName(fallbackBefore);
}

}  // namespace
}  // namespace raumfuchs
