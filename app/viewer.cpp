#include "app/viewer.h"

#include "render/fitted_view.h"
#include "render/render_frame.h"

namespace {

bool FileMode(const Viewer& viewer) { return !viewer.fileMaps.empty(); }

void LoadShownMap(Viewer& viewer) {
    if (FileMode(viewer))
        LoadLevel(viewer.level, viewer.wadFile, viewer.fileMaps[size_t(viewer.state.mapIndex)].c_str(),
                  MarkerSearch::kExactName);
    else
        LoadLevel(viewer.level, viewer.wadFile, kMapTable[viewer.state.mapIndex].name, MarkerSearch::kTableName);
}

// The table row's view, or in file mode a fitted one once the framebuffer has a size.
void TakeMapView(Viewer& viewer) {
    Level& level = viewer.level;
    if (!FileMode(viewer)) {
        const MapTableEntry& row = kMapTable[viewer.state.mapIndex];
        level.scale = row.scale, level.offsetX = row.offsetX, level.offsetY = row.offsetY;
        return;
    }
    const Framebuffer& framebuffer = viewer.framebuffer;
    viewer.fitPending = framebuffer.width <= 0 || framebuffer.height <= 0;
    if (viewer.fitPending) return;
    MapView view = FitMapView(level.vertexes, framebuffer.width, framebuffer.height);
    level.scale = view.scale, level.offsetX = view.offsetX, level.offsetY = view.offsetY;
}

}  // namespace

void SetStartValues(Viewer& viewer) {
    Level& level = viewer.level;
    level.maxDepth = 100;
    level.maxDraw = 250;
    level.drawFarSides = 1;
    TakeMapView(viewer);
    viewer.state.playerX = 50.0f;
    viewer.state.playerY = 50.0f;
}

void StartViewer(Viewer& viewer, const LevelFile& wadFile, const StartMap& start, const char* fontPath) {
    viewer.wadFile = wadFile;
    viewer.fileMaps = start.fileMaps;
    viewer.state.mapIndex = start.mapIndex;
    LoadShownMap(viewer);
    ResetFontImage(viewer.font);
    FillFallbackCheckerboard(viewer.font);
    int32_t fontWidth = 0, fontHeight = 0;
    LoadFontImage(viewer.font, fontPath, &fontWidth, &fontHeight);
    SetStartValues(viewer);
}

void RestartViewer(Viewer& viewer, const LevelFile& wadFile, const StartMap& start) {
    FontImage font = viewer.font;
    viewer = Viewer{};
    viewer.font = font;
    viewer.wadFile = wadFile;
    viewer.fileMaps = start.fileMaps;
    viewer.state.mapIndex = start.mapIndex;
    LoadShownMap(viewer);
    SetStartValues(viewer);
}

void StartViewer(Viewer& viewer, const char* wadPath, const char* fontPath) {
    StartViewer(viewer, LevelFile{wadPath, nullptr}, StartMap{viewer.state.mapIndex, {}}, fontPath);
}

void ShowCurrentMap(Viewer& viewer) {
    LoadShownMap(viewer);
    TakeMapView(viewer);
}

void ComposeFrame(Viewer& viewer) {
    if (viewer.fitPending) TakeMapView(viewer);
    RenderFrame(viewer.framebuffer, viewer.level, viewer.state, viewer.font, viewer.statusLine);
}

std::string ShownMapName(const Viewer& viewer) {
    return FileMode(viewer) ? viewer.fileMaps[size_t(viewer.state.mapIndex)] : kMapTable[viewer.state.mapIndex].name;
}

std::string ViewerTitle(const Viewer& viewer) {
    if (!FileMode(viewer)) return kWindowTitle;
    std::string path = viewer.wadFile.path ? viewer.wadFile.path : "";
    return std::string(kWindowTitle) + " - " + ShownMapName(viewer) + " - " + path.substr(path.find_last_of("/\\") + 1);
}

void CloseViewer(Viewer& viewer) {
    FreeLevel(viewer.level);
    ResetFontImage(viewer.font);
}
