// wadscope: the viewer in a native SDL2 window. One resizable window, a frame
// composed every 16 ms and copied one to one to the window's top left.
#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/build_info.h"
#include "app/font_path.h"
#include "app/key_commands.h"
#include "app/viewer.h"

namespace {

constexpr int kStartWidth = 800;
constexpr int kStartHeight = 600;
constexpr Uint64 kTickMilliseconds = 16;

struct Shell {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;  // exactly the framebuffer's size, or none
    bool framebufferReady = false;
    uint32_t windowStyle = kViewerWindowStyle;  // Win32 style bits: only the caption's matter here
};

Viewer viewer;
Shell shell;

uint32_t SetWindowStyle(void* window, uint32_t style) {
    uint32_t previous = shell.windowStyle;
    shell.windowStyle = style;
    bool captioned = (style & kCaptionStyleBits) == kCaptionStyleBits;
    SDL_SetWindowBordered(static_cast<SDL_Window*>(window), captioned ? SDL_TRUE : SDL_FALSE);
    return previous;
}

void PlaceTopLeftTopmost(void* window, int32_t clientWidth, int32_t clientHeight) {
    SDL_Window* sdlWindow = static_cast<SDL_Window*>(window);
    SDL_SetWindowPosition(sdlWindow, 0, 0);
    if (clientWidth > 0 && clientHeight > 0) SDL_SetWindowSize(sdlWindow, clientWidth, clientHeight);
    SDL_SetWindowAlwaysOnTop(sdlWindow, SDL_TRUE);
}

// Replaces the framebuffer and the texture with ones of the window's pixel size.
// A failed allocation leaves 0 x 0 and no frames until a later resize succeeds.
void ResizeFramebuffer() {
    int width = 0, height = 0;
    if (SDL_GetRendererOutputSize(shell.renderer, &width, &height) != 0)
        SDL_GetWindowSize(shell.window, &width, &height);
    if (width < 0) width = 0;
    if (height < 0) height = 0;

    if (shell.texture) SDL_DestroyTexture(shell.texture);
    shell.texture = nullptr;
    std::free(viewer.framebuffer.pixels);
    viewer.framebuffer = {};
    shell.framebufferReady = false;

    size_t pixelCount = size_t(width) * size_t(height);
    uint32_t* pixels = nullptr;
    if (pixelCount > 0) {
        // Cleared, so a paint before the next tick shows black rather than old memory.
        pixels = static_cast<uint32_t*>(std::calloc(pixelCount, sizeof(uint32_t)));
        if (!pixels) {
            std::fprintf(stderr, "wadscope: no memory for a %dx%d frame\n", width, height);
            return;
        }
        shell.texture = SDL_CreateTexture(shell.renderer, SDL_PIXELFORMAT_RGB888,
                                          SDL_TEXTUREACCESS_STREAMING, width, height);
        if (!shell.texture) std::fprintf(stderr, "wadscope: %s\n", SDL_GetError());
    }
    viewer.framebuffer = {width, height, pixels};
    shell.framebufferReady = true;
}

void PresentFrame() {
    SDL_SetRenderDrawColor(shell.renderer, 0, 0, 0, 255);
    SDL_RenderClear(shell.renderer);
    const Framebuffer& frame = viewer.framebuffer;
    if (shell.texture && frame.pixels) {
        SDL_UpdateTexture(shell.texture, nullptr, frame.pixels, frame.width * int(sizeof(uint32_t)));
        SDL_Rect rect{0, 0, frame.width, frame.height};
        SDL_RenderCopy(shell.renderer, shell.texture, &rect, &rect);
    }
    SDL_RenderPresent(shell.renderer);
}

// The Win32 virtual-key code of a key, or 0 for keys no command can use.
uint32_t VirtualKeyOf(const SDL_Keysym& key) {
    SDL_Keycode code = key.sym;
    if (code >= SDLK_a && code <= SDLK_z) return uint32_t('A' + (code - SDLK_a));
    if (code >= SDLK_0 && code <= SDLK_9) return uint32_t(code);
    switch (code) {
        case SDLK_LCTRL:
        case SDLK_RCTRL: return kKeyControl;
        case SDLK_ESCAPE: return kKeyEscape;
        case SDLK_SPACE: return kKeySpace;
        case SDLK_PAGEUP: return kKeyPageUp;
        case SDLK_PAGEDOWN: return kKeyPageDown;
        case SDLK_LEFT: return kKeyLeft;
        case SDLK_UP: return kKeyUp;
        case SDLK_RIGHT: return kKeyRight;
        case SDLK_DOWN: return kKeyDown;
        case SDLK_KP_PLUS: return kKeyKeypadPlus;
        case SDLK_KP_MINUS: return kKeyKeypadMinus;
        case SDLK_F1: return kKeyF1;
        case SDLK_F2: return kKeyF2;
        case SDLK_F3: return kKeyF3;
        case SDLK_F4: return kKeyF4;
        default: return 0;
    }
}

// Returns false when the window has been closed.
bool HandleEvent(const SDL_Event& event, const WindowCalls& windowCalls) {
    switch (event.type) {
        case SDL_QUIT: return false;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) ResizeFramebuffer();
            else if (event.window.event == SDL_WINDOWEVENT_EXPOSED) PresentFrame();
            break;
        case SDL_KEYDOWN: {  // auto-repeat included: every repeat is one more command
            // Alt combinations are system keys on Windows and never reach the viewer.
            if ((event.key.keysym.mod & KMOD_ALT) && !(event.key.keysym.mod & KMOD_CTRL)) break;
            if (uint32_t virtualKey = VirtualKeyOf(event.key.keysym)) {
                ApplyKeyCommand(viewer, &windowCalls, virtualKey);
                // In file mode the title names the map, which a map key may have changed.
                std::string title = ViewerTitle(viewer);
                if (title != SDL_GetWindowTitle(shell.window)) SDL_SetWindowTitle(shell.window, title.c_str());
            }
            break;
        }
        default: break;
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    CommandLine commandLine;
    std::string problem;
    if (!ParseCommandLine(argc, argv, commandLine, problem)) {
        std::fprintf(stderr, "wadscope: %s (see wadscope --help)\n", problem.c_str());
        return 2;
    }
    if (commandLine.help) {
        std::printf("%sThe Wadscope viewer in a window of its own. With no option it opens DOOM1.WAD\n"
                    "and font.bmp in the working directory on E1M1, as always (with no font.bmp\n"
                    "there, the installed %s/font.bmp).\n\n%s",
                    kViewerUsage, kInstalledFontFolder, kSharedOptionsHelp);
        return 0;
    }
    if (commandLine.version) {
        std::printf("%s\n", VersionLine("wadscope").c_str());
        return 0;
    }
    LevelFile wadFile = LevelFileOf(commandLine);
    StartMap start;
    if (!ChooseStartMap(commandLine, wadFile, start, problem)) {
        std::fprintf(stderr, "wadscope: %s\n", problem.c_str());
        // Started from a menu, nobody reads standard error: say it in a box too (no display, no box).
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, kWindowTitle, ("wadscope: " + problem).c_str(), nullptr);
        return 1;
    }
    StartViewer(viewer, wadFile, start, ChooseFontPath(kInstalledFontFolder).c_str());

    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "wadscope: cannot start SDL: %s\n", SDL_GetError());
        return 1;
    }
    // With no display SDL falls back to drivers that show nothing; unless asked
    // for by name, a viewer there would run unseen forever.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!SDL_GetHint(SDL_HINT_VIDEODRIVER) && driver &&
        (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
        std::fprintf(stderr, "wadscope: no display to open a window on\n");
        SDL_Quit();
        return 1;
    }
    // One to one copies only; never filter.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    shell.window = SDL_CreateWindow(ViewerTitle(viewer).c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                    kStartWidth, kStartHeight,
                                    SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN);
    // Hidden until the renderer exists: making it may replace the native window.
    if (shell.window)
        shell.renderer = SDL_CreateRenderer(shell.window, -1, SDL_RENDERER_SOFTWARE);
    if (!shell.renderer) {
        std::fprintf(stderr, "wadscope: cannot open a window: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    SDL_ShowWindow(shell.window);
    ResizeFramebuffer();  // the first size; later ones come as size-change events

    WindowCalls windowCalls{shell.window, SetWindowStyle, PlaceTopLeftTopmost};
    Uint64 nextTick = SDL_GetTicks64() + kTickMilliseconds;
    bool running = true;
    while (running) {
        Uint64 now = SDL_GetTicks64();
        if (now >= nextTick) {
            if (shell.framebufferReady) {
                ComposeFrame(viewer);
                PresentFrame();
            }
            // A late tick is not made up for: at most one frame per tick.
            nextTick = now - nextTick >= kTickMilliseconds ? now + kTickMilliseconds
                                                          : nextTick + kTickMilliseconds;
            continue;
        }
        SDL_Event event;
        if (!SDL_WaitEventTimeout(&event, int(nextTick - now))) continue;
        running = HandleEvent(event, windowCalls);
        while (running && SDL_PollEvent(&event)) running = HandleEvent(event, windowCalls);
    }
    SDL_Quit();
    return 0;
}
