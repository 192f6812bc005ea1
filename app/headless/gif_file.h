// Animated GIF files, written a frame at a time: each frame the part that changed
// since the one before, with its own palette.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "draw/framebuffer.h"
#include "wad/result.h"

struct GifFileType;

class GifWriter {
  public:
    GifWriter() = default;
    GifWriter(const GifWriter&) = delete;
    GifWriter& operator=(const GifWriter&) = delete;
    ~GifWriter();

    // A new file of frames of this size, played in a loop.
    Status Open(const std::string& path, int32_t width, int32_t height);
    // A frame shown for so many hundredths of a second; R from bits 16-23, G 8-15, B 0-7. A frame
    // of more than 256 colours shows each of the others as the nearest of its first 256.
    Status Add(const Canvas& frame, int32_t centiseconds);
    Status Close();

  private:
    Status Failed();
    GifFileType* file_ = nullptr;
    std::string path_;
    std::vector<uint32_t> previous_;  // the frame before, which the file shows under the next one
    int32_t width_ = 0, height_ = 0;
};
