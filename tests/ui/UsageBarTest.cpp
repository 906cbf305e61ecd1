// Fill colour and width of the usage bar, and what it really paints.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "core/Theme.h"
#include "support/QtTestApp.h"
#include "ui/Style.h"
#include "ui/UsageBar.h"

namespace raumfuchs {
namespace {

TEST(UsageBarTest, ColourThresholds) {
    const QColor green = QColor::fromHsvF(0.36f, 0.55f, 0.75f);
    const QColor accent = Style::color(Theme::accent);
    EXPECT_EQ(UsageBar::fillColor(0.0), green);
    EXPECT_EQ(UsageBar::fillColor(0.749), green);
    EXPECT_EQ(UsageBar::fillColor(0.75), accent);
    EXPECT_EQ(UsageBar::fillColor(0.899), accent);
    const QColor full = UsageBar::fillColor(0.9);
    EXPECT_NE(full, accent);
    EXPECT_GT(full.redF(), 0.9f);
    EXPECT_LT(full.greenF(), 0.4f);
    EXPECT_EQ(UsageBar::fillColor(1.7), full);
}

TEST(UsageBarTest, WidthHasStubAndNeverOverflows) {
    EXPECT_DOUBLE_EQ(UsageBar::fillWidth(0.0, 200), 4.0);
    EXPECT_DOUBLE_EQ(UsageBar::fillWidth(-0.5, 200), 4.0);
    EXPECT_DOUBLE_EQ(UsageBar::fillWidth(0.001, 200), 4.0);
    EXPECT_DOUBLE_EQ(UsageBar::fillWidth(std::nan(""), 200), 4.0);
    EXPECT_DOUBLE_EQ(UsageBar::fillWidth(0.5, 200), 100.0);
    EXPECT_DOUBLE_EQ(UsageBar::fillWidth(1.0, 200), 200.0);
    EXPECT_DOUBLE_EQ(UsageBar::fillWidth(3.0, 200), 200.0);
}

TEST(UsageBarTest, PaintsFillOverTrack) {
    test::ensureApp();
    QImage image(200, 8, QImage::Format_ARGB32_Premultiplied);
    auto paint = [&](double fraction) {
        image.fill(Qt::white);
        QPainter painter(&image);
        UsageBar::paint(painter, QRectF(0, 0, 200, 8), fraction, QPalette());
    };
    paint(0.5);
    const QColor filled = image.pixelColor(50, 4);
    const QColor track = image.pixelColor(150, 4);
    EXPECT_GT(filled.greenF(), filled.redF() + 0.2f);           // green fill
    EXPECT_LT(std::abs(track.redF() - track.greenF()), 0.05f);  // grey track
    EXPECT_LT(track.valueF(), 0.99f);                           // but visibly there

    paint(0.0);  // the stub is drawn in the fill colour
    EXPECT_GT(image.pixelColor(2, 4).greenF(), image.pixelColor(2, 4).redF() + 0.1f);
    EXPECT_LT(std::abs(image.pixelColor(20, 4).redF() - image.pixelColor(20, 4).greenF()), 0.05f);
}

}  // namespace
}  // namespace raumfuchs
