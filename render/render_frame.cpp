#include "render/render_frame.h"

#include <cmath>
#include <cstring>

#include "draw/line.h"
#include "render/bsp_walk.h"
#include "render/map_to_screen.h"
#include "render/overlay.h"
#include "wad/truncate.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

constexpr uint32_t kBlack = 0x000000, kBlue = 0x0000FF, kDarkBlue = 0x000080, kYellow = 0xFFFF00,
                   kRed = 0xFF0000, kGreen = 0x00FF00, kDarkGreen = 0x008000;

void DrawBox(const Canvas& canvas, float sx, float sy, float halfWidth, float halfHeight,
             uint32_t colour) {
    // Each corner is truncated after the offset is added, not before.
    DrawRect(canvas, TruncToInt32(sx - halfWidth), TruncToInt32(sy - halfHeight),
             TruncToInt32(sx + halfWidth), TruncToInt32(sy + halfHeight), colour);
}

void DrawTriangle(const Canvas& canvas, float sx, float sy, uint32_t colour) {
    int64_t left = TruncToInt32(sx - 3.0f), right = TruncToInt32(sx + 3.0f);
    int32_t top = TruncToInt32(sy - 3.0f), base = TruncToInt32(sy + 3.0f);
    // |Xr - Xl| is Xr - Xl: the right corner never truncates to less than the left one.
    int64_t inset = TruncToInt32(double(right - left) * 0.5);
    uint32_t* pixels = canvas.pixels;
    int32_t width = canvas.width, height = canvas.height;
    DrawLine(pixels, width, height, int32_t(left), base, int32_t(right), base, colour);
    DrawLine(pixels, width, height, SaturateToInt32(left + inset), top, int32_t(left), base, colour);
    DrawLine(pixels, width, height, SaturateToInt32(right - inset), top, int32_t(right), base, colour);
}

// Fast path: a batch of linedef ends taken to the screen in a loop without
// branches, which the compiler turns into vector instructions (four divisions
// per linedef otherwise cost about as much as drawing the lines). Each lane
// multiplies, adds and divides in single precision just as MapToScreen does for
// one value, and truncates it the same way, so the ends are the same integers.
constexpr int32_t kLinedefBatch = 64;
void MapToScreenBatch(int32_t* screen, const float* map, int32_t count, float offset, float scale) {
    for (int32_t k = 0; k < count; ++k) screen[k] = TruncToInt32(MapToScreen(map[k], offset, scale));
}

void DrawLinedefs(const Canvas& canvas, const Level& level, const View& view) {
    float mapX[2][kLinedefBatch], mapY[2][kLinedefBatch];
    int32_t screenX[2][kLinedefBatch], screenY[2][kLinedefBatch];
    int64_t numVertexes = int64_t(level.vertexes.size());
    for (size_t first = 0; first < level.linedefs.size(); first += kLinedefBatch) {
        int32_t count = 0;
        for (size_t i = first; i < level.linedefs.size() && i < first + kLinedefBatch; ++i) {
            int32_t start = level.linedefs[i].startVertex, end = level.linedefs[i].endVertex;
            // A linedef that names a vertex outside the array is skipped.
            if (start < 0 || start >= numVertexes || end < 0 || end >= numVertexes) continue;
            mapX[0][count] = float(level.vertexes[size_t(start)].x), mapY[0][count] = float(level.vertexes[size_t(start)].y);
            mapX[1][count] = float(level.vertexes[size_t(end)].x), mapY[1][count] = float(level.vertexes[size_t(end)].y);
            ++count;
        }
        for (int end = 0; end < 2; ++end) {
            MapToScreenBatch(screenX[end], mapX[end], count, view.offsetX, view.scale);
            MapToScreenBatch(screenY[end], mapY[end], count, view.offsetY, view.scale);
        }
        for (int32_t k = 0; k < count; ++k)
            DrawLine(canvas.pixels, canvas.width, canvas.height, screenX[0][k],
                     screenY[0][k], screenX[1][k], screenY[1][k], kBlack);
    }
}

void DrawThings(const Canvas& canvas, const Level& level, const View& view) {
    for (const MapThing& thing : level.things)
        DrawThingMarker(canvas, thing.type, MapToScreen(float(thing.x), view.offsetX, view.scale),
                        MapToScreen(float(thing.y), view.offsetY, view.scale));
}

}  // namespace

void TakePlayerStart(const Level& level, View& view) {
    if (view.playerStartPending == 0) return;
    for (const MapThing& thing : level.things) {
        if (thing.type != 1) continue;
        view.playerX = MapToScreen(float(thing.x), view.offsetX, view.scale);
        view.playerY = MapToScreen(float(thing.y), view.offsetY, view.scale);
        view.playerStartPending = 0;
        // The thing's angle counts degrees; the viewer turns in radians.
        view.angle = float((double(thing.angle) * kPi) / 180.0);
        return;
    }
}

void DrawThingMarker(const Canvas& canvas, int32_t type, float sx, float sy) {
    switch (type) {
        case 1: return DrawBox(canvas, sx, sy, 3, 3, kBlue);
        case 2: case 3: case 4: case 11: return DrawBox(canvas, sx, sy, 3, 3, kDarkBlue);
        case 5: return DrawBox(canvas, sx, sy, 1, 3, kBlue);
        case 6: return DrawBox(canvas, sx, sy, 1, 3, kYellow);
        case 13: return DrawBox(canvas, sx, sy, 1, 3, kRed);
        case 9: case 12289: case 12292: return DrawTriangle(canvas, sx, sy, kRed);
        case 2035: return DrawBox(canvas, sx, sy, 2, 3, kGreen);
        case 2008: case 2010: case 2012: case 2014: case 2048: case 2049: case 2302:
            return DrawBox(canvas, sx, sy, 2, 2, kDarkGreen);
        default: return DrawBox(canvas, sx, sy, 3, 3, kBlack);
    }
}

FrameReport RenderFrame(const Canvas& canvas, const Level& level, const View& view, const FontImage& font,
                        const StatusLine& statusLine, WalkTrace* trace, const TreeCheck* check) {
    if (canvas.width > 0 && canvas.height > 0)
        std::memset(canvas.pixels, 0xFF, size_t(canvas.width) * size_t(canvas.height) * 4);
    DrawStatusText(canvas, font, statusLine);
    DrawLinedefs(canvas, level, view);
    DrawThings(canvas, level, view);

    BspWalk walk(level, view, canvas);
    WalkTrace overlayTrace;
    walk.trace = trace ? trace : view.overlay == Overlay::kWalk ? &overlayTrace : nullptr;
    if (level.tree != TreeFormat::kNone) {  // a map without a tree has no walls to show
        walk.viewMapX = ScreenToMapUnits(view.playerX, view.offsetX, view.scale);
        walk.viewMapY = ScreenToMapUnits(view.playerY, view.offsetY, view.scale);
        WallColumns columns(canvas);
        walk.columns = &columns;
        // The walk overlay showing every subsector draws each of these walls again, over every pixel.
        walk.drawWalls = !(view.overlay == Overlay::kWalk && view.walkShown < 0);
        WalkBspNode(walk, level.rootReference, 0);
        DrawWallColumns(canvas, columns);  // before the viewpoint marker, which may cover them
    }
    DrawBox(canvas, view.playerX, view.playerY, 6, 6, kBlue);
    if (view.overlay != Overlay::kOff) DrawOverlay(canvas, level, view, walk.trace ? *walk.trace : overlayTrace, font, check);
    return {walk.failures};
}
