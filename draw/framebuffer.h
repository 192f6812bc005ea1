// The software picture every drawing routine writes into.
#pragma once
#include <cstdint>
#include <memory>

#include "wad/result.h"

// The pixels as drawing sees them: row-major 0x00RRGGBB, row 0 at the top,
// pixel (x, y) at pixels[y * width + x]. A canvas owns nothing.
struct Canvas {
    int32_t width = 0;
    int32_t height = 0;
    uint32_t* pixels = nullptr;
};

// A picture that owns its pixels. Frames of a huge page or more start on one
// and are given huge pages where the system has them.
class Framebuffer {
  public:
    // width x height black pixels (negative sizes count as 0); a problem, and
    // 0 x 0, when there is no memory for them.
    Status Resize(int32_t width, int32_t height);
    const Canvas& canvas() const { return canvas_; }

  private:
    struct Release {
        size_t alignment;
        void operator()(uint32_t* pixels) const;
    };
    std::unique_ptr<uint32_t, Release> store_{nullptr, Release{0}};
    Canvas canvas_;
};
