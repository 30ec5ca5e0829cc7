// Pictures of a book as the windows draw them: BMP, JPEG and GIF files (the system's
// picture loader, OleLoadPicture), and the book's icon from the bytes of an icon file.
#pragma once

#include <windows.h>

#include <string>

// A bitmap of the picture in Data; null when it cannot be read. The caller deletes it.
HBITMAP LoadBookPicture(const std::string& Data);
// The same picture fitted into Width x Height (proportions kept, centred on a
// transparent ground), as a 32-bit bitmap for an image list; null when it cannot be read.
HBITMAP LoadBookPictureFitted(const std::string& Data, int Width, int Height);
// The icon of the size nearest Size from an icon file's bytes; null without one. The
// caller destroys it.
HICON LoadBookIcon(const std::string& IconFile, int Size);
