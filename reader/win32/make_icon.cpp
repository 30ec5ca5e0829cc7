// Draws the reader program's icon, an open book under a glowing lamp on a blue tile,
// at several sizes and writes them as one icon file (32-bit images with alpha and
// the AND mask). Run by the build; the drawing is the artwork's source.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Color {
    double r, g, b, a;
};

// Colour over colour, straight alpha.
Color Over(Color top, Color under) {
    const double a = top.a + under.a * (1 - top.a);
    if (a <= 0)
        return {0, 0, 0, 0};
    auto mix = [&](double t, double u) { return (t * top.a + u * under.a * (1 - top.a)) / a; };
    return {mix(top.r, under.r), mix(top.g, under.g), mix(top.b, under.b), a};
}

double Clamp01(double v) {
    return std::clamp(v, 0.0, 1.0);
}

// Signed distance to a rounded box centred at (cx, cy) with half sizes (hx, hy).
double RoundBox(double x, double y, double cx, double cy, double hx, double hy, double r) {
    const double qx = std::fabs(x - cx) - hx + r, qy = std::fabs(y - cy) - hy + r;
    const double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0) - r;
}

// The picture at a point of the unit square (0..1, y downwards).
Color Paint(double x, double y) {
    Color c{0, 0, 0, 0};
    // Tile: deep blue, lighter towards the top.
    if (RoundBox(x, y, 0.5, 0.5, 0.47, 0.47, 0.12) < 0) {
        const double t = y;
        c = {0.10 + 0.08 * (1 - t), 0.20 + 0.12 * (1 - t), 0.45 + 0.15 * (1 - t), 1};
    }
    // Glow of the lamp.
    const double gd = std::hypot(x - 0.5, y - 0.30);
    c = Over({1.0, 0.85, 0.35, 0.65 * Clamp01(1 - gd / 0.30)}, c);
    // The lamp itself: a bright disc.
    if (gd < 0.085)
        c = Over({1.0, 0.95, 0.70, 1}, c);
    // Open book: two pages that rise towards the outer edges, a spine in the middle.
    const double spread = std::fabs(x - 0.5);
    const double top = 0.55 - 0.07 * (spread / 0.36), bottom = 0.82 - 0.04 * (spread / 0.36);
    if (spread < 0.36 && y > top && y < bottom) {
        const double shade = 0.92 + 0.08 * (spread / 0.36);
        c = Over({shade, shade * 0.97, shade * 0.88, 1}, c);
        // Text lines on the pages.
        const double line = std::fmod((y - top) / (bottom - top) * 5.0, 1.0);
        if (spread > 0.06 && spread < 0.30 && line > 0.55 && line < 0.75 && y < bottom - 0.04)
            c = Over({0.55, 0.55, 0.62, 0.8}, c);
        if (spread < 0.012)
            c = Over({0.45, 0.35, 0.25, 1}, c);
    }
    return c;
}

std::string Image(int size) {
    const int ss = 8; // samples per pixel and axis
    std::vector<Color> px(static_cast<size_t>(size * size));
    for (int py = 0; py < size; ++py)
        for (int pxl = 0; pxl < size; ++pxl) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < ss; ++sy)
                for (int sx = 0; sx < ss; ++sx) {
                    const Color c = Paint((pxl + (sx + 0.5) / ss) / size, (py + (sy + 0.5) / ss) / size);
                    r += c.r * c.a;
                    g += c.g * c.a;
                    b += c.b * c.a;
                    a += c.a;
                }
            const Color out = a > 0 ? Color{r / a, g / a, b / a, a / (ss * ss)} : Color{0, 0, 0, 0};
            px[static_cast<size_t>(py * size + pxl)] = out;
        }
    std::string bmp;
    auto put16 = [&](uint32_t v) {
        bmp.push_back(static_cast<char>(v));
        bmp.push_back(static_cast<char>(v >> 8));
    };
    auto put32 = [&](uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    const uint32_t maskRow = static_cast<uint32_t>((size + 31) / 32 * 4);
    put32(40);
    put32(static_cast<uint32_t>(size));
    put32(static_cast<uint32_t>(size * 2)); // colour image and mask
    put16(1);
    put16(32);
    put32(0);
    put32(static_cast<uint32_t>(size * size * 4) + maskRow * static_cast<uint32_t>(size));
    for (int i = 0; i < 4; ++i)
        put32(0);
    for (int py = size - 1; py >= 0; --py) // bottom-up
        for (int pxl = 0; pxl < size; ++pxl) {
            const Color& c = px[static_cast<size_t>(py * size + pxl)];
            auto byte = [](double v) { return static_cast<char>(std::lround(Clamp01(v) * 255)); };
            bmp.push_back(byte(c.b));
            bmp.push_back(byte(c.g));
            bmp.push_back(byte(c.r));
            bmp.push_back(byte(c.a));
        }
    for (int py = size - 1; py >= 0; --py) {
        std::string row(maskRow, '\0');
        for (int pxl = 0; pxl < size; ++pxl)
            if (px[static_cast<size_t>(py * size + pxl)].a < 0.5 / 255)
                row[static_cast<size_t>(pxl / 8)] |= static_cast<char>(0x80 >> (pxl % 8));
        bmp += row;
    }
    return bmp;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.ico\n", argv[0]);
        return 2;
    }
    const int sizes[] = {16, 24, 32, 48, 64};
    std::vector<std::string> images;
    for (int s : sizes)
        images.push_back(Image(s));
    std::string ico;
    auto put16 = [&](uint32_t v) {
        ico.push_back(static_cast<char>(v));
        ico.push_back(static_cast<char>(v >> 8));
    };
    put16(0);
    put16(1);
    put16(static_cast<uint32_t>(images.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        ico.push_back(static_cast<char>(sizes[i]));
        ico.push_back(static_cast<char>(sizes[i]));
        ico.push_back(0); // colours
        ico.push_back(0);
        put16(1);  // planes
        put16(32); // bits per pixel
        const uint32_t n = static_cast<uint32_t>(images[i].size());
        put16(n & 0xFFFF);
        put16(n >> 16);
        put16(offset & 0xFFFF);
        put16(offset >> 16);
        offset += n;
    }
    for (const std::string& img : images)
        ico += img;
    FILE* f = std::fopen(argv[1], "wb");
    if (!f || std::fwrite(ico.data(), 1, ico.size(), f) != ico.size() || std::fclose(f) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
