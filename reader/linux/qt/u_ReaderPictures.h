// Pictures of a book for the windows: splash and logo pictures, toolbar pictures
// (bitmaps get their top-left colour as the transparent one), the book's icon, and the colour numbers of the
// toolbar options as colours of the palette.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPalette>
#include <QPixmap>

#include <cstdint>
#include <string>

// The picture of a file of the system image; a null pixmap when it is none that Qt reads.
QPixmap BookPicture(const std::string& Data);
// A toolbar button's picture: a bitmap takes its top-left colour as the transparent one.
QPixmap ButtonPicture(const std::string& Data, const std::string& Path);
// The book's icon from the bytes of an icon file; the reader's own icon without one.
QIcon BookIcon(const std::string& IconData);
// The reader's own icon.
QIcon ReaderIcon();
// A colour number of the book (RGB with red in the low byte, or a system colour).
QColor BookColor(int32_t Value, const QPalette& Palette);
