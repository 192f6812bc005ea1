// wadscope.exe: the viewer's window, its 16 ms timer and the copy of each
// frame into the window.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/font_path.h"
#include "app/key_commands.h"
#include "app/viewer.h"

namespace {

const char* const kWindowClassName = "Wadscope3D";
// The core names the styles without the Windows headers; these are they.
static_assert(kViewerWindowStyle == WS_OVERLAPPEDWINDOW && kCaptionStyleBits == WS_CAPTION &&
              kBorderlessWindowStyle == (WS_POPUP | WS_VISIBLE));
constexpr UINT_PTR kFrameTimerId = 1;
constexpr UINT kFrameTimerMilliseconds = 16;
constexpr size_t kFirstFramebufferBytes = 2048;

Viewer viewer;
uint8_t framebufferReady = 0;  // set by the first WM_SIZE; ticks wait for it
// What the command line chose: the level file and the map to start on; and the font.
LevelFile startFile;
StartMap startMap;
std::string fontPath;

uint32_t SetViewerWindowStyle(void* window, uint32_t style) {
    return uint32_t(SetWindowLongA(static_cast<HWND>(window), GWL_STYLE, LONG(style)));
}

// Outer size from the style just set, so the client area keeps the framebuffer's size.
void PlaceViewerWindowTopLeftTopmost(void* window, int32_t clientWidth, int32_t clientHeight) {
    HWND handle = static_cast<HWND>(window);
    RECT outer = {0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&outer, DWORD(GetWindowLongA(handle, GWL_STYLE)), FALSE,
                       DWORD(GetWindowLongA(handle, GWL_EXSTYLE)));
    SetWindowPos(handle, HWND_TOPMOST, 0, 0, outer.right - outer.left, outer.bottom - outer.top, 0);
}

// A failed allocation leaves a 0 x 0 framebuffer, which every frame leaves untouched.
void ResizeFramebuffer(uint16_t width, uint16_t height) {
    Framebuffer& framebuffer = viewer.framebuffer;
    if (framebuffer.pixels) {
        std::free(framebuffer.pixels);
        framebuffer.pixels = nullptr;
    }
    size_t bytes = size_t(width) * size_t(height) * 4;
    framebuffer.pixels = static_cast<uint32_t*>(std::malloc(bytes));
    if (framebuffer.pixels || bytes == 0) {
        framebuffer.width = width;
        framebuffer.height = height;
    } else {
        framebuffer.width = 0;
        framebuffer.height = 0;
    }
    framebufferReady = 1;
}

// In file mode the title names the map and the file; in table mode it stays "Wadscope3D".
void ShowTitle(HWND window) {
    std::string title = ViewerTitle(viewer);
    char shown[256] = "";
    GetWindowTextA(window, shown, sizeof shown);
    if (title != shown) SetWindowTextA(window, title.c_str());
}

}  // namespace

void PresentFrame(HDC deviceContext) {
    int32_t w = viewer.framebuffer.width, h = viewer.framebuffer.height;
    if (w <= 0 || h <= 0) return;  // nothing to copy
    HBITMAP bitmap = CreateCompatibleBitmap(deviceContext, w, h);
    SetBitmapBits(bitmap, DWORD(size_t(w) * size_t(h) * 4), viewer.framebuffer.pixels);
    HDC memoryContext = CreateCompatibleDC(deviceContext);
    HGDIOBJ previous = SelectObject(memoryContext, bitmap);
    StretchBlt(deviceContext, 0, 0, w, h, memoryContext, 0, 0, w, h, SRCCOPY);
    SelectObject(memoryContext, previous);
    DeleteDC(memoryContext);
    DeleteObject(bitmap);
}

LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: {
            StartViewer(viewer, startFile, startMap, fontPath.c_str());
            ShowTitle(window);
            Framebuffer& framebuffer = viewer.framebuffer;
            framebuffer.pixels = static_cast<uint32_t*>(std::malloc(
                size_t(framebuffer.height) * size_t(framebuffer.width) * 4 + kFirstFramebufferBytes));
            SetTimer(window, kFrameTimerId, kFrameTimerMilliseconds, nullptr);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_SIZE:
            ResizeFramebuffer(LOWORD(lParam), HIWORD(lParam));
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC deviceContext = BeginPaint(window, &paint);
            PresentFrame(deviceContext);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;  // the next paint covers the whole client area
        case WM_KEYDOWN: {
            WindowCalls calls{window, SetViewerWindowStyle, PlaceViewerWindowTopLeftTopmost};
            ApplyKeyCommand(viewer, &calls, uint32_t(wParam));
            ShowTitle(window);  // a map key may have changed the map the title names
            return 0;
        }
        case WM_TIMER:
            if (framebufferReady) {
                ComposeFrame(viewer);
                InvalidateRect(window, nullptr, TRUE);
            }
            return 0;
        case WM_MOUSEMOVE:
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

// The folder of wadscope.exe, where the zip puts font.bmp; empty when Windows cannot say.
std::string ProgramFolder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return "";
    std::string file(path, length);
    size_t separator = file.find_last_of("\\/");
    return separator == std::string::npos ? "" : file.substr(0, separator);
}

// A GUI program has no console to print on: problems, help and the version go to a message box.
int Tell(const std::string& text, int exitCode) {
    MessageBoxA(nullptr, text.c_str(), kWindowTitle, MB_OK | (exitCode == 0 ? MB_ICONINFORMATION : MB_ICONERROR));
    return exitCode;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    CommandLine commandLine;
    std::string problem;
    if (!ParseCommandLine(__argc, __argv, commandLine, problem)) return Tell("wadscope: " + problem, 2);
    if (commandLine.help)
        return Tell(std::string(kViewerUsage) + kSharedOptionsHelp, 0);
    if (commandLine.version) return Tell(VersionLine("wadscope"), 0);
    startFile = LevelFileOf(commandLine);
    if (!ChooseStartMap(commandLine, startFile, startMap, problem)) return Tell("wadscope: " + problem, 1);
    fontPath = ChooseFontPath(ProgramFolder());

    WNDCLASSA windowClass = {};
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = ViewerWindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW);  // 5; never painted
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = kWindowClassName;
    if (!RegisterClassA(&windowClass)) {
        MessageBoxA(nullptr, "Program requires Windows NT!", kWindowTitle, MB_OK | MB_ICONERROR);
        return 0;
    }

    HWND window = CreateWindowExA(0, kWindowClassName, kWindowTitle, kViewerWindowStyle,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, nullptr, instance, nullptr);
    if (!window) {
        // Without a window no message would ever end the loop.
        MessageBoxA(nullptr, "Unable to create the window", kWindowTitle, MB_OK | MB_ICONERROR);
        return 1;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    MSG message;
    BOOL received;
    // -1 is an error, not a message: looping on it would spin on a stale record.
    while ((received = GetMessageA(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return received < 0 ? 1 : int(message.wParam);
}
