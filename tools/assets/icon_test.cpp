// Tests for the icon and picture encoders, read back with zlib's own inflate and CRC, and for the icon drawing.
#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string>

#include "icon.h"
#include "noise.h"
#include "png.h"

using namespace frostel_assets;

namespace {

uint32_t be32(const Bytes &b, size_t at)
{
    return (uint32_t(b.at(at)) << 24) | (uint32_t(b.at(at + 1)) << 16) | (uint32_t(b.at(at + 2)) << 8) | b.at(at + 3);
}
unsigned le16(const Bytes &b, size_t at) { return b.at(at) | (b.at(at + 1) << 8); }
uint32_t le32(const Bytes &b, size_t at) { return le16(b, at) | (uint32_t(le16(b, at + 2)) << 16); }

uint8_t byteOf(float v) { return static_cast<uint8_t>(std::lround(std::min(1.0f, std::max(0.0f, v)) * 255.0f)); }

Bytes inflate(const Bytes &compressed, size_t expectedSize)
{
    Bytes out(expectedSize + 16);
    uLongf size = static_cast<uLongf>(out.size());
    const int result = uncompress(out.data(), &size, compressed.data(), static_cast<uLong>(compressed.size()));
    EXPECT_EQ(result, Z_OK) << "zlib refused the stream";
    out.resize(result == Z_OK ? size : 0);
    return out;
}

void expectRoundTrip(const Bytes &data)
{
    const Bytes compressed = zlibCompress(data);
    EXPECT_EQ(inflate(compressed, data.size()), data);
}

struct Png {
    uint32_t width = 0, height = 0;
    int colourType = -1;
    Bytes rows;  // unfiltered, no filter bytes
};

// Walks the chunks, checks every CRC with zlib's, inflates the image data and undoes the filters.
Png decodePng(const Bytes &b)
{
    Png png;
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_EQ(0, std::memcmp(b.data(), signature, 8));
    Bytes idat;
    std::vector<std::string> order;
    for (size_t at = 8; at + 12 <= b.size();) {
        const uint32_t length = be32(b, at);
        const std::string type(b.begin() + at + 4, b.begin() + at + 8);
        order.push_back(type);
        const uint32_t crc = static_cast<uint32_t>(::crc32(0, b.data() + at + 4, length + 4));
        EXPECT_EQ(be32(b, at + 8 + length), crc) << "CRC of " << type;
        if (type == "IHDR") {
            png.width = be32(b, at + 8);
            png.height = be32(b, at + 12);
            EXPECT_EQ(b.at(at + 16), 8) << "bit depth";
            png.colourType = b.at(at + 17);
            EXPECT_EQ(b.at(at + 18), 0);
            EXPECT_EQ(b.at(at + 19), 0);
            EXPECT_EQ(b.at(at + 20), 0) << "not interlaced";
        }
        if (type == "IDAT") idat.insert(idat.end(), b.begin() + at + 8, b.begin() + at + 8 + length);
        at += 12 + length;
    }
    EXPECT_EQ(order, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    const size_t channels = png.colourType == 6 ? 4 : 3, stride = png.width * channels;
    const Bytes raw = inflate(idat, png.height * (stride + 1));
    if (raw.size() != png.height * (stride + 1)) return png;
    for (uint32_t y = 0; y < png.height; ++y) {
        const uint8_t filter = raw[y * (stride + 1)];
        EXPECT_LE(filter, 1) << "only None and Sub are expected";
        for (size_t i = 0; i < stride; ++i) {
            uint8_t v = raw[y * (stride + 1) + 1 + i];
            if (filter == 1 && i >= channels) v = static_cast<uint8_t>(v + png.rows[y * stride + i - channels]);
            png.rows.push_back(v);
        }
    }
    return png;
}

Image pattern(int w, int h)
{
    Image image(w, h);
    Rng rng(7);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.at(x, y) = {rng.uniform(), x < w / 2 ? 0.5f : rng.uniform(), float(y) / float(h), rng.uniform()};
    return image;
}

// Pixel at a point of the unit square, y down, as the 256-pixel icon has it.
const Color &iconAt(const Image &icon, float x, float y)
{
    return icon.at(static_cast<int>(x * float(icon.width())), static_cast<int>(y * float(icon.height())));
}

}  // namespace

// ---- deflate ---------------------------------------------------------------

TEST(Deflate, RoundTripsThroughZlibFromEmptyToLongRunsAndNoise)
{
    expectRoundTrip({});
    expectRoundTrip({42});
    expectRoundTrip(Bytes(100000, 0));  // runs far longer than the longest match
    Rng rng(3);
    Bytes noise(70000);
    for (uint8_t &v : noise) v = static_cast<uint8_t>(rng.next());
    expectRoundTrip(noise);
    Bytes text;
    for (int i = 0; i < 5000; ++i) text.push_back(static_cast<uint8_t>("snow falls on the fir "[i % 22]));
    expectRoundTrip(text);
}

TEST(Deflate, MatchesAtTheWindowsEdgeAndBeyondIt)
{
    Rng rng(11);
    for (size_t gap : {32768u - 300u, 32768u - 258u, 32768u - 3u, 32768u, 32769u, 40000u}) {
        Bytes block(300);
        for (uint8_t &v : block) v = static_cast<uint8_t>(rng.next());
        Bytes data = block;
        data.resize(gap, 0x55);
        data.insert(data.end(), block.begin(), block.end());
        SCOPED_TRACE(gap);
        expectRoundTrip(data);
    }
}

TEST(Deflate, ShrinksWhatRepeats) { EXPECT_LT(zlibCompress(Bytes(100000, 7)).size(), 1000u); }

// ---- PNG --------------------------------------------------------------------

TEST(PngEncoding, HoldsEveryPixelWithAlphaAsZlibReadsIt)
{
    const Image image = pattern(37, 5);
    const Png png = decodePng(encodePng(image));
    ASSERT_EQ(png.width, 37u);
    ASSERT_EQ(png.height, 5u);
    ASSERT_EQ(png.colourType, 6);
    ASSERT_EQ(png.rows.size(), 37u * 5u * 4u);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 37; ++x) {
            const Color &c = image.at(x, y);
            const uint8_t *p = &png.rows[(size_t(y) * 37 + x) * 4];
            EXPECT_EQ(p[0], byteOf(c.r));
            EXPECT_EQ(p[1], byteOf(c.g));
            EXPECT_EQ(p[2], byteOf(c.b));
            EXPECT_EQ(p[3], byteOf(c.a));
        }
}

