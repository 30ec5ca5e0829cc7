#include "u_Pictures.h"

#include "u_CaseBlind.h"
#include "u_MFS.h"

#include <QBuffer>
#include <QByteArray>

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <jpeglib.h>

namespace {

const char* const SJpegError = "Cannot read JPEG picture \"%s\": %s";
const char* const SMetafile = "Metafile pictures (WMF, EMF) cannot be shown on this system: \"%s\"";
const char* const SUnsupported = "Unsupported picture type: \"%s\"";
const char* const SDamaged = "Cannot read picture \"%s\"";
const char* const SCannotOpen = "Cannot open file \"%s\"";

// libjpeg reports fatal errors through error_exit, which must not return: jump back.
struct TJpegErrorManager {
    jpeg_error_mgr Public;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr Info) {
    auto* manager = reinterpret_cast<TJpegErrorManager*>(Info->err);
    (*Info->err->format_message)(Info, manager->Message);
    std::longjmp(manager->Jump, 1);
}

void JpegOutputMessage(j_common_ptr) {}

} // namespace

TPictureKind PictureKindOf(const std::string& FileName) {
    std::string ext = TMFS::ExtractExt(TMFS::NormalizeSlashes(FileName));
    if (!ext.empty() && ext[0] == '.')
        ext.erase(0, 1);
    if (SameTextCaseBlind(ext, "bmp"))
        return TPictureKind::Bitmap;
    if (SameTextCaseBlind(ext, "ico"))
        return TPictureKind::Icon;
    if (SameTextCaseBlind(ext, "jpg") || SameTextCaseBlind(ext, "jpeg"))
        return TPictureKind::Jpeg;
    if (SameTextCaseBlind(ext, "wmf") || SameTextCaseBlind(ext, "emf"))
        return TPictureKind::Metafile;
    return TPictureKind::Unknown;
}

QImage DecodeJpeg(const std::string& Bytes, const std::string& Name) {
    jpeg_decompress_struct info;
    TJpegErrorManager errors;
    info.err = jpeg_std_error(&errors.Public);
    errors.Public.error_exit = JpegErrorExit;
    errors.Public.output_message = JpegOutputMessage;
    // Everything the jump may cross is set up before setjmp and has no destructor.
    QImage* result = new QImage();
    if (setjmp(errors.Jump)) {
        jpeg_destroy_decompress(&info);
        delete result;
        throw EPictureError(Format(SJpegError, Name, std::string(errors.Message)));
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(Bytes.data()),
                 static_cast<unsigned long>(Bytes.size()));
    jpeg_read_header(&info, TRUE);
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK)
        info.out_color_space = JCS_CMYK;
    else
        info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    const int width = static_cast<int>(info.output_width);
    const int height = static_cast<int>(info.output_height);
    *result = QImage(width, height, QImage::Format_RGB32);
    if (result->isNull()) {
        jpeg_destroy_decompress(&info);
        delete result;
        throw EPictureError(Format(SJpegError, Name, std::string("the picture is too large")));
    }
    const int components = info.output_components;
    unsigned char* row = new unsigned char[static_cast<size_t>(width) * static_cast<size_t>(components)];
    while (info.output_scanline < info.output_height) {
        const int y = static_cast<int>(info.output_scanline);
        JSAMPROW rows[1] = {row};
        jpeg_read_scanlines(&info, rows, 1);
        auto* line = reinterpret_cast<QRgb*>(result->scanLine(y));
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = row + static_cast<size_t>(x) * static_cast<size_t>(components);
            if (components == 4) {
                // Adobe writes inverted CMYK; the common case for JPEG files.
                const int k = p[3];
                line[x] = qRgb(p[0] * k / 255, p[1] * k / 255, p[2] * k / 255);
            } else {
                line[x] = qRgb(p[0], p[1], p[2]);
            }
        }
    }
    delete[] row;
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    QImage picture = std::move(*result);
    delete result;
    return picture;
}

QImage ReadPicture(const std::string& Bytes, const std::string& Name) {
    const TPictureKind kind = PictureKindOf(Name);
    QImage picture;
    switch (kind) {
    case TPictureKind::Jpeg:
        return DecodeJpeg(Bytes, Name);
    case TPictureKind::Metafile:
        throw EPictureError(Format(SMetafile, Name));
    case TPictureKind::Unknown:
        throw EPictureError(Format(SUnsupported, Name));
    case TPictureKind::Bitmap:
        picture.loadFromData(reinterpret_cast<const uchar*>(Bytes.data()), static_cast<int>(Bytes.size()), "BMP");
        break;
    case TPictureKind::Icon:
        picture.loadFromData(reinterpret_cast<const uchar*>(Bytes.data()), static_cast<int>(Bytes.size()), "ICO");
        break;
    }
    if (picture.isNull())
        throw EPictureError(Format(SDamaged, Name));
    return picture;
}

QImage LoadPictureFile(const std::string& FileName) {
    std::ifstream in(FileName, std::ios::binary);
    if (!in)
        throw EPictureError(Format(SCannotOpen, FileName));
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return ReadPicture(bytes.str(), FileName);
}

std::string BitmapFileBytes(const QImage& Picture, bool KeepAlpha) {
    const bool alpha = KeepAlpha && Picture.hasAlphaChannel();
    const QImage converted = Picture.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB888);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    converted.save(&buffer, "BMP");
    return bytes.toStdString();
}
