// Picture decoding from bytes the tests write themselves, following each
// file format's layout: every variant must give back the picture it encodes,
// and damaged or oversized files give no picture, promptly.
#include <gtest/gtest.h>

#include <png.h>

#include <chrono>
#include <functional>
#include <random>

#include "fuzz_findings.h"
#include "graphics/picture_decoder.h"

namespace korva {
namespace {

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF,
                   kBlack = 0xFF000000, kYellow = 0xFFFFFF00;
// The 3 x 2 picture every colour format encodes, top row first; its colours
// have channels of 0 or 255 only, so 5-bit channels carry them exactly.
const std::vector<std::vector<uint32_t>> kPicture = {{kRed, kGreen, kBlue}, {kWhite, kBlack, kYellow}};
const std::vector<uint32_t> kPalette = {kRed, kGreen, kBlue, kWhite, kBlack, kYellow};
// The picture for one-bit formats.
const std::vector<std::vector<uint32_t>> kMono = {{kWhite, kBlack, kWhite}, {kBlack, kBlack, kWhite}};

struct Bytes : std::vector<uint8_t> {
    Bytes& u8(uint32_t v) { return push_back(static_cast<uint8_t>(v)), *this; }
    Bytes& u16(uint32_t v) { return u8(v).u8(v >> 8); }
    Bytes& u32(uint32_t v) { return u16(v).u16(v >> 16); }
    Bytes& add(const std::vector<uint8_t>& more) { return insert(end(), more.begin(), more.end()), *this; }
};

uint32_t indexOf(uint32_t argb, const std::vector<uint32_t>& palette) {
    return static_cast<uint32_t>(std::find(palette.begin(), palette.end(), argb) - palette.begin());
}

std::vector<std::vector<uint32_t>> pixelsOf(const std::unique_ptr<DecodedPicture>& picture) {
    std::vector<std::vector<uint32_t>> rows;
    if (!picture) return rows;
    for (int32_t y = 0; y < picture->height(); ++y)
        rows.emplace_back(picture->row(y), picture->row(y) + picture->width());
    return rows;
}

std::vector<std::vector<uint32_t>> decoded(const Bytes& bytes, const std::string& name = "") {
    return pixelsOf(decodePicture(bytes, name));
}

// Rows in file order, each pixel packed MSB-first into `bits` bits, every row
// padded to a multiple of `align` bytes.
Bytes packedRows(const std::vector<std::vector<uint32_t>>& picture, bool bottomUp, int bits, size_t align,
                 const std::function<uint32_t(uint32_t)>& value) {
    Bytes out;
    for (size_t r = 0; r < picture.size(); ++r) {
        const auto& row = picture[bottomUp ? picture.size() - 1 - r : r];
        Bytes line;
        uint32_t acc = 0;
        int filled = 0;
        for (uint32_t argb : row) {
            const uint32_t v = value(argb);
            if (bits >= 8) {
                for (int b = 0; b < bits; b += 8) line.u8(v >> b);
                continue;
            }
            acc = acc << bits | v;
            if ((filled += bits) == 8) line.u8(acc), acc = 0, filled = 0;
        }
        if (filled > 0) line.u8(acc << (8 - filled));
        while (line.size() % align) line.u8(0);
        out.add(line);
    }
    return out;
}

uint32_t bgr(uint32_t argb) { return argb & 0xFFFFFF; }
uint32_t five(uint32_t argb) { return (argb >> 19 & 0x1F) << 10 | (argb >> 11 & 0x1F) << 5 | (argb >> 3 & 0x1F); }

Bytes bmp(int32_t height, int bits, uint32_t compression, const std::vector<uint32_t>& palette, const Bytes& pixels,
          const std::vector<uint32_t>& masks = {}, uint32_t headerBytes = 40) {
    Bytes info;
    if (headerBytes == 12) {
        info.u32(12).u16(3).u16(static_cast<uint32_t>(height)).u16(1).u16(static_cast<uint32_t>(bits));
    } else {
        info.u32(headerBytes).u32(3).u32(static_cast<uint32_t>(height)).u16(1).u16(static_cast<uint32_t>(bits));
        info.u32(compression).u32(0).u32(0).u32(0).u32(static_cast<uint32_t>(palette.size())).u32(0);
        for (uint32_t mask : masks) info.u32(mask);
    }
    for (uint32_t colour : palette) {
        info.u8(colour).u8(colour >> 8).u8(colour >> 16);
        if (headerBytes != 12) info.u8(0);
    }
    Bytes file;
    file.u8('B').u8('M').u32(static_cast<uint32_t>(14 + info.size() + pixels.size())).u32(0);
    file.u32(static_cast<uint32_t>(14 + info.size())).add(info).add(pixels);
    return file;
}

TEST(PictureDecoder, BitmapVariants) {
    auto palette = [](uint32_t argb) { return indexOf(argb, kPalette); };
    EXPECT_EQ(decoded(bmp(2, 24, 0, {}, packedRows(kPicture, true, 24, 4, bgr))), kPicture);
    EXPECT_EQ(decoded(bmp(-2, 24, 0, {}, packedRows(kPicture, false, 24, 4, bgr))), kPicture);
    EXPECT_EQ(decoded(bmp(2, 32, 0, {}, packedRows(kPicture, true, 32, 4, bgr))), kPicture);
    EXPECT_EQ(decoded(bmp(2, 16, 0, {}, packedRows(kPicture, true, 16, 4, five))), kPicture);
    auto rgb565 = [](uint32_t argb) { return (argb >> 19 & 0x1F) << 11 | (argb >> 10 & 0x3F) << 5 | (argb >> 3 & 0x1F); };
    EXPECT_EQ(decoded(bmp(2, 16, 3, {}, packedRows(kPicture, true, 16, 4, rgb565), {0xF800, 0x7E0, 0x1F})), kPicture);
    auto abgr = [](uint32_t argb) { return (argb & 0xFF) << 16 | (argb & 0xFF00) | (argb >> 16 & 0xFF); };
    EXPECT_EQ(decoded(bmp(-2, 32, 3, {}, packedRows(kPicture, false, 32, 4, abgr), {0xFF, 0xFF00, 0xFF0000}, 108)),
              kPicture);
    EXPECT_EQ(decoded(bmp(2, 8, 0, kPalette, packedRows(kPicture, true, 8, 4, palette))), kPicture);
    EXPECT_EQ(decoded(bmp(2, 4, 0, kPalette, packedRows(kPicture, true, 4, 4, palette))), kPicture);
    EXPECT_EQ(decoded(bmp(2, 8, 0, kPalette, packedRows(kPicture, true, 8, 4, palette), {}, 12)), kPicture);
    const std::vector<uint32_t> mono = {kBlack, kWhite};
    EXPECT_EQ(decoded(bmp(2, 1, 0, mono, packedRows(kMono, true, 1, 4, [&](uint32_t c) { return indexOf(c, mono); }))),
              kMono);
}

TEST(PictureDecoder, RunLengthBitmaps) {
    // Bottom row: a run of white, then a move right by one (black stays);
    // top row: a literal run of three (red, green, blue), padded to 16 bits.
    Bytes rle8;
    rle8.u8(1).u8(3).u8(0).u8(2).u8(2).u8(0).u8(0).u8(0).u8(0).u8(3).u8(0).u8(1).u8(2).u8(0).u8(0).u8(1);
    std::vector<std::vector<uint32_t>> expected = {{kRed, kGreen, kBlue}, {kWhite, kBlack, kBlack}};
    EXPECT_EQ(decoded(bmp(2, 8, 1, kPalette, rle8)), expected);
    // Four bits: a run alternating white and yellow (3, 5), then a literal red, green, blue.
    Bytes rle4;
    rle4.u8(3).u8(0x35).u8(0).u8(0).u8(0).u8(3).u8(0x01).u8(0x20).u8(0).u8(1);
    expected = {{kRed, kGreen, kBlue}, {kWhite, kYellow, kWhite}};
    EXPECT_EQ(decoded(bmp(2, 4, 2, kPalette, rle4)), expected);
}

Bytes tga(uint32_t type, uint32_t bits, uint32_t descriptor, const Bytes& map, uint32_t mapBits, const Bytes& pixels,
          uint32_t mapFirst = 0) {
    Bytes file;
    const uint32_t entries = mapBits ? static_cast<uint32_t>(map.size() / (mapBits / 8)) : 0;
    file.u8(2).u8(mapBits ? 1 : 0).u8(type).u16(mapFirst).u16(entries).u8(mapBits);
    file.u16(0).u16(0).u16(3).u16(2).u8(bits).u8(descriptor);
    return file.u8('i').u8('d').add(map).add(pixels);
}

TEST(PictureDecoder, TargaVariants) {
    EXPECT_EQ(decoded(tga(2, 24, 0, {}, 0, packedRows(kPicture, true, 24, 1, bgr)), "p.tga"), kPicture);
    EXPECT_EQ(decoded(tga(2, 32, 0x20, {}, 0, packedRows(kPicture, false, 32, 1, [](uint32_t c) { return c; })), "p.tga"),
              kPicture);
    EXPECT_EQ(decoded(tga(2, 16, 0x20, {}, 0, packedRows(kPicture, false, 16, 1, five)), "p.tga"), kPicture);
    // Right to left: each file row holds the picture's row reversed.
    std::vector<std::vector<uint32_t>> mirrored = kPicture;
    for (auto& row : mirrored) std::reverse(row.begin(), row.end());
    EXPECT_EQ(decoded(tga(2, 24, 0x30, {}, 0, packedRows(mirrored, false, 24, 1, bgr)), "p.tga"), kPicture);
    // A colour map of 24-bit entries numbered from 10.
    const Bytes map = packedRows({kPalette}, false, 24, 1, bgr);
    auto mapped = [](uint32_t argb) { return indexOf(argb, kPalette) + 10; };
    EXPECT_EQ(decoded(tga(1, 8, 0, map, 24, packedRows(kPicture, true, 8, 1, mapped), 10), "p.tga"), kPicture);
    EXPECT_EQ(decoded(tga(3, 8, 0, {}, 0, packedRows(kMono, true, 8, 1, [](uint32_t c) { return c & 0xFF; })), "p.tga"),
              kMono);
    // Run-length: a run of three white pixels, then a raw packet of three
    // crossing into the next row (bottom-up: white row first), then again as
    // colour-mapped and grey pictures.
    Bytes runs;
    runs.u8(0x82).u8(0xFF).u8(0xFF).u8(0xFF).u8(0x02).add(packedRows({{kRed, kGreen, kBlue}}, false, 24, 1, bgr));
    std::vector<std::vector<uint32_t>> expected = {{kRed, kGreen, kBlue}, {kWhite, kWhite, kWhite}};
    EXPECT_EQ(decoded(tga(10, 24, 0, {}, 0, runs), "p.tga"), expected);
    Bytes mappedRuns;
    mappedRuns.u8(0x82).u8(13).u8(0x02).u8(10).u8(11).u8(12);
    EXPECT_EQ(decoded(tga(9, 8, 0, map, 24, mappedRuns, 10), "p.tga"), expected);
    Bytes greyRuns;
    greyRuns.u8(0x85).u8(0xFF);
    EXPECT_EQ(decoded(tga(11, 8, 0, {}, 0, greyRuns), "p.tga"), decltype(expected)(2, {kWhite, kWhite, kWhite}));
}

Bytes pcx(uint32_t bits, uint32_t planes, uint32_t bytesPerLine, const std::vector<uint32_t>& headerPalette,
          const Bytes& data) {
    Bytes file;
    file.u8(0x0A).u8(5).u8(1).u8(bits).u16(0).u16(0).u16(2).u16(1).u16(72).u16(72);
    for (size_t n = 0; n < 16; ++n) {
        const uint32_t colour = n < headerPalette.size() ? headerPalette[n] : 0;
        file.u8(colour >> 16).u8(colour >> 8).u8(colour);
    }
    file.u8(0).u8(planes).u16(bytesPerLine);
    file.resize(128, 0);
    return file.add(data);
}

// PCX run-length coding of one stream: every byte as a run of one, except
// that repeated bytes make one run (which may cross lines).
Bytes pcxRuns(const Bytes& raw) {
    Bytes out;
    for (size_t at = 0; at < raw.size();) {
        size_t count = 1;
        while (at + count < raw.size() && raw[at + count] == raw[at] && count < 63) ++count;
        if (count > 1 || raw[at] >= 0xC0) out.u8(0xC0 | count);
        out.u8(raw[at]);
        at += count;
    }
    return out;
}

TEST(PictureDecoder, PcxVariants) {
    auto palette = [](uint32_t argb) { return indexOf(argb, kPalette); };
    Bytes eight = pcx(8, 1, 4, {}, pcxRuns(packedRows(kPicture, false, 8, 4, palette)));
    eight.u8(0x0C).add(packedRows({kPalette}, false, 24, 1, [](uint32_t c) { return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); }));
    eight.resize(eight.size() + 3 * (256 - kPalette.size()), 0);
    EXPECT_EQ(decoded(eight), kPicture);
    // 24 bits: each line holds the red, green and blue planes, 4 bytes each.
    Bytes planes;
    for (const auto& row : kPicture)
        for (int shift : {16, 8, 0}) {
            for (uint32_t argb : row) planes.u8(argb >> shift);
            planes.u8(0);
        }
    EXPECT_EQ(decoded(pcx(8, 3, 4, {}, pcxRuns(planes))), kPicture);
    EXPECT_EQ(decoded(pcx(1, 1, 2, {}, pcxRuns(packedRows(kMono, false, 1, 2, [](uint32_t c) { return c == kWhite; })))),
              kMono);
    // 16 colours in four bit planes: index bit n in plane n.
    Bytes ega;
    for (const auto& row : kPicture)
        for (int plane = 0; plane < 4; ++plane) {
            uint32_t bits = 0;
            for (size_t x = 0; x < row.size(); ++x) bits |= (palette(row[x]) >> plane & 1) << (7 - x);
            ega.u8(bits).u8(0);
        }
    EXPECT_EQ(decoded(pcx(1, 4, 2, kPalette, pcxRuns(ega))), kPicture);
}

void writeToBytes(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// A PNG of width x height in the given colour type and depth, every row
// made by `row`.
Bytes png(uint32_t width, uint32_t height, int colourType, int depth, bool interlaced,
          const std::function<Bytes(uint32_t)>& row, const std::vector<uint32_t>& palette = {}) {
    Bytes out;
    png_structp write = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(write);
    png_set_write_fn(write, &out, writeToBytes, nullptr);
    png_set_IHDR(write, info, width, height, depth, colourType, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> entries;
    for (uint32_t c : palette)
        entries.push_back({static_cast<png_byte>(c >> 16), static_cast<png_byte>(c >> 8), static_cast<png_byte>(c)});
    if (!entries.empty()) png_set_PLTE(write, info, entries.data(), static_cast<int>(entries.size()));
    png_write_info(write, info);
    for (int pass = png_set_interlace_handling(write); pass > 0; --pass)
        for (uint32_t y = 0; y < height; ++y) png_write_row(write, row(y).data());
    png_write_end(write, info);
    png_destroy_write_struct(&write, &info);
    return out;
}

TEST(PictureDecoder, PngThroughLibpng) {
    auto rgb = [](uint32_t y) { return packedRows({kPicture[y]}, false, 24, 1, [](uint32_t c) { return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); }); };
    EXPECT_EQ(decoded(png(3, 2, PNG_COLOR_TYPE_RGB, 8, true, rgb)), kPicture);
    auto indexed = [](uint32_t y) { return packedRows({kPicture[y]}, false, 4, 1, [](uint32_t c) { return indexOf(c, kPalette); }); };
    EXPECT_EQ(decoded(png(3, 2, PNG_COLOR_TYPE_PALETTE, 4, false, indexed, kPalette)), kPicture);
    auto grey16 = [](uint32_t y) { return packedRows({kMono[y]}, false, 16, 1, [](uint32_t c) { return c & 0xFFFF; }); };
    EXPECT_EQ(decoded(png(3, 2, PNG_COLOR_TYPE_GRAY, 16, false, grey16)), kMono);
}

TEST(PictureDecoder, OtherFormatsGoThroughFreeImageWithinTheLimits) {
    Bytes ppm;
    for (char c : std::string("P6 3 2 255\n")) ppm.u8(c);
    ppm.add(packedRows(kPicture, false, 24, 1, [](uint32_t c) { return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); }));
    EXPECT_EQ(decoded(ppm), kPicture);
    Bytes huge;
    for (char c : std::string("P6 20000 20000 255\n")) huge.u8(c);
    EXPECT_FALSE(decodePicture(huge, ""));
    Bytes gif;  // a screen of 65535 x 65535
    for (char c : std::string("GIF89a")) gif.u8(c);
    gif.u16(65535).u16(65535).u8(0).u8(0).u8(0).u8(0x2C).u32(0).u16(1).u16(1).u8(0);
    EXPECT_FALSE(decodePicture(gif, ""));
    EXPECT_TRUE(PictureLimits::allow(4096, 4096) && PictureLimits::allow(16384, 1024));
    EXPECT_FALSE(PictureLimits::allow(4097, 4096) || PictureLimits::allow(16385, 1) || PictureLimits::allow(0, 1));
}

// Files that made the previous decoder crash, stall for seconds or take
// hundreds of megabytes.
TEST(PictureDecoder, HostileFilesGiveNoPicturePromptly) {
    const Bytes shortTga = [] {
        Bytes b;
        for (uint32_t v : {0xFF, 0x00, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 8, 0x28, 0x89, 0x3A, 0x5D, 0x9A}) b.u8(v);
        return b;
    }();
    EXPECT_FALSE(decodePicture(shortTga, "short.tga"));

    Bytes longRuns;  // claims 32702 x 255 in 2.5 KB of runs
    longRuns.u8(0).u8(0).u8(10).u16(0).u16(0).u8(0).u16(0).u16(0).u16(32702).u16(255).u8(24).u8(0);
    std::mt19937 random(5);
    while (longRuns.size() < 2518) longRuns.u8(random());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(decodePicture(longRuns, "long.tga"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));

    // 8000 x 8000 of one-bit grey compresses into a few kilobytes.
    const Bytes bomb = png(8000, 8000, PNG_COLOR_TYPE_GRAY, 1, false, [](uint32_t) { return Bytes(std::vector<uint8_t>(1000)); });
    EXPECT_LT(bomb.size(), 200000u);
    EXPECT_FALSE(decodePicture(bomb, ""));
}

// Damaged copies of every picture above decode or fail, but never read or
// write out of bounds (the sanitizer build sees it) and never hang.
TEST(PictureDecoder, DamagedCopiesNeverCrash) {
    const std::vector<Bytes> seeds = {
        bmp(2, 24, 0, {}, packedRows(kPicture, true, 24, 4, bgr)),
        bmp(2, 8, 1, kPalette, Bytes().u8(3).u8(3).u8(0).u8(0).u8(0).u8(3).u8(0).u8(1).u8(2).u8(0).u8(0).u8(1)),
        tga(10, 24, 0, {}, 0, Bytes().u8(0x85).u8(1).u8(2).u8(3)),
        pcx(8, 3, 4, {}, Bytes().u8(0xD8).u8(7)),
    };
    std::mt19937 random(1);
    for (int round = 0; round < 4000; ++round) {
        Bytes damaged = seeds[round % seeds.size()];
        for (int n = 1 + random() % 4; n > 0; --n) damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
        if (random() % 4 == 0) damaged.resize(random() % damaged.size());
        decodePicture(damaged, round % 8 == 2 ? "x.tga" : "");
    }
}

// Pictures with which fuzzing made a decoder fault; a few decode, most are
// refused. FreeImage's readers get the bytes through a reader of ours that
// stays in bounds when a damaged file seeks beyond its end.
TEST(PictureDecoder, FuzzFindingsDecodeOrFailCleanly) {
    const auto findings = fuzzFindings("pictures");
    ASSERT_FALSE(findings.empty());
    for (const auto& file : findings) {
        SCOPED_TRACE(file.filename().string());
        if (auto picture = decodePicture(file.string())) {
            EXPECT_TRUE(PictureLimits::allow(picture->width(), picture->height()));
        }
        const std::vector<uint8_t> bytes = fileBytes(file);
        decodePicture(bytes, file.filename().string());
    }
}

}  // namespace
}  // namespace korva