TEST(PngEncoding, DropsAlphaWhenAskedAndClampsChannels)
{
    Image image(2, 1);
    image.at(0, 0) = {-1.0f, 2.0f, 0.5f, 0.0f};
    image.at(1, 0) = {1.0f, 0.0f, std::nanf(""), 1.0f};
    const Png png = decodePng(encodePng(image, false));
    ASSERT_EQ(png.colourType, 2);
    EXPECT_EQ(png.rows, (Bytes{0, 255, 128, 255, 0, 0}));
}

TEST(PngEncoding, RefusesAnEmptyImage) { EXPECT_THROW(encodePng(Image(0, 3)), std::invalid_argument); }

// ---- ICO --------------------------------------------------------------------

TEST(IcoEncoding, SmallSizesAreBitmapsWithTheirMaskAnd256IsPng)
{
    Image small = pattern(16, 16);
    small.at(3, 0).a = 0.0f;  // top row, fourth pixel: clear
    small.at(3, 0).r = 0.9f;
    const Image large = pattern(256, 256);
    const Bytes ico = encodeIco({small, large});
    ASSERT_EQ(le16(ico, 0), 0u);
    ASSERT_EQ(le16(ico, 2), 1u);
    ASSERT_EQ(le16(ico, 4), 2u);
    EXPECT_EQ(ico.at(6), 16);
    EXPECT_EQ(ico.at(22), 0) << "256 is written as 0";
    const uint32_t size0 = le32(ico, 6 + 8), offset0 = le32(ico, 6 + 12);
    const uint32_t size1 = le32(ico, 22 + 8), offset1 = le32(ico, 22 + 12);
    EXPECT_EQ(offset0, 6u + 2 * 16);
    EXPECT_EQ(offset1, offset0 + size0);
    EXPECT_EQ(ico.size(), size_t(offset1) + size1);

    // BITMAPINFOHEADER: height counts the colour rows and the mask rows; rows bottom first, BGRA.
    EXPECT_EQ(le32(ico, offset0), 40u);
    EXPECT_EQ(le32(ico, offset0 + 4), 16u);
    EXPECT_EQ(le32(ico, offset0 + 8), 32u);
    EXPECT_EQ(le16(ico, offset0 + 14), 32u);
    EXPECT_EQ(size0, 40u + 16 * 16 * 4 + 16 * 4);
    const size_t pixels = offset0 + 40;
    const Color &topLeft = small.at(0, 0);
    const size_t topRow = pixels + 15 * 16 * 4;
    EXPECT_EQ(ico.at(topRow + 0), byteOf(topLeft.b));
    EXPECT_EQ(ico.at(topRow + 1), byteOf(topLeft.g));
    EXPECT_EQ(ico.at(topRow + 2), byteOf(topLeft.r));
    EXPECT_EQ(ico.at(topRow + 3), byteOf(topLeft.a));
    const size_t mask = pixels + 16 * 16 * 4;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool clear = byteOf(small.at(x, y).a) == 0;
            const bool bit = (ico.at(mask + size_t(15 - y) * 4 + x / 8) >> (7 - x % 8)) & 1;
            EXPECT_EQ(bit, clear) << x << ", " << y;
        }
    EXPECT_EQ(ico.at(mask + 15 * 4), 0x10) << "the clear pixel, fourth of the top row";

    const Bytes png(ico.begin() + offset1, ico.end());
    const Png decoded = decodePng(png);
    EXPECT_EQ(decoded.width, 256u);
}

