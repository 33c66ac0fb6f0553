// Draws the program's pictures at build time: the ten pattern pictures of the configuration
// dialog (64 x 32, 1 bit per pixel, black on white) and the program icon (32 x 32, 16 colours).
// Usage: clackmoor-art OUTDIR  -> OUTDIR/pattern117.bmp .. pattern126.bmp, OUTDIR/clackmoor.ico
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int transparent = -1;

// A small paletted raster; shapes cover a pixel when most of its 4 x 4 samples fall inside.
struct Canvas {
    int width, height;
    std::vector<int> pixels;
};

Canvas makeCanvas(int width, int height, int fill) {
    return Canvas{width, height, std::vector<int>(size_t(width * height), fill)};
}

template <typename Inside> void paint(Canvas& c, int colour, Inside inside) {
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx)
                    hits += inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4);
            if (hits >= 8)
                c.pixels[size_t(y * c.width + x)] = colour;
        }
}

void disc(Canvas& c, double cx, double cy, double r, int colour) {
    paint(c, colour,
          [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; });
}

// A stroke of the given width (pixels) from (x0,y0) to (x1,y1).
void stroke(Canvas& c, double x0, double y0, double x1, double y1, double width, int colour) {
    paint(c, colour, [=](double x, double y) {
        const double dx = x1 - x0, dy = y1 - y0;
        double t = ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy);
        t = t < 0 ? 0 : t > 1 ? 1 : t;
        const double ex = x0 + t * dx - x, ey = y0 + t * dy - y;
        return ex * ex + ey * ey <= width * width / 4;
    });
}

// Five balls hang from pivots along the rail; a raised ball swings out on its own string
// by `swing` radians, the raised balls of one side together so they stay touching.
struct CradleLayout {
    double pivotX0, pivotY, spacing, stringLength, radius, swing;
};

void ballCentre(const CradleLayout& l, int ball, int left, int right, double& x, double& y) {
    double angle = 0;
    if (ball < left)
        angle = -l.swing;
    else if (ball >= 5 - right)
        angle = l.swing;
    x = l.pivotX0 + ball * l.spacing + l.stringLength * std::sin(angle);
    y = l.pivotY + l.stringLength * std::cos(angle);
}

Canvas patternPicture(int left, int right) {
    Canvas c = makeCanvas(64, 32, 1); // white
    // Pixel centres sit on half units, so a hanging string is one column and a ball is round.
    const CradleLayout l = {17.5, 2.5, 7, 21, 3.5, 0.72};
    stroke(c, 1, 1.5, 63, 1.5, 2, 0); // the top rail, rows 0 and 1
    for (int ball = 0; ball < 5; ++ball) {
        double x, y;
        ballCentre(l, ball, left, right, x, y);
        stroke(c, l.pivotX0 + ball * l.spacing, l.pivotY, x, y, 1, 0);
        disc(c, x, y, l.radius, 0);
    }
    return c;
}

// The icon: a stand of two posts, a rail and a base, four balls at rest and the left one
// swung out. Colours are indices into the standard 16-colour palette.
Canvas iconPicture() {
    enum { black = 0, darkRed = 1, silver = 7, grey = 8, white = 15 };
    Canvas c = makeCanvas(32, 32, transparent);
    stroke(c, 0, 29, 32, 29, 4, darkRed); // base, rows 27 to 30
    stroke(c, 1, 3, 1, 27, 2, grey);      // posts, columns 0-1 and 30-31
    stroke(c, 31, 3, 31, 27, 2, grey);
    stroke(c, 0, 3, 32, 3, 2, black); // rail, rows 2 and 3
    // The swung ball moves out one ball width (5 pixels), in front of the post.
    const CradleLayout l = {8.5, 4, 5, 15.5, 2.6, std::asin(5 / 15.5)};
    for (int ball = 0; ball < 5; ++ball) {
        double x, y;
        ballCentre(l, ball, 1, 0, x, y);
        stroke(c, l.pivotX0 + ball * l.spacing, l.pivotY, x, y, 1, black);
        disc(c, x, y, l.radius, black);
        disc(c, x, y, l.radius - 0.9, silver);
        disc(c, x - 0.7, y - 0.7, 0.7, white);
    }
    return c;
}

