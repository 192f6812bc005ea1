// The viewer for the web page: the few functions the page's JavaScript calls.
// Like the window shells, it keeps one session; the page supplies the file's
// bytes, the canvas size, the keys and the 16 ms ticks.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/key_table.h"
#include "app/session.h"

namespace {

// Where the page writes font.bmp in the module's in-memory file system.
constexpr const char* kFontPath = "/font.bmp";

struct Page {
    Page() { session.messages = PrintToStandardStreams; }
    Session session;
    bool fontRead = false;  // the first start reads the font; later starts keep it
    bool running = false;   // the viewer runs on the open file: ticks and keys reach it
    LevelFile file;        // the open file's name and bytes, which every map load reads
    std::vector<std::string> maps;
    Framebuffer rgba;            // the last frame as the canvas takes it: R, G, B, 255 bytes
    std::string text;            // the last string handed to the page
};

Page page;

// A string for the page, valid until the next call.
const char* ToPage(std::string text) {
    page.text = std::move(text);
    return page.text.c_str();
}

}  // namespace

extern "C" {

// Takes a copy of a file's bytes as the open file; the viewer stops until a start.
EMSCRIPTEN_KEEPALIVE void wadscope_open(const char* name, const uint8_t* bytes, uint32_t size) {
    page.running = false;
    page.file = LevelFile{name, nullptr};
    page.maps.clear();
    Result<WadImage> image = WadImageFromBytes(bytes, size, name);
    if (!image) return;
    page.file.image = std::make_shared<const WadImage>(std::move(*image));
    if (Result<WadDirectory> directory = ReadLevelFileDirectory(page.file)) page.maps = ListMaps(*directory);
}

// The open file's maps in directory order, one per line.
EMSCRIPTEN_KEEPALIVE const char* wadscope_maps() {
    std::string lines;
    for (const std::string& map : page.maps) lines += map + "\n";
    return ToPage(lines);
}

// The viewer's keys, "CODE VIRTUAL-KEY" a line, by KeyboardEvent.code.
EMSCRIPTEN_KEEPALIVE const char* wadscope_keys() {
    std::string lines;
    for (const Key& key : Keys()) {
        std::string codes = std::string(key.browserCodes) + " ";
        for (size_t start = 0, end; (end = codes.find(' ', start)) != std::string::npos; start = end + 1)
            lines += codes.substr(start, end - start) + " " + std::to_string(key.virtualKey) + "\n";
    }
    return ToPage(lines);
}

// Starts the open file afresh as the programs do with --wad, --map, --fit and
// --overlay (an empty mapName: no --map; overlay "", "walk" or "tree"). "" when
// the viewer runs, else a one-line problem.
EMSCRIPTEN_KEEPALIVE const char* wadscope_start(const char* mapName, int fit, const char* overlay) {
    page.running = false;
    if (!page.file.image) return ToPage("cannot read level file " + page.file.path);
    Options options;
    options.wadPath = page.file.path;
    if (*mapName) options.mapName = mapName;
    options.fit = fit != 0;
    options.overlay = OverlayNamed(overlay).value_or(Overlay::kOff);
    TakeRunOptions(page.session, options);
    Result<StartMap> start = ChooseStartMap(options, page.file);
    if (!start) return ToPage(start.problem().line);
    if (page.fontRead) StartRun(page.session, page.file, *start, page.session.font);
    else StartRun(page.session, page.file, *start, kFontPath);
    page.fontRead = true;
    page.running = true;
    return ToPage("");
}

// "" when the map shown has loaded, else why not in one line (the load has
// printed its own reasons on standard output).
EMSCRIPTEN_KEEPALIVE const char* wadscope_level_problem() {
    return ToPage(page.running && page.session.levelProblem ? page.session.levelProblem->line : "");
}

// The map shown ("" when the viewer does not run) and the window's title for it.
EMSCRIPTEN_KEEPALIVE const char* wadscope_shown_map() { return ToPage(page.running ? ShownMapName(page.session) : ""); }
EMSCRIPTEN_KEEPALIVE const char* wadscope_title() { return ToPage(page.running ? WindowTitle(page.session) : kWindowTitle); }

// A framebuffer of the canvas's new size: the next tick composes a whole frame.
// Returns where the canvas's pixels will be, null when there is no memory for
// them (then 0 x 0 until a later resize succeeds).
EMSCRIPTEN_KEEPALIVE uint32_t* wadscope_resize(int32_t width, int32_t height) {
    page.rgba.Resize(0, 0);
    Status sized = ResizeFramebuffer(page.session, width, height);
    const Canvas& canvas = page.session.framebuffer.canvas();
    if (sized) sized = page.rgba.Resize(canvas.width, canvas.height);
    if (!sized) {
        ResizeFramebuffer(page.session, 0, 0);
        return nullptr;
    }
    return page.rgba.canvas().pixels;
}

// One tick: a frame composed and made ready for the canvas. 0 when the viewer does not run.
EMSCRIPTEN_KEEPALIVE int wadscope_tick() {
    if (!page.running || !ComposeFrame(page.session)) return 0;
    const Canvas &frame = page.session.framebuffer.canvas(), &rgba = page.rgba.canvas();
    for (size_t k = 0; k < size_t(rgba.width) * size_t(rgba.height); ++k) {
        uint32_t pixel = frame.pixels[k];  // 0x00RRGGBB; the top byte is not part of the colour
        rgba.pixels[k] = 0xFF000000u | (pixel & 0xFFu) << 16 | (pixel & 0xFF00u) | (pixel >> 16 & 0xFFu);
    }
    return 1;
}

// A left click at a pixel of the canvas.
EMSCRIPTEN_KEEPALIVE void wadscope_click(int32_t x, int32_t y) {
    if (page.running) ClickAt(page.session, x, y);
}

// One key-down with its Win32 virtual-key code. Escape is the page's own (full screen).
EMSCRIPTEN_KEEPALIVE void wadscope_key(uint32_t virtualKey) {
    if (page.running) PressKey(page.session, virtualKey, nullptr);
}

}  // extern "C"
