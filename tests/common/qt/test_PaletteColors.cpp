// Colours of books on a palette, the colour key of toolbar bitmaps and the MIME types
// of served documents: the one place each of them is worked out for every program.
#include "u_Colors.h"
#include "u_EngineScheme.h"
#include "u_PaletteColors.h"

#include <gtest/gtest.h>

TEST(PaletteColors, SystemColoursComeFromThePalette) {
    QPalette palette;
    palette.setColor(QPalette::Active, QPalette::Button, QColor(1, 2, 3));
    palette.setColor(QPalette::Active, QPalette::Base, QColor(4, 5, 6));
    palette.setColor(QPalette::Active, QPalette::Text, QColor(7, 8, 9));
    palette.setColor(QPalette::Active, QPalette::Highlight, QColor(10, 11, 12));
    EXPECT_EQ(PaletteColor(static_cast<int32_t>(0xFF00000F), palette), QColor(1, 2, 3)); // button face
    EXPECT_EQ(PaletteColor(static_cast<int32_t>(0xFF000005), palette), QColor(4, 5, 6)); // window
    EXPECT_EQ(PaletteColor(static_cast<int32_t>(0xFF000008), palette), QColor(7, 8, 9)); // window text
    EXPECT_EQ(PaletteColor(static_cast<int32_t>(0xFF00000D), palette), QColor(10, 11, 12));
    EXPECT_EQ(PaletteColor(static_cast<int32_t>(0xFF000063), palette), QColor(1, 2, 3)) << "unknown: button face";
    EXPECT_EQ(PaletteColor(0x0000FF, palette), QColor(255, 0, 0)) << "red in the low byte";
}

TEST(PaletteColors, ColourKeyComparesTheColourNotItsAlpha) {
    QImage bitmap(3, 1, QImage::Format_ARGB32);
    bitmap.setPixel(0, 0, qRgba(255, 0, 255, 255)); // the key
    bitmap.setPixel(1, 0, qRgba(255, 0, 255, 128)); // the same colour, another alpha
    bitmap.setPixel(2, 0, qRgba(255, 0, 254, 255)); // another colour
    const QImage keyed = WithColorKey(bitmap);
    EXPECT_EQ(qAlpha(keyed.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(keyed.pixel(1, 0)), 0);
    EXPECT_EQ(keyed.pixel(2, 0), qRgba(255, 0, 254, 255));
    QImage opaque(2, 1, QImage::Format_RGB32);
    opaque.setPixel(0, 0, qRgb(0, 128, 0));
    opaque.setPixel(1, 0, qRgb(0, 128, 0));
    EXPECT_EQ(qAlpha(WithColorKey(opaque).pixel(1, 0)), 0) << "bitmaps without alpha too";
}

TEST(EngineScheme, MimeTypesOfServedDocuments) {
    EXPECT_EQ(EngineMimeType(QStringLiteral("a.htm"), "<html></html>", false), "text/html");
    EXPECT_EQ(EngineMimeType(QStringLiteral("a.css"), "body {}", false), "text/css");
    EXPECT_EQ(EngineMimeType(QStringLiteral("tower.png"), QByteArray("\x89PNG\r\n\x1a\n", 8), false), "image/png");
    EXPECT_EQ(EngineMimeType(QStringLiteral("x.bin"), "anything", true), "text/html") << "a page of our own";
}
