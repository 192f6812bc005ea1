#include "render/fitted_view.h"

#include <algorithm>

#include "render/map_to_screen.h"

int32_t FitMargin(int32_t width, int32_t height) { return std::max(std::min(width, height), 0) / 32; }

namespace {

// A quarter pixel from either truncation boundary: more than the transform's
// single-precision rounding moves a point on any real map.
constexpr double kSlack = 0.25;

// The pixels between the margins, less the slack at both ends.
double Room(int32_t size, int32_t margin) { return double(size - 2 * margin) - 2 * kSlack; }

struct Extent {
    double low, high;
};

// The offset that centres the extent between the margins (the transform is (v + offset) * scale / 10).
float CentringOffset(const Extent& extent, double pixelsPerUnit, int32_t margin, int32_t size) {
    double unused = std::max(Room(size, margin) - (extent.high - extent.low) * pixelsPerUnit, 0.0);
    return float((double(margin) + kSlack + unused / 2) / pixelsPerUnit - extent.low);
}

bool Inside(const Extent& extent, float offset, float scale, int32_t margin, int32_t size) {
    int32_t low = TruncToInt32(MapToScreen(float(extent.low), offset, scale));
    int32_t high = TruncToInt32(MapToScreen(float(extent.high), offset, scale));
    return low >= margin && high <= size - 1 - margin;
}

}  // namespace

MapView FitMapView(const std::vector<MapVertex>& vertexes, int32_t width, int32_t height) {
    if (vertexes.empty()) return {10.0f, 0.0f, 0.0f};
    Extent x{vertexes[0].x, vertexes[0].x}, y{vertexes[0].y, vertexes[0].y};
    for (const MapVertex& vertex : vertexes) {
        x = {std::min(x.low, vertex.x), std::max(x.high, vertex.x)};
        y = {std::min(y.low, vertex.y), std::max(y.high, vertex.y)};
    }
    int32_t margin = FitMargin(width, height);
    double pixelsPerUnit = 0;
    for (auto [extent, size] : {std::pair{x, width}, {y, height}}) {
        if (extent.high == extent.low) continue;
        double fits = std::max(Room(size, margin), 0.0) / (extent.high - extent.low);
        pixelsPerUnit = pixelsPerUnit == 0 ? fits : std::min(pixelsPerUnit, fits);
    }
    if (pixelsPerUnit <= 0) pixelsPerUnit = 1;  // a single point, or no room at all
    MapView view{};
    // A small map far from the origin needs a large float offset, whose rounding
    // can move it by pixels: zoom out a little until the transform keeps it inside.
    for (int attempt = 0; attempt < 64; ++attempt, pixelsPerUnit *= 0.99) {
        view = {float(pixelsPerUnit * 10), CentringOffset(x, pixelsPerUnit, margin, width),
                CentringOffset(y, pixelsPerUnit, margin, height)};
        if (Inside(x, view.offsetX, view.scale, margin, width) && Inside(y, view.offsetY, view.scale, margin, height))
            break;
    }
    return view;
}
