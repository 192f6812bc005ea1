#include "app/headless/png_file.h"

#include <zlib.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <span>
#include <vector>

namespace {

// The file's chunks: length, type, data, and the CRC of type and data.
struct PngWriter {
    FILE* file;
    bool ok = true;

    void Bytes(const uint8_t* data, size_t size) { ok = ok && std::fwrite(data, 1, size, file) == size; }
    void UInt32(uint32_t value) {
        uint8_t bytes[4] = {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
        Bytes(bytes, 4);
    }
    void Chunk(const char* type, const uint8_t* data, size_t size) {
        UInt32(uint32_t(size));
        Bytes(reinterpret_cast<const uint8_t*>(type), 4);
        if (size > 0) Bytes(data, size);
        uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
        if (size > 0) crc = crc32(crc, data, uInt(size));  // crc32 of a null buffer would restart at 0
        UInt32(uint32_t(crc));
    }
};

// The frame's colours, up to 256 of them, each with its index in the palette.
struct Palette {
    static constexpr size_t kSlots = 1024;  // open addressing, never more than a quarter full
    std::array<uint32_t, kSlots> colours;
    std::array<int32_t, kSlots> indexes;
    std::vector<uint32_t> inOrder;

    Palette() { indexes.fill(-1); }
    // The colour's index, added when new; -1 once a 257th colour is met.
    int32_t IndexOf(uint32_t colour) {
        size_t slot = (colour * 2654435761u) % kSlots;
        while (indexes[slot] >= 0 && colours[slot] != colour) slot = (slot + 1) % kSlots;
        if (indexes[slot] >= 0) return indexes[slot];
        if (inOrder.size() == 256) return -1;
        colours[slot] = colour;
        indexes[slot] = int32_t(inOrder.size());
        inOrder.push_back(colour);
        return indexes[slot];
    }
};

bool RowRepeats(const Canvas& framebuffer, int32_t y) {
    const uint32_t* row = framebuffer.pixels + size_t(y) * size_t(framebuffer.width);
    return y > 0 && std::memcmp(row, row - framebuffer.width, size_t(framebuffer.width) * 4) == 0;
}

// The frame's colours (the top byte dropped) when there are at most 256 of them.
bool CollectPalette(const Canvas& framebuffer, Palette& palette) {
    for (int32_t y = 0; y < framebuffer.height; ++y) {
        if (RowRepeats(framebuffer, y)) continue;
        const uint32_t* row = framebuffer.pixels + size_t(y) * size_t(framebuffer.width);
        uint32_t last = ~0u;  // the pictures are long runs of one colour
        for (int32_t x = 0; x < framebuffer.width; ++x) {
            uint32_t colour = row[x] & 0xFFFFFF;
            if (colour != last && palette.IndexOf(colour) < 0) return false;
            last = colour;
        }
    }
    return true;
}

// Runs the deflate stream over `input`, writing an IDAT chunk whenever the output fills.
bool Deflate(z_stream& stream, PngWriter& png, std::vector<uint8_t>& output, const uint8_t* input, size_t size,
             int flush) {
    stream.next_in = const_cast<Bytef*>(input);
    stream.avail_in = uInt(size);
    for (;;) {
        int result = deflate(&stream, flush);
        if (result == Z_STREAM_ERROR) return false;
        if (stream.avail_out == 0 || (flush == Z_FINISH && output.size() > stream.avail_out)) {
            png.Chunk("IDAT", output.data(), output.size() - stream.avail_out);
            stream.next_out = output.data();
            stream.avail_out = uInt(output.size());
        }
        if (flush == Z_FINISH ? result == Z_STREAM_END : stream.avail_in == 0) return png.ok;
    }
}

// A row's bytes: its palette indexes, or without a palette red, green and blue.
void PackRow(std::span<const uint32_t> row, Palette* palette, uint8_t* out) {
    if (!palette) {
        for (uint32_t pixel : row) *out++ = uint8_t(pixel >> 16), *out++ = uint8_t(pixel >> 8), *out++ = uint8_t(pixel);
        return;
    }
    uint32_t lastColour = ~0u;  // the pictures are long runs of one colour
    uint8_t lastIndex = 0;
    for (uint32_t pixel : row) {
        uint32_t colour = pixel & 0xFFFFFF;
        if (colour != lastColour) lastColour = colour, lastIndex = uint8_t(palette->IndexOf(colour));
        *out++ = lastIndex;
    }
}

bool WriteWholePng(const char* path, const Canvas& framebuffer) {
    FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    Palette palette;
    bool indexed = CollectPalette(framebuffer, palette);
    size_t bytesPerPixel = indexed ? 1 : 3;

    PngWriter png{file};
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png.Bytes(signature, sizeof signature);
    uint8_t header[13] = {};  // width, height, 8 bits, indexed or RGB, deflate, adaptive filters, no interlace
    uint32_t width = uint32_t(framebuffer.width), height = uint32_t(framebuffer.height);
    for (int k = 0; k < 4; ++k) header[k] = uint8_t(width >> (24 - 8 * k)), header[4 + k] = uint8_t(height >> (24 - 8 * k));
    header[8] = 8, header[9] = indexed ? 3 : 2;
    png.Chunk("IHDR", header, sizeof header);
    if (indexed) {
        std::vector<uint8_t> entries;
        for (uint32_t colour : palette.inOrder) entries.insert(entries.end(), {uint8_t(colour >> 16), uint8_t(colour >> 8), uint8_t(colour)});
        png.Chunk("PLTE", entries.data(), entries.size());
    }

    // The pictures are flat areas and thin lines. Every row goes through the
    // "up" filter (its difference from the row above), so a row that repeats the
    // one above becomes zeros, and run-length matching at the fastest level packs
    // those: far faster than trying every filter, and the files are smaller.
    z_stream stream{};
    bool written = deflateInit2(&stream, 1, Z_DEFLATED, 15, 8, Z_RLE) == Z_OK;
    std::vector<uint8_t> output(size_t(1) << 16);
    stream.next_out = output.data();
    stream.avail_out = uInt(output.size());
    size_t rowBytes = size_t(width) * bytesPerPixel;
    std::vector<uint8_t> above(rowBytes, 0), current(rowBytes), filtered(rowBytes + 1, 0);
    filtered[0] = 2;  // the up filter
    for (uint32_t y = 0; written && y < height; ++y) {
        if (RowRepeats(framebuffer, int32_t(y))) {
            std::fill(filtered.begin() + 1, filtered.end(), 0);  // the row above is still in `above`
        } else {
            PackRow({framebuffer.pixels + size_t(y) * width, width}, indexed ? &palette : nullptr, current.data());
            for (size_t k = 0; k < rowBytes; ++k) filtered[1 + k] = uint8_t(current[k] - above[k]);
            above.swap(current);
        }
        written = Deflate(stream, png, output, filtered.data(), filtered.size(), Z_NO_FLUSH);
    }
    written = written && Deflate(stream, png, output, nullptr, 0, Z_FINISH);
    deflateEnd(&stream);
    png.Chunk("IEND", nullptr, 0);
    return std::fclose(file) == 0 && written && png.ok;
}

}  // namespace

Status WritePng(const std::string& path, const Canvas& canvas) {
    if (WriteWholePng(path.c_str(), canvas)) return Succeeded();
    return Problem{ProblemKind::kCannotWrite, "cannot write " + path};
}
