// Pictures the author loads (splash screens, the toolbar logo, button pictures, the
// book's icon): read by their file extension, JPEG decoded with libjpeg's
// decompression interface, and stored as Windows bitmaps, the form the designer, the
// compiler and the readers understand.
#pragma once

#include "u_Exception.h"

#include <QImage>

#include <string>

class EPictureError : public Exception {
public:
    using Exception::Exception;
};

// The kinds of picture the editor reads, chosen by the file name's extension (letter
// case ignored): "bmp", "ico", "jpg"/"jpeg", and the metafiles "wmf"/"emf".
enum class TPictureKind { Unknown, Bitmap, Icon, Jpeg, Metafile };
TPictureKind PictureKindOf(const std::string& FileName);

// Decodes JPEG bytes (baseline or progressive, grey, RGB or CMYK) into an RGB picture.
// Raises EPictureError "Cannot read JPEG picture \"%s\": %s" naming Name.
QImage DecodeJpeg(const std::string& Bytes, const std::string& Name);

// Reads a picture of a supported kind from its bytes; Name (a file name) gives the
// kind and is named in errors. A metafile raises "Metafile pictures (WMF, EMF) cannot
// be shown on this system: \"%s\"", an unknown kind "Unsupported picture type: \"%s\"",
// a damaged picture "Cannot read picture \"%s\"".
QImage ReadPicture(const std::string& Bytes, const std::string& Name);
// The same from a host file (its read error names the file).
QImage LoadPictureFile(const std::string& FileName);

// The picture as the bytes of a Windows bitmap file (24 bits a pixel, or 32 with
// alpha when the picture has transparent pixels and KeepAlpha is set).
std::string BitmapFileBytes(const QImage& Picture, bool KeepAlpha = false);
