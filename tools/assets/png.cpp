// PNG and ICO encoding for the icons and the film's frames: our own deflate, so the bytes never change.
#include "png.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

namespace frostel_assets {

namespace {

uint8_t channel(float v)
{
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return static_cast<uint8_t>(std::lround(v * 255.0f));
}

void putBe32(Bytes &out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void putLe16(Bytes &out, unsigned v)
{
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

void putLe32(Bytes &out, uint32_t v)
{
    putLe16(out, v & 0xFFFF);
    putLe16(out, v >> 16);
}

uint32_t crc32(const uint8_t *data, size_t size, uint32_t crc = 0)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

// Bits go out least significant first; Huffman codes are given most significant first and reversed here.
class BitWriter {
public:
    explicit BitWriter(Bytes &out) : out_(out) { }
    void bits(uint32_t value, int count)
    {
        for (int i = 0; i < count; ++i) bit((value >> i) & 1u);
    }
    void code(uint32_t code, int length)
    {
        for (int i = length - 1; i >= 0; --i) bit((code >> i) & 1u);
    }
    void flush()
    {
        if (used_ > 0) out_.push_back(current_);
        current_ = 0;
        used_ = 0;
    }

private:
    void bit(uint32_t b)
    {
        current_ = static_cast<uint8_t>(current_ | (b << used_));
        if (++used_ == 8) flush();
    }
    Bytes &out_;
    uint8_t current_ = 0;
    int used_ = 0;
};

void literalOrLength(BitWriter &w, unsigned symbol)
{
    if (symbol < 144)
        w.code(0x30 + symbol, 8);
    else if (symbol < 256)
        w.code(0x190 + (symbol - 144), 9);
    else if (symbol < 280)
        w.code(symbol - 256, 7);
    else
        w.code(0xC0 + (symbol - 280), 8);
}

const unsigned kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const int kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const unsigned kDistanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                    33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const int kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void match(BitWriter &w, unsigned length, unsigned distance)
{
    int l = 28;
    while (kLengthBase[l] > length) --l;
    literalOrLength(w, 257 + static_cast<unsigned>(l));
    w.bits(length - kLengthBase[l], kLengthExtra[l]);
    int d = 29;
    while (kDistanceBase[d] > distance) --d;
    w.code(static_cast<uint32_t>(d), 5);
    w.bits(distance - kDistanceBase[d], kDistanceExtra[d]);
}

Bytes chunk(const char type[4], const Bytes &data)
{
    Bytes out;
    putBe32(out, static_cast<uint32_t>(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    putBe32(out, crc32(body.data(), body.size()));
    return out;
}

}  // namespace

Bytes zlibCompress(const Bytes &data)
{
    constexpr size_t kWindow = 32768, kMinMatch = 3, kMaxMatch = 258, kHashSize = 1 << 15, kChainLimit = 32;
    Bytes out = {0x78, 0x01};
    BitWriter w(out);
    w.bits(1, 1);  // the last block
    w.bits(1, 2);  // fixed codes
    const size_t none = SIZE_MAX;
    std::vector<size_t> head(kHashSize, none), previous(data.size(), none);
    auto hashAt = [&](size_t i) { return ((data[i] << 10) ^ (data[i + 1] << 5) ^ data[i + 2]) & (kHashSize - 1); };
    auto insert = [&](size_t i) {
        if (i + kMinMatch > data.size()) return;
        const size_t h = hashAt(i);
        previous[i] = head[h];
        head[h] = i;
    };
    size_t i = 0;
    while (i < data.size()) {
        size_t bestLength = 0, bestDistance = 0;
        if (i + kMinMatch <= data.size()) {
            size_t candidate = head[hashAt(i)];
            for (size_t tries = 0; candidate != none && i - candidate <= kWindow && tries < kChainLimit; ++tries) {
                size_t length = 0;
                const size_t limit = std::min(kMaxMatch, data.size() - i);
                while (length < limit && data[candidate + length] == data[i + length]) ++length;
                if (length > bestLength) {
                    bestLength = length;
                    bestDistance = i - candidate;
                    if (length == limit) break;
                }
                candidate = previous[candidate];
            }
        }
        if (bestLength >= kMinMatch) {
            match(w, static_cast<unsigned>(bestLength), static_cast<unsigned>(bestDistance));
            for (size_t k = 0; k < bestLength; ++k) insert(i + k);
            i += bestLength;
        } else {
            literalOrLength(w, data[i]);
            insert(i);
            ++i;
        }
    }
    literalOrLength(w, 256);
    w.flush();
    uint32_t a = 1, b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521u;
        b = (b + a) % 65521u;
    }
    putBe32(out, (b << 16) | a);
    return out;
}

Bytes encodePng(const Image &image, bool alpha)
{
    const int w = image.width(), h = image.height(), channels = alpha ? 4 : 3;
    if (w < 1 || h < 1) throw std::invalid_argument("PNG size out of range");
    Bytes rows;
    rows.reserve(static_cast<size_t>(h) * (1 + static_cast<size_t>(w) * channels));
    for (int y = 0; y < h; ++y) {
        rows.push_back(1);  // Sub: each byte less the same channel of the pixel to its left
        uint8_t left[4] = {0, 0, 0, 0};
        for (int x = 0; x < w; ++x) {
            const Color &c = image.at(x, y);
            const uint8_t px[4] = {channel(c.r), channel(c.g), channel(c.b), channel(c.a)};
            for (int k = 0; k < channels; ++k) {
                rows.push_back(static_cast<uint8_t>(px[k] - left[k]));
                left[k] = px[k];
            }
        }
    }
    Bytes header;
    putBe32(header, static_cast<uint32_t>(w));
    putBe32(header, static_cast<uint32_t>(h));
    header.insert(header.end(), {8, static_cast<uint8_t>(alpha ? 6 : 2), 0, 0, 0});
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const Bytes &c : {chunk("IHDR", header), chunk("IDAT", zlibCompress(rows)), chunk("IEND", {})})
        out.insert(out.end(), c.begin(), c.end());
    return out;
}

Bytes encodeIco(const std::vector<Image> &images)
{
    std::vector<Bytes> bodies;
    for (const Image &image : images) {
        const int n = image.width();
        if (n != image.height() || n < 1 || n > 256)
            throw std::invalid_argument("icon images must be square, 1 to 256");
        if (n == 256) {
            bodies.push_back(encodePng(image));
            continue;
        }
        Bytes dib;
        const size_t maskRow = ((static_cast<size_t>(n) + 31) / 32) * 4;
        putLe32(dib, 40);
        putLe32(dib, static_cast<uint32_t>(n));
        putLe32(dib, static_cast<uint32_t>(2 * n));  // colour rows, then as many mask rows
        putLe16(dib, 1);
        putLe16(dib, 32);
        putLe32(dib, 0);
        putLe32(dib, static_cast<uint32_t>(static_cast<size_t>(n) * n * 4 + maskRow * n));
        for (int k = 0; k < 4; ++k) putLe32(dib, 0);
        for (int y = n - 1; y >= 0; --y)
            for (int x = 0; x < n; ++x) {
                const Color &c = image.at(x, y);
                dib.insert(dib.end(), {channel(c.b), channel(c.g), channel(c.r), channel(c.a)});
            }
        for (int y = n - 1; y >= 0; --y) {
            Bytes row(maskRow, 0);
            for (int x = 0; x < n; ++x)
                if (channel(image.at(x, y).a) == 0) row[x / 8] = static_cast<uint8_t>(row[x / 8] | (0x80 >> (x % 8)));
            dib.insert(dib.end(), row.begin(), row.end());
        }
        bodies.push_back(dib);
    }
    Bytes out;
    putLe16(out, 0);
    putLe16(out, 1);
    putLe16(out, static_cast<unsigned>(images.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        const int n = images[i].width();
        out.push_back(static_cast<uint8_t>(n == 256 ? 0 : n));
        out.push_back(static_cast<uint8_t>(n == 256 ? 0 : n));
        out.push_back(0);  // no palette
        out.push_back(0);
        putLe16(out, 1);
        putLe16(out, 32);
        putLe32(out, static_cast<uint32_t>(bodies[i].size()));
        putLe32(out, offset);
        offset += static_cast<uint32_t>(bodies[i].size());
    }
    for (const Bytes &body : bodies) out.insert(out.end(), body.begin(), body.end());
    return out;
}

}  // namespace frostel_assets
