#include "app/headless/gif_file.h"

#include <gif_lib.h>

#include <algorithm>
#include <unordered_map>

namespace {

// The nearest of the palette's colours, in squared distance.
uint8_t Nearest(const std::vector<uint32_t>& palette, uint32_t colour) {
    auto channel = [](uint32_t c, int shift) { return int32_t(c >> shift & 0xFF); };
    size_t best = 0;
    int32_t bestDistance = INT32_MAX;
    for (size_t k = 0; k < palette.size(); ++k) {
        int32_t d = 0;
        for (int shift : {16, 8, 0}) d += (channel(colour, shift) - channel(palette[k], shift)) * (channel(colour, shift) - channel(palette[k], shift));
        if (d < bestDistance) bestDistance = d, best = k;
    }
    return uint8_t(best);
}

}  // namespace

GifWriter::~GifWriter() {
    if (file_) EGifCloseFile(file_, nullptr);
}

Status GifWriter::Failed() {
    if (file_) EGifCloseFile(file_, nullptr);
    file_ = nullptr;
    return Problem{ProblemKind::kCannotWrite, "cannot write " + path_};
}

Status GifWriter::Open(const std::string& path, int32_t width, int32_t height) {
    path_ = path, width_ = width, height_ = height;
    previous_.clear();
    int error = 0;
    file_ = EGifOpenFileName(path.c_str(), false, &error);
    if (!file_) return Failed();
    EGifSetGifVersion(file_, true);
    // No global palette; the NETSCAPE2.0 block makes viewers play the frames in a loop.
    const unsigned char loop[] = {1, 0, 0};
    if (EGifPutScreenDesc(file_, width, height, 8, 0, nullptr) == GIF_ERROR ||
        EGifPutExtensionLeader(file_, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(file_, 11, "NETSCAPE2.0") == GIF_ERROR || EGifPutExtensionBlock(file_, 3, loop) == GIF_ERROR ||
        EGifPutExtensionTrailer(file_) == GIF_ERROR)
        return Failed();
    return Succeeded();
}

Status GifWriter::Add(const Canvas& frame, int32_t centiseconds) {
    if (!file_) return Failed();
    const uint32_t* pixels = frame.pixels;
    size_t count = size_t(width_) * size_t(height_);
    // The rectangle that changed since the frame before; the first frame whole; an unchanged one a pixel.
    int32_t left = 0, top = 0, right = width_ - 1, bottom = height_ - 1;
    if (!previous_.empty()) {
        left = width_, top = height_, right = -1, bottom = -1;
        for (int32_t y = 0; y < height_; ++y)
            for (int32_t x = 0; x < width_; ++x)
                if ((pixels[size_t(y) * size_t(width_) + size_t(x)] ^ previous_[size_t(y) * size_t(width_) + size_t(x)]) & 0xFFFFFF)
                    left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
        if (right < 0) left = top = right = bottom = 0;
    }
    std::vector<uint32_t> palette;
    std::unordered_map<uint32_t, uint8_t> indexes;
    std::vector<GifPixelType> indexed(size_t(right - left + 1) * size_t(bottom - top + 1));
    // The first 256 colours met make the palette; each later one takes the nearest of them, which are all there by then.
    size_t at = 0;
    for (int32_t y = top; y <= bottom; ++y)
        for (int32_t x = left; x <= right; ++x, ++at) {
            uint32_t colour = pixels[size_t(y) * size_t(width_) + size_t(x)] & 0xFFFFFF;
            auto found = indexes.find(colour);
            if (found == indexes.end() && palette.size() < 256)
                found = indexes.emplace(colour, uint8_t(palette.size())).first, palette.push_back(colour);
            else if (found == indexes.end())
                found = indexes.emplace(colour, Nearest(palette, colour)).first;
            indexed[at] = found->second;
        }
    std::vector<GifColorType> colours(256, GifColorType{0, 0, 0});
    for (size_t k = 0; k < palette.size(); ++k)
        colours[k] = {GifByteType(palette[k] >> 16), GifByteType(palette[k] >> 8), GifByteType(palette[k])};
    ColorMapObject* map = GifMakeMapObject(256, colours.data());
    GraphicsControlBlock control{DISPOSE_DO_NOT, false, centiseconds, NO_TRANSPARENT_COLOR};
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    bool written = map && EGifPutExtension(file_, GRAPHICS_EXT_FUNC_CODE, 4, extension) != GIF_ERROR &&
                   EGifPutImageDesc(file_, left, top, right - left + 1, bottom - top + 1, false, map) != GIF_ERROR;
    for (int32_t y = 0; written && y <= bottom - top; ++y)
        written = EGifPutLine(file_, indexed.data() + size_t(y) * size_t(right - left + 1), right - left + 1) != GIF_ERROR;
    GifFreeMapObject(map);
    if (!written) return Failed();
    previous_.assign(pixels, pixels + count);
    return Succeeded();
}

Status GifWriter::Close() {
    if (!file_) return Failed();
    int error = 0;
    bool closed = EGifCloseFile(file_, &error) != GIF_ERROR;
    file_ = nullptr;
    return closed ? Succeeded() : Problem{ProblemKind::kCannotWrite, "cannot write " + path_};
}
