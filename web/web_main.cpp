// The viewer for the web page: the few functions the page's JavaScript calls.
// Like the window shells, it keeps one viewer and owns its framebuffer; the
// page supplies the file's bytes, the canvas size, the keys and the 16 ms ticks.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/key_commands.h"
#include "app/viewer.h"

namespace {

// Where the page writes font.bmp in the module's in-memory file system.
constexpr const char* kFontPath = "/font.bmp";

struct Page {
    Viewer viewer;
    bool fontRead = false;       // StartViewer has run once; later starts keep its font
    bool running = false;        // the viewer runs on the open file: ticks and keys reach it
    WadImage* image = nullptr;   // the open file's bytes, which every map load reads
    std::string fileName;        // the open file's name, for messages and the title
    std::vector<std::string> maps;
    Framebuffer framebuffer;     // the canvas's size
    uint32_t* rgba = nullptr;    // the last frame as the canvas takes it: R, G, B, 255 bytes
    std::string text;            // the last string handed to the page
};

Page page;

const char* Hand(std::string text) {
    page.text = std::move(text);
    return page.text.c_str();
}

}  // namespace

extern "C" {

// Takes a copy of a file's bytes as the open file; the viewer stops until a start.
EMSCRIPTEN_KEEPALIVE void wadscope_open(const char* name, const uint8_t* bytes, uint32_t size) {
    page.running = false;
    FreeWadImage(page.image);
    page.image = WadImageFromBytes(bytes, size);
    page.fileName = name;
    page.maps.clear();
    if (page.image) page.maps = ListMaps(ReadLevelFileDirectory(LevelFile{page.fileName.c_str(), page.image}));
}

// The open file's maps in directory order, one per line.
EMSCRIPTEN_KEEPALIVE const char* wadscope_maps() {
    std::string lines;
    for (const std::string& map : page.maps) lines += map + "\n";
    return Hand(lines);
}

// Starts the open file afresh as the programs do with --wad, --map and --fit
// (an empty mapName: no --map). "" when the viewer runs, else a one-line problem.
EMSCRIPTEN_KEEPALIVE const char* wadscope_start(const char* mapName, int fit) {
    page.running = false;
    if (!page.image) return Hand(LevelProblem(LevelStatus::kUnreadable, page.fileName, ""));
    LevelFile file{page.fileName.c_str(), page.image};
    CommandLine commandLine{file.path, *mapName ? mapName : nullptr, fit != 0, false};
    StartMap start;
    std::string problem;
    if (!ChooseStartMap(commandLine, file, start, problem)) return Hand(problem);
    if (page.fontRead) {
        RestartViewer(page.viewer, file, start);
    } else {
        StartViewer(page.viewer, file, start, kFontPath);
        page.fontRead = true;
    }
    // Like the window's first size event, after start-up: a fitted view waits for the first frame.
    page.viewer.framebuffer = page.framebuffer;
    page.running = true;
    return Hand("");
}

// "" when the map shown has loaded, else why not in one line (the load has
// printed its own reasons on standard output).
EMSCRIPTEN_KEEPALIVE const char* wadscope_level_problem() {
    if (!page.running) return Hand("");
    return Hand(LevelProblem(page.viewer.level.status, page.fileName, ShownMapName(page.viewer)));
}

// The map shown ("" when the viewer does not run) and the window's title for it.
EMSCRIPTEN_KEEPALIVE const char* wadscope_shown_map() {
    return Hand(page.running ? ShownMapName(page.viewer) : "");
}
EMSCRIPTEN_KEEPALIVE const char* wadscope_title() {
    return Hand(page.running ? ViewerTitle(page.viewer) : kWindowTitle);
}

// A framebuffer of the canvas's new size, not cleared: the next tick composes a
// whole frame. Returns where the canvas's pixels will be, null when there is no
// memory for them (then 0 x 0 until a later resize succeeds).
EMSCRIPTEN_KEEPALIVE uint32_t* wadscope_resize(int32_t width, int32_t height) {
    std::free(page.framebuffer.pixels);
    std::free(page.rgba);
    page.framebuffer = {};
    page.rgba = nullptr;
    size_t count = size_t(width > 0 ? width : 0) * size_t(height > 0 ? height : 0);
    if (count > 0) {
        page.framebuffer.pixels = static_cast<uint32_t*>(std::malloc(count * sizeof(uint32_t)));
        page.rgba = static_cast<uint32_t*>(std::malloc(count * sizeof(uint32_t)));
        if (!page.framebuffer.pixels || !page.rgba) return wadscope_resize(0, 0);
        page.framebuffer.width = width;
        page.framebuffer.height = height;
    }
    page.viewer.framebuffer = page.framebuffer;
    return page.rgba;
}

// One tick: a frame composed and made ready for the canvas. 0 when the viewer does not run.
EMSCRIPTEN_KEEPALIVE int wadscope_tick() {
    if (!page.running) return 0;
    ComposeFrame(page.viewer);
    const Framebuffer& frame = page.framebuffer;
    size_t count = size_t(frame.width) * size_t(frame.height);
    for (size_t k = 0; k < count; ++k) {
        uint32_t pixel = frame.pixels[k];  // 0x00RRGGBB; the top byte is not part of the colour
        page.rgba[k] = 0xFF000000u | (pixel & 0xFFu) << 16 | (pixel & 0xFF00u) | (pixel >> 16 & 0xFFu);
    }
    return 1;
}

// One key-down with its Win32 virtual-key code. Escape is the page's own (full screen).
EMSCRIPTEN_KEEPALIVE void wadscope_key(uint32_t virtualKey) {
    if (page.running) ApplyKeyCommand(page.viewer, nullptr, virtualKey);
}

}  // extern "C"
