#include "app/viewer.h"

#include "render/fitted_view.h"
#include "render/render_frame.h"

namespace {

bool FileMode(const Viewer& viewer) { return !viewer.fileMaps.empty(); }

void LoadShownMap(Viewer& viewer) {
    LoadLevel(viewer.level, viewer.wadFile, ShownMapName(viewer).c_str(),
              FileMode(viewer) ? MarkerSearch::kExactName : MarkerSearch::kTableName);
}

// The run's file and start map, the map loaded.
void BeginRun(Viewer& viewer, const LevelFile& wadFile, const StartMap& start) {
    viewer.wadFile = wadFile;
    viewer.fileMaps = start.fileMaps;
    viewer.state.mapIndex = start.mapIndex;
    LoadShownMap(viewer);
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
    BeginRun(viewer, wadFile, start);
    LoadFontOverCheckerboard(viewer.font, fontPath);
    SetStartValues(viewer);
}

void RestartViewer(Viewer& viewer, const LevelFile& wadFile, const StartMap& start) {
    FontImage font = viewer.font;
    viewer = Viewer{};
    viewer.font = font;
    BeginRun(viewer, wadFile, start);
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
    return std::string(kWindowTitle) + " - " + ShownMapName(viewer) + " - " + FileNameOf(viewer.wadFile.path ? viewer.wadFile.path : "");
}

void CloseViewer(Viewer& viewer) {
    FreeLevel(viewer.level);
    ResetFontImage(viewer.font);
}
