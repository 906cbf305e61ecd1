// The usage bar's colour steps, its width and what it really paints.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>

#include "core/chart/Theme.h"
#include "support/QtTestApp.h"
#include "ui/widgets/Style.h"
#include "ui/widgets/UsageBar.h"

namespace raumfuchs {
namespace {

TEST(UsageBarTest, StepsAtThreeQuartersAndNinetyPercentAndPaintsFillOverTrack) {
    const QColor accent = Style::color(Theme::accent);
    const QColor full = UsageBar::fillColor(0.9);
    EXPECT_NE(UsageBar::fillColor(0.749), accent);
    EXPECT_EQ(UsageBar::fillColor(0.75), accent);
    EXPECT_EQ(UsageBar::fillColor(0.899), accent);
    EXPECT_TRUE(full.redF() > 0.9f && full.greenF() < 0.4f);
    EXPECT_EQ(UsageBar::fillColor(1.7), full);
    for (const double stub : {0.0, -0.5, 0.001, std::nan("")}) {
        EXPECT_DOUBLE_EQ(UsageBar::fillWidth(stub, 200), 4.0) << stub;
    }
    EXPECT_DOUBLE_EQ(UsageBar::fillWidth(0.5, 200), 100.0);
    EXPECT_DOUBLE_EQ(UsageBar::fillWidth(3.0, 200), 200.0);

    test::ensureApp();
    QImage image(200, 8, QImage::Format_ARGB32_Premultiplied);
    const auto paint = [&](double fraction) {
        image.fill(Qt::white);
        QPainter painter(&image);
        UsageBar::paint(painter, QRectF(0, 0, 200, 8), fraction, QPalette());
    };
    // Green fill, grey (but visible) track.
    const auto green = [&](int x) {
        return std::abs(image.pixelColor(x, 4).hueF() - 0.36f) < 0.05f;
    };
    const auto grey = [&](int x) {
        return image.pixelColor(x, 4).hsvSaturationF() < 0.05f &&
               image.pixelColor(x, 4).valueF() < 0.99f;
    };
    paint(0.5);
    EXPECT_TRUE(green(50) && grey(150));
    paint(0.0);  // the stub is drawn in the fill colour
    EXPECT_TRUE(green(2) && grey(20));
}

}  // namespace
}  // namespace raumfuchs