void put16(std::vector<uint8_t>& out, unsigned v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// BITMAPINFOHEADER; `height` is doubled for icons (colour image plus mask).
void putInfoHeader(std::vector<uint8_t>& out, int width, int height, int bits, int colours,
                   uint32_t imageSize) {
    put32(out, 40);
    put32(out, uint32_t(width));
    put32(out, uint32_t(height));
    put16(out, 1);
    put16(out, unsigned(bits));
    put32(out, 0); // BI_RGB
    put32(out, imageSize);
    put32(out, 2835); // 72 dpi
    put32(out, 2835);
    put32(out, uint32_t(colours));
    put32(out, 0);
}

// Rows bottom-up, each padded to 4 bytes; `bitOf` gives a pixel's palette index.
template <typename Index>
void putRows(std::vector<uint8_t>& out, const Canvas& c, int bits, Index indexOf) {
    const int rowBytes = ((c.width * bits + 31) / 32) * 4;
    for (int y = c.height - 1; y >= 0; --y) {
        std::vector<uint8_t> row(size_t(rowBytes), 0);
        for (int x = 0; x < c.width; ++x) {
            const unsigned v = indexOf(c.pixels[size_t(y * c.width + x)]);
            const int bit = x * bits;
            row[size_t(bit / 8)] |= uint8_t(v << (8 - bits - bit % 8));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
}

std::vector<uint8_t> bitmapFile(const Canvas& c) {
    std::vector<uint8_t> image;
    putRows(image, c, 1, [](int p) { return unsigned(p); });
    std::vector<uint8_t> out = {'B', 'M'};
    const uint32_t offset = 14 + 40 + 2 * 4;
    put32(out, offset + uint32_t(image.size()));
    put32(out, 0);
    put32(out, offset);
    putInfoHeader(out, c.width, c.height, 1, 2, uint32_t(image.size()));
    put32(out, 0x000000); // index 0 black
    put32(out, 0xFFFFFF); // index 1 white
    out.insert(out.end(), image.begin(), image.end());
    return out;
}

// The standard 16-colour palette, as 0xRRGGBB.
const uint32_t vgaPalette[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                 0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

std::vector<uint8_t> iconFile(const Canvas& c) {
    std::vector<uint8_t> image;
    putInfoHeader(image, c.width, 2 * c.height, 4, 0, 0);
    for (uint32_t rgb : vgaPalette)
        put32(image, rgb); // stored as B, G, R, 0
    putRows(image, c, 4, [](int p) { return p == transparent ? 0u : unsigned(p); });
    putRows(image, c, 1, [](int p) { return p == transparent ? 1u : 0u; }); // AND mask
    std::vector<uint8_t> out;
    put16(out, 0); // ICONDIR: reserved, type 1 (icon), one image
    put16(out, 1);
    put16(out, 1);
    out.push_back(uint8_t(c.width));
    out.push_back(uint8_t(c.height));
    out.push_back(16); // colours
    out.push_back(0);
    put16(out, 1); // planes
    put16(out, 4); // bits per pixel
    put32(out, uint32_t(image.size()));
    put32(out, 6 + 16);
    out.insert(out.end(), image.begin(), image.end());
    return out;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// The dialog's pictures by resource id: balls raised on the left and on the right.
struct PatternPicture {
    int resourceId, left, right;
};
const PatternPicture patternPictures[10] = {
    {117, 2, 0}, {118, 4, 0}, {119, 1, 1}, {120, 1, 0}, {121, 3, 1},
    {122, 3, 2}, {123, 3, 0}, {124, 2, 1}, {125, 2, 2}, {126, 4, 1},
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: clackmoor-art OUTDIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    for (const PatternPicture& p : patternPictures) {
        const std::string path = dir + "/pattern" + std::to_string(p.resourceId) + ".bmp";
        if (!writeFile(path, bitmapFile(patternPicture(p.left, p.right)))) {
            std::fprintf(stderr, "clackmoor-art: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    if (!writeFile(dir + "/clackmoor.ico", iconFile(iconPicture()))) {
        std::fprintf(stderr, "clackmoor-art: cannot write %s/clackmoor.ico\n", dir.c_str());
        return 1;
    }
    return 0;
}
