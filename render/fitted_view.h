// A view of the whole map: the scale and offsets that place every vertex inside
// the framebuffer, with a margin, centred.
#pragma once
#include <cstdint>
#include <vector>

#include "wad/map_records.h"

struct MapView {
    float scale;
    float offsetX;
    float offsetY;
};

// The margin left on every side: a 32nd of the smaller side.
int32_t FitMargin(int32_t width, int32_t height);

// Every vertex lands on a pixel from the margin to the last pixel before the
// opposite margin, through the map-to-screen transform as it stands (so the map
// still shows mirrored top to bottom). The larger relative extent fills the
// width or the height; the other is centred. With no vertexes, one pixel per map unit.
MapView FitMapView(const std::vector<MapVertex>& vertexes, int32_t width, int32_t height);