TEST(IcoEncoding, RefusesImagesItCannotHold)
{
    EXPECT_THROW(encodeIco({Image(16, 8)}), std::invalid_argument);
    EXPECT_THROW(encodeIco({Image(512, 512)}), std::invalid_argument);
}

// ---- the icon ---------------------------------------------------------------

TEST(Icon, IsAFirWithAGoldStarOnANightTileWithClearCorners)
{
    const Image icon = makeIcon(256);
    EXPECT_EQ(iconAt(icon, 0.005f, 0.005f).a, 0.0f) << "corner outside the rounded tile";
    EXPECT_EQ(iconAt(icon, 0.995f, 0.995f).a, 0.0f);
    const Color sky = iconAt(icon, 0.3f, 0.1f);
    EXPECT_EQ(sky.a, 1.0f);
    EXPECT_LT(sky.r + sky.g, sky.b) << "night blue";
    const Color star = iconAt(icon, 0.5f, 0.16f);
    EXPECT_GT(star.r, 0.9f);
    EXPECT_GT(star.g, 0.7f);
    EXPECT_LT(star.b, 0.4f) << "gold";
    const Color needles = iconAt(icon, 0.5f, 0.5f);
    EXPECT_GT(needles.g, needles.r + 0.1f);
    EXPECT_GT(needles.g, needles.b + 0.05f) << "green";
    const Color trunk = iconAt(icon, 0.5f, 0.82f);
    EXPECT_GT(trunk.r, trunk.b) << "brown";
    const Color ground = iconAt(icon, 0.15f, 0.93f);
    EXPECT_GT(ground.r + ground.g + ground.b, 2.5f) << "snow";
}

// A system's mask keeps at least the middle circle of 80 % of the width: every fir pixel (green needles, gold
// star, brown trunk) lies inside it, and the square is opaque to its edges, sky above and snow below.
TEST(Icon, MaskableIsOpaqueWithTheWholeFirInsideTheSafeCircle)
{
    const int size = 192;
    const Image icon = makeIcon(size, true);
    int fir = 0, outside = 0, clear = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const Color c = icon.at(x, y);
            if (c.a < 1.0f) ++clear;
            const bool needles = c.g > c.r + 0.1f && c.g > c.b + 0.05f;
            const bool star = c.r > 0.9f && c.g > 0.7f && c.b < 0.4f;
            const bool trunk = c.r > c.b + 0.1f && c.r < 0.6f && !star;
            if (!needles && !star && !trunk) continue;
            ++fir;
            const float dx = (static_cast<float>(x) + 0.5f) / static_cast<float>(size) - 0.5f;
            const float dy = (static_cast<float>(y) + 0.5f) / static_cast<float>(size) - 0.5f;
            if (dx * dx + dy * dy > 0.4f * 0.4f) ++outside;
        }
    EXPECT_EQ(clear, 0);
    EXPECT_GT(fir, size * size / 10) << "the fir fills its circle";
    EXPECT_EQ(outside, 0) << "fir pixels outside the safe circle";
    for (const float x : {0.002f, 0.5f, 0.998f}) {
        const Color top = iconAt(icon, x, 0.002f), bottom = iconAt(icon, x, 0.998f);
        EXPECT_LT(top.r + top.g, top.b) << "night sky at the top edge, x " << x;
        EXPECT_GT(bottom.r + bottom.g + bottom.b, 2.5f) << "snow at the bottom edge, x " << x;
    }
}

