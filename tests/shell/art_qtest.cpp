// SPDX-License-Identifier: GPL-3.0-or-later
#include "shellfixture.h"

#include <QColor>
#include <QImage>

namespace morvik::test
{
namespace
{

double meanlightness(const QImage& image)
{
    double sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            sum += QColor(image.pixel(x, y)).lightnessF();
        }
    }
    return sum / (image.width() * image.height());
}

QImage built(const std::string& name)
{
    return QImage(QString::fromStdString(builtico() + "/" + name));
}

TEST(Art, EachButtonHasAReleasedAndADarkerPressedBitmap)
{
    for (const char* stem : {"list", "bdel", "app", "help", "curl"}) {
        const QImage released = built(std::string(stem) + "1.bmp");
        const QImage pressed = built(std::string(stem) + "2.bmp");
        ASSERT_FALSE(released.isNull()) << stem;
        ASSERT_FALSE(pressed.isNull()) << stem;
        EXPECT_EQ(released.size(), QSize(104, 46)) << stem;
        EXPECT_EQ(pressed.size(), QSize(104, 46)) << stem;
        // Clearly different at a glance, not a pixel or two.
        EXPECT_LT(meanlightness(pressed) + 0.1, meanlightness(released)) << stem;
    }
}

TEST(Art, ButtonsOfDifferentToolsDiffer)
{
    const char* const names[] = {"list1.bmp", "bdel1.bmp", "app1.bmp", "help1.bmp", "curl1.bmp"};
    for (const char* a : names) {
        for (const char* b : names) {
            if (a != b) {
                EXPECT_NE(built(a), built(b)) << a << " " << b;
            }
        }
    }
}

TEST(Art, BackgroundsCoverTheLauncher)
{
    for (const char* name : {"bg-window.jpg", "bg-image.jpg"}) {
        const QImage image = built(name);
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_EQ(image.size(), QSize(632, 430)) << name;
    }
}

} // namespace
} // namespace morvik::test
