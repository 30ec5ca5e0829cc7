#include "w_Pictures.h"

#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

HBITMAP LoadBookPicture(const std::string& Data) {
    if (Data.empty())
        return nullptr;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, Data.size());
    if (!memory)
        return nullptr;
    std::memcpy(GlobalLock(memory), Data.data(), Data.size());
    GlobalUnlock(memory);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
        GlobalFree(memory);
        return nullptr;
    }
    IPicture* picture = nullptr;
    HBITMAP copy = nullptr;
    if (SUCCEEDED(OleLoadPicture(stream, LONG(Data.size()), FALSE, IID_IPicture, reinterpret_cast<void**>(&picture)))) {
        SHORT type = 0;
        OLE_HANDLE handle = 0;
        if (SUCCEEDED(picture->get_Type(&type)) && type == PICTYPE_BITMAP && SUCCEEDED(picture->get_Handle(&handle)))
            copy = static_cast<HBITMAP>(
                CopyImage(reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(handle)), IMAGE_BITMAP, 0, 0, 0));
        picture->Release();
    }
    stream->Release();
    return copy;
}

HBITMAP LoadBookPictureFitted(const std::string& Data, int Width, int Height) {
    HBITMAP source = LoadBookPicture(Data);
    if (!source)
        return nullptr;
    BITMAP info{};
    GetObjectW(source, sizeof info, &info);
    BITMAPINFO header{};
    header.bmiHeader.biSize = sizeof header.bmiHeader;
    header.bmiHeader.biWidth = Width;
    header.bmiHeader.biHeight = -Height;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP fitted = CreateDIBSection(screen, &header, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (fitted && info.bmWidth > 0 && info.bmHeight > 0) {
        const double scale = std::min(double(Width) / info.bmWidth, double(Height) / info.bmHeight);
        const int w = std::max(1, int(info.bmWidth * scale)), h = std::max(1, int(info.bmHeight * scale));
        HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
        HGDIOBJ oldFrom = SelectObject(from, source), oldTo = SelectObject(to, fitted);
        SetStretchBltMode(to, HALFTONE);
        StretchBlt(to, (Width - w) / 2, (Height - h) / 2, w, h, from, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
        GdiFlush();
        // The picture is opaque; the ground around it stays transparent.
        auto* pixel = static_cast<uint32_t*>(bits);
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                if (x >= (Width - w) / 2 && x < (Width - w) / 2 + w && y >= (Height - h) / 2 &&
                    y < (Height - h) / 2 + h)
                    pixel[y * Width + x] |= 0xFF000000u;
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
        DeleteDC(from);
        DeleteDC(to);
    }
    ReleaseDC(nullptr, screen);
    DeleteObject(source);
    return fitted;
}

HICON LoadBookIcon(const std::string& IconFile, int Size) {
    // An icon file: a 6-byte header (0, 1, count) and 16-byte entries (width, height,
    // ..., size at 8, offset at 12), each entry's image at its offset.
    const auto* p = reinterpret_cast<const unsigned char*>(IconFile.data());
    if (IconFile.size() < 6 || p[0] || p[1] || p[2] != 1 || p[3])
        return nullptr;
    const size_t count = size_t(p[4]) | size_t(p[5]) << 8;
    auto u32 = [&](size_t at) { return uint32_t(p[at]) | uint32_t(p[at + 1]) << 8 | uint32_t(p[at + 2]) << 16 |
                                       uint32_t(p[at + 3]) << 24; };
    int best = -1, bestScore = 1 << 30;
    for (size_t i = 0; i < count && 6 + 16 * (i + 1) <= IconFile.size(); ++i) {
        const size_t entry = 6 + 16 * i;
        const int width = p[entry] ? p[entry] : 256;
        const uint64_t size = u32(entry + 8), offset = u32(entry + 12);
        if (size == 0 || offset + size > IconFile.size())
            continue;
        // The nearest size, a larger one preferred to a smaller one.
        const int score = width >= Size ? width - Size : 1000 + Size - width;
        if (score < bestScore) {
            bestScore = score;
            best = int(i);
        }
    }
    if (best < 0)
        return nullptr;
    const size_t entry = 6 + 16 * size_t(best);
    return CreateIconFromResourceEx(const_cast<PBYTE>(p + u32(entry + 12)), u32(entry + 8), TRUE, 0x00030000, Size,
                                    Size, LR_DEFAULTCOLOR);
}