TEST(Icon, EdgesAreSmoothAndSmallSizesStayOpaqueInside)
{
    const Image icon = makeIcon(256);
    std::set<int> alphas;
    for (int x = 0; x < 256; ++x) alphas.insert(byteOf(icon.at(x, 12).a));  // crosses both rounded corners
    EXPECT_GT(alphas.size(), 3u) << "the rounded corners blend into the clear";
    std::vector<int> sizes = iconSizes();
    sizes.insert(sizes.end(), webIconSizes().begin(), webIconSizes().end());
    for (int size : sizes) {
        const Image small = makeIcon(size);
        EXPECT_EQ(small.width(), size);
        EXPECT_EQ(small.at(size / 2, size / 2).a, 1.0f) << size;
    }
}

TEST(Icon, FilesAreEveryThemeSizeTheSvgAndTheIcoTheSameBytesEveryTime)
{
    const std::vector<DataFile> files = makeIconFiles();
    std::set<std::string> names;
    for (const DataFile &f : files) names.insert(f.name);
    std::set<std::string> expected = {"frostel.svg", "frostel.ico"};
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 192, 512})
        expected.insert("frostel-" + std::to_string(size) + ".png");
    for (int size : {192, 512}) expected.insert("frostel-maskable-" + std::to_string(size) + ".png");
    EXPECT_EQ(names, expected);
    const std::vector<DataFile> again = makeIconFiles();
    ASSERT_EQ(again.size(), files.size());
    for (size_t i = 0; i < files.size(); ++i) EXPECT_EQ(again[i].bytes, files[i].bytes) << files[i].name;
    for (const DataFile &f : files) {
        if (f.name.find(".png") == std::string::npos) continue;
        const int size = std::stoi(f.name.substr(f.name.rfind('-') + 1));
        const Png png = decodePng(f.bytes);
        EXPECT_EQ(png.width, unsigned(size));
        EXPECT_EQ(png.height, unsigned(size));
    }
}

TEST(Icon, WindowsIconHoldsItsSizesAsTheThemeDrawsThem)
{
    const std::vector<DataFile> files = makeIconFiles();
    const Bytes *ico = nullptr;
    for (const DataFile &f : files)
        if (f.name == "frostel.ico") ico = &f.bytes;
    ASSERT_NE(ico, nullptr);
    ASSERT_EQ(le16(*ico, 4), 6u);
    const int sizes[] = {16, 24, 32, 48, 64, 256};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(ico->at(6 + 16 * size_t(i)), sizes[i] % 256);
    // The 32-pixel bitmap's middle pixel is the 32-pixel drawing's.
    const uint32_t offset = le32(*ico, 6 + 16 * 2 + 12);
    const Image icon32 = makeIcon(32);
    const Color &c = icon32.at(16, 16);
    const size_t at = offset + 40 + (size_t(31 - 16) * 32 + 16) * 4;
    EXPECT_EQ(ico->at(at + 2), byteOf(c.r));
    EXPECT_EQ(ico->at(at + 1), byteOf(c.g));
    EXPECT_EQ(ico->at(at + 0), byteOf(c.b));
}

TEST(Icon, SvgDrawsTheSameShapesOnA256Grid)
{
    const std::string svg = makeIconSvg();
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find("viewBox=\"0 0 256 256\""), std::string::npos);
    EXPECT_NE(svg.find("fill=\"#ffd34a\""), std::string::npos) << "the gold star";
    EXPECT_NE(svg.find("clip-path=\"url(#tile)\""), std::string::npos);
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
    EXPECT_EQ(svg.find("nan"), std::string::npos);
}
