// wadscope.exe: the viewer's window, its 16 ms timer and the copy of each
// frame into the window.
#include <windows.h>

#include <cstdint>
#include <string>

#include "app/session.h"

namespace {

const char* const kWindowClassName = "Wadscope3D";
// The core names the styles without the Windows headers; these are they.
static_assert(kViewerWindowStyle == WS_OVERLAPPEDWINDOW && kCaptionStyleBits == WS_CAPTION &&
              kBorderlessWindowStyle == (WS_POPUP | WS_VISIBLE));
constexpr UINT_PTR kFrameTimerId = 1;
constexpr UINT kFrameTimerMilliseconds = 16;

Session session;
Launch launch;  // what the command line chose: the level file, the start map and the font

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

// The folder of wadscope.exe, where the zip puts font.bmp; empty when Windows cannot say.
std::string ProgramFolder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return "";
    std::string file(path, length);
    size_t separator = file.find_last_of("\\/");
    return separator == std::string::npos ? "" : file.substr(0, separator);
}

}  // namespace

void PresentFrame(HDC deviceContext) {
    const Canvas& frame = session.framebuffer.canvas();
    int32_t w = frame.width, h = frame.height;
    if (w <= 0 || h <= 0) return;  // nothing to copy
    HBITMAP bitmap = CreateCompatibleBitmap(deviceContext, w, h);
    SetBitmapBits(bitmap, DWORD(size_t(w) * size_t(h) * 4), frame.pixels);
    HDC memoryContext = CreateCompatibleDC(deviceContext);
    HGDIOBJ previous = SelectObject(memoryContext, bitmap);
    StretchBlt(deviceContext, 0, 0, w, h, memoryContext, 0, 0, w, h, SRCCOPY);
    SelectObject(memoryContext, previous);
    DeleteDC(memoryContext);
    DeleteObject(bitmap);
}

LRESULT CALLBACK ViewerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            StartLaunchedRun(session, launch);
            SetWindowTextA(window, WindowTitle(session).c_str());
            SetTimer(window, kFrameTimerId, kFrameTimerMilliseconds, nullptr);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_SIZE:
            // A failed allocation leaves a 0 x 0 framebuffer, which every frame leaves untouched.
            ResizeFramebuffer(session, LOWORD(lParam), HIWORD(lParam));
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
            if (PressKey(session, uint32_t(wParam), &calls).titleChanged)
                SetWindowTextA(window, WindowTitle(session).c_str());
            return 0;
        }
        case WM_TIMER:
            if (ComposeFrame(session)) InvalidateRect(window, nullptr, TRUE);
            return 0;
        case WM_MOUSEMOVE:
            return 0;
        case WM_LBUTTONDOWN:  // client coordinates, signed: the framebuffer's pixels
            ClickAt(session, int16_t(LOWORD(lParam)), int16_t(HIWORD(lParam)));
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    // A GUI program has no console to print on: problems, help and the version go to a message box.
    launch = PrepareLaunch(Program::kWindowsViewer, __argc, __argv, ProgramFolder());
    if (const std::optional<Answer>& answer = launch.answer) {
        MessageBoxA(nullptr, answer->text.c_str(), kWindowTitle, MB_OK | (answer->isProblem ? MB_ICONERROR : MB_ICONINFORMATION));
        return answer->exitCode;
    }
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

    HWND window = CreateWindowExA(0, kWindowClassName, kWindowTitle, kViewerWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
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
