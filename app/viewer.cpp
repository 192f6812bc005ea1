#include "app/viewer.h"

#include "render/render_frame.h"

void SetStartValues(Viewer& viewer) {
    Level& level = viewer.level;
    level.maxDepth = 100;
    level.maxDraw = 250;
    level.drawFarSides = 1;
    const MapTableEntry& row = kMapTable[viewer.state.mapIndex];
    level.scale = row.scale;
    level.offsetX = row.offsetX;
    level.offsetY = row.offsetY;
    viewer.state.playerX = 50.0f;
    viewer.state.playerY = 50.0f;
}

void StartViewer(Viewer& viewer, const char* wadPath, const char* fontPath) {
    viewer.wadPath = wadPath;
    LoadLevel(viewer.level, viewer.state.mapIndex, wadPath);
    ResetFontImage(viewer.font);
    FillFallbackCheckerboard(viewer.font);
    int32_t fontWidth = 0, fontHeight = 0;
    LoadFontImage(viewer.font, fontPath, &fontWidth, &fontHeight);
    SetStartValues(viewer);
}

void ComposeFrame(Viewer& viewer) {
    RenderFrame(viewer.framebuffer, viewer.level, viewer.state, viewer.font, viewer.statusLine);
}

void CloseViewer(Viewer& viewer) {
    FreeLevel(viewer.level);
    ResetFontImage(viewer.font);
}
