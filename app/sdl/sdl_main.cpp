// wadscope: the viewer in a native SDL2 window. One resizable window, a frame
// composed every 16 ms and copied one to one to the window's top left.
#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>

#include "app/build_info.h"
#include "app/key_table.h"
#include "app/session.h"

namespace {

constexpr int kStartWidth = 800;
constexpr int kStartHeight = 600;
constexpr Uint64 kTickMilliseconds = 16;

struct Shell {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;  // exactly the framebuffer's size, or none
    uint32_t windowStyle = kViewerWindowStyle;  // Win32 style bits: only the caption's matter here
    std::unordered_map<SDL_Keycode, uint32_t> virtualKeys;  // from the key table's SDL names
};

Session session;
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

// A framebuffer and a texture of the window's pixel size.
void Resize() {
    int width = 0, height = 0;
    if (SDL_GetRendererOutputSize(shell.renderer, &width, &height) != 0) SDL_GetWindowSize(shell.window, &width, &height);
    if (shell.texture) SDL_DestroyTexture(shell.texture);
    shell.texture = nullptr;
    if (Status sized = ResizeFramebuffer(session, width, height); !sized)
        std::fprintf(stderr, "wadscope: %s\n", sized.problem().line.c_str());
    const Canvas& canvas = session.framebuffer.canvas();
    if (canvas.width > 0 && canvas.height > 0) {
        shell.texture = SDL_CreateTexture(shell.renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                          canvas.width, canvas.height);
        if (!shell.texture) std::fprintf(stderr, "wadscope: %s\n", SDL_GetError());
    }
}

void Present() {
    SDL_SetRenderDrawColor(shell.renderer, 0, 0, 0, 255);
    SDL_RenderClear(shell.renderer);
    const Canvas& frame = session.framebuffer.canvas();
    if (shell.texture && frame.pixels) {
        SDL_UpdateTexture(shell.texture, nullptr, frame.pixels, frame.width * int(sizeof(uint32_t)));
        SDL_Rect rect{0, 0, frame.width, frame.height};
        SDL_RenderCopy(shell.renderer, shell.texture, &rect, &rect);
    }
    SDL_RenderPresent(shell.renderer);
}

// Returns false when the window has been closed.
bool HandleEvent(const SDL_Event& event, const WindowCalls& windowCalls) {
    switch (event.type) {
        case SDL_QUIT: return false;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) Resize();
            else if (event.window.event == SDL_WINDOWEVENT_EXPOSED) Present();
            break;
        case SDL_MOUSEBUTTONDOWN: {
            if (event.button.button != SDL_BUTTON_LEFT) break;
            // Window coordinates to the framebuffer's pixels, which may be more where the screen is dense.
            int windowWidth = 1, windowHeight = 1;
            SDL_GetWindowSize(shell.window, &windowWidth, &windowHeight);
            const Canvas& canvas = session.framebuffer.canvas();
            ClickAt(session, int32_t(int64_t(event.button.x) * canvas.width / std::max(windowWidth, 1)),
                    int32_t(int64_t(event.button.y) * canvas.height / std::max(windowHeight, 1)));
            break;
        }
        case SDL_KEYDOWN: {  // auto-repeat included: every repeat is one more command
            // Alt combinations are system keys on Windows and never reach the viewer.
            if ((event.key.keysym.mod & KMOD_ALT) && !(event.key.keysym.mod & KMOD_CTRL)) break;
            auto key = shell.virtualKeys.find(event.key.keysym.sym);
            if (key != shell.virtualKeys.end() && PressKey(session, key->second, &windowCalls).titleChanged)
                SDL_SetWindowTitle(shell.window, WindowTitle(session).c_str());
            break;
        }
        default: break;
    }
    return true;
}

// SDL's key codes of the keys in the table.
void MapKeys() {
    for (const Key& key : Keys()) {
        std::string names = key.sdlNames;
        for (size_t start = 0, end; start <= names.size(); start = end + 1) {
            end = std::min(names.find('|', start), names.size());
            SDL_Keycode code = SDL_GetKeyFromName(names.substr(start, end - start).c_str());
            if (code != SDLK_UNKNOWN) shell.virtualKeys[code] = key.virtualKey;
        }
    }
}

int Fail(const char* what) {
    std::fprintf(stderr, "wadscope: %s%s\n", what, SDL_GetError());
    SDL_Quit();
    return 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    Launch launch = PrepareLaunch(Program::kViewer, argc, argv, kInstalledFontFolder);
    if (launch.answer) {
        const Answer& answer = *launch.answer;
        PrintAnswer(answer);
        // Started from a menu, nobody reads standard error: say it in a box too (no display, no box).
        std::string line = answer.text.substr(0, answer.text.find('\n'));
        if (answer.exitCode == 1) SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, kWindowTitle, line.c_str(), nullptr);
        return answer.exitCode;
    }
    StartLaunchedRun(session, launch);

    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return Fail("cannot start SDL: ");
    // With no display SDL falls back to drivers that show nothing; unless asked
    // for by name, a viewer there would run unseen forever.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!SDL_GetHint(SDL_HINT_VIDEODRIVER) && driver &&
        (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
        std::fprintf(stderr, "wadscope: no display to open a window on\n");
        SDL_Quit();
        return 1;
    }
    MapKeys();
    // One to one copies only; never filter.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    shell.window = SDL_CreateWindow(WindowTitle(session).c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                    kStartWidth, kStartHeight, SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN);
    // Hidden until the renderer exists: making it may replace the native window.
    if (shell.window) shell.renderer = SDL_CreateRenderer(shell.window, -1, SDL_RENDERER_SOFTWARE);
    if (!shell.renderer) return Fail("cannot open a window: ");
    SDL_ShowWindow(shell.window);
    Resize();  // the first size; later ones come as size-change events

    WindowCalls windowCalls{shell.window, SetWindowStyle, PlaceTopLeftTopmost};
    Uint64 nextTick = SDL_GetTicks64() + kTickMilliseconds;
    bool running = true;
    while (running) {
        Uint64 now = SDL_GetTicks64();
        if (now >= nextTick) {
            if (ComposeFrame(session)) Present();
            // A late tick is not made up for: at most one frame per tick.
            nextTick = now - nextTick >= kTickMilliseconds ? now + kTickMilliseconds : nextTick + kTickMilliseconds;
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
