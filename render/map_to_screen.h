// The overhead map's transform between map units and framebuffer pixels.
#pragma once
#include <cstdint>

#include "wad/truncate.h"

// (v * scale + offset * scale) / 10 in single precision, the offset product formed first.
inline float MapToScreen(float mapValue, float offset, float scale) {
    float offsetProduct = offset * scale;
    return (mapValue * scale + offsetProduct) / 10.0f;
}

// The inverse, truncated to whole map units.
inline int32_t ScreenToMapUnits(float screenValue, float offset, float scale) {
    return TruncToInt32((screenValue * 10.0f) / scale - offset);
}
