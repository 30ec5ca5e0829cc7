// Colours and pictures of books in the windows: a colour number (u_Colors) as the
// colour of a palette, system colours taking the palette's own; and the colour key of
// toolbar bitmaps.
#pragma once

#include <QColor>
#include <QImage>
#include <QPalette>

#include <cstdint>

// The palette role that stands for a system colour index of the platform.
QPalette::ColorRole SystemColorRole(int Index);
// The colour of a colour number, system colours from Palette.
QColor PaletteColor(int32_t Value, const QPalette& Palette);

// A toolbar bitmap as it is shown: every pixel of the colour of its top-left pixel
// (letter compared by red, green and blue; alpha does not count) becomes transparent.
QImage WithColorKey(const QImage& Bitmap);
