// The bytes as a TEXTMAP through ReadTextMap; what it reads is drawn into 64x48 in both
// wall modes, fitted to the map and from its player start, so the records must be safe to draw.
#include <cstdlib>

#include "render/fitted_view.h"
#include "render/render_frame.h"
#include "wad/udmf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Level level;
    if (!ReadTextMap({data, size}, level)) {
        // A problem leaves no records behind.
        if (!level.vertexes.empty() || !level.linedefs.empty() || !level.sidedefs.empty() || !level.sectors.empty() ||
            !level.things.empty())
            std::abort();
        return 0;
    }
    static const FontImage font;  // the status line is not under test here
    constexpr int32_t kWidth = 64, kHeight = 48;
    std::vector<uint32_t> pixels(size_t(kWidth * kHeight));  // exactly: a write past the frame meets ASan
    MapView fitted = FitMapView(level.vertexes, kWidth, kHeight);
    for (uint8_t solid : {0, 1}) {
        View view{.scale = fitted.scale, .offsetX = fitted.offsetX, .offsetY = fitted.offsetY, .maxDepth = 64,
                  .maxDraw = 64, .drawFarSides = 1, .solidWalls = solid};
        TakePlayerStart(level, view);
        RenderFrame(Canvas{kWidth, kHeight, pixels.data()}, level, view, font, StatusLine{});
    }
    return 0;
}
