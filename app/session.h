// One run of the viewer, the same in every front end: from the arguments to a
// running viewer or to an exit code and one message; then ticks, keys and
// resizes. The front ends add only a window, pixels on screen and key codes.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "draw/font_image.h"
#include "draw/framebuffer.h"
#include "render/view.h"
#include "wad/level.h"
#include "wad/tree_check.h"
#include "wad/messages.h"

// WS_OVERLAPPEDWINDOW: the window's style at start, with caption and border.
constexpr uint32_t kViewerWindowStyle = 0x00CF0000;
// WS_CAPTION: the bits of a style that give the window its caption and border.
constexpr uint32_t kCaptionStyleBits = 0x00C00000;
// WS_POPUP | WS_VISIBLE: a borderless top-level window that keeps the keyboard.
constexpr uint32_t kBorderlessWindowStyle = 0x90000000;

constexpr const char* kWindowTitle = "Wadscope3D";

// The map a run starts on. Table mode (no fileMaps) steps through the built-in
// table's rows; file mode through the file's own maps, each in a fitted view.
struct StartMap {
    int32_t mapIndex = 0;               // a table row, or an index into fileMaps
    std::vector<std::string> fileMaps;  // the file's maps in directory order; empty in table mode
};

// What the program answers at once instead of running: help, the version, or a problem.
struct Answer {
    int exitCode;
    std::string text;  // as printed, line end included
    bool isProblem;    // for standard error or an error box
};

// What a program starts with, or the answer it gives instead.
struct Launch {
    Options options;
    LevelFile file;
    StartMap start;
    std::string fontPath;
    std::vector<std::string> checkMaps;  // wadscope-check: the maps to check, in directory order
    std::optional<Answer> answer;
};

// Parses the arguments, answers --help, --version and bad arguments, finds the
// font (installedFontFolder when the working directory has none) and chooses
// the start map. --map all reads the whole file once, for every run to share.
// wadscope-check always reads the whole file once, and chooses the maps to check.
Launch PrepareLaunch(Program program, int argc, char** argv, const std::string& installedFontFolder);

// With no option: table mode on E1M1, as always. Otherwise reads the file's
// directory: table mode when the map is one of the table's names and --fit is
// not given, file mode else. A problem when the file cannot be read, has no
// maps, or has no map of that name (it lists the maps then).
Result<StartMap> ChooseStartMap(const Options& options, const LevelFile& file);

// The two window calls of the Escape command, supplied by a front end with a window.
struct WindowCalls {
    void* window;
    // Gives the window this style; returns the style it had.
    uint32_t (*setStyle)(void* window, uint32_t style);
    // Top left of the screen, topmost, with this client size.
    void (*placeTopLeftTopmost)(void* window, int32_t clientWidth, int32_t clientHeight);
};

struct Session {
    Session() = default;
    Session(const Session&) = delete;  // it owns a framebuffer and shares a font
    Session& operator=(const Session&) = delete;
    Session(Session&&) = default;
    Session& operator=(Session&&) = default;

    LevelFile file;                     // where every map load reads
    std::vector<std::string> fileMaps;  // file mode: the file's maps, which the map keys step through
    int32_t mapIndex = 0;               // a table row, or an index into fileMaps
    Level level;
    std::optional<Problem> levelProblem;  // why the map shown did not load (the level is empty then)
    std::optional<TreeCheck> treeCheck;   // the level's, made when the tree overlay first shows it
    View view;
    std::shared_ptr<const FontImage> font = std::make_shared<const FontImage>();
    Framebuffer framebuffer;
    bool framebufferReady = false;  // ticks wait for the first size
    bool fitPending = false;        // a fitted view waits for a framebuffer with a size
    int32_t animationTick = 0;      // ticks since the walk overlay's animation started
    // What the command line asked of every run: the overlay at start, and a file for each frame's walk.
    Overlay startOverlay = Overlay::kOff;
    std::optional<std::string> tracePath;
    uint32_t altWindowStyle = kBorderlessWindowStyle;  // the style the next Escape applies
    MessageSink messages = [](Stream, std::string_view) {};
};

// What the run's options ask of the session (its overlay at start, its trace file).
void TakeRunOptions(Session& session, const Options& options);

// Prints each line on the standard stream it names.
void PrintToStandardStreams(Stream stream, std::string_view line);

// Prints the answer on its standard stream; returns its exit code.
int PrintAnswer(const Answer& answer);

// The run the command line chose, its messages on the standard streams.
void StartLaunchedRun(Session& session, const Launch& launch);

// Start-up's font: the checkerboard, then the file; its problem goes to messages.
std::shared_ptr<const FontImage> LoadStartFont(const std::string& path, const MessageSink& messages);

// A run on the start map, as window creation starts it: the map loaded, the
// font read after it, the start values. The framebuffer and messages are kept.
void StartRun(Session& session, const LevelFile& file, const StartMap& start, const std::string& fontPath);
// The same keeping a font already read.
void StartRun(Session& session, const LevelFile& file, const StartMap& start, std::shared_ptr<const FontImage> font);

// Loads map mapIndex and takes its view: the table row's, or in file mode a
// fitted one, at once when the framebuffer has a size.
void ShowMap(Session& session, int32_t mapIndex);

// A framebuffer of the client area's size; the ticks start with the first.
Status ResizeFramebuffer(Session& session, int32_t width, int32_t height);

// One tick: a frame into the framebuffer, once it has had a size; the walk to the
// trace file, when there is one; the walk overlay's animation a tick further. False before the first size.
bool ComposeFrame(Session& session);

// A left click at pixel (x, y): in the tree overlay, the subsector under it, with
// its path from the root, is selected; in the walk overlay, the viewpoint moves there.
void ClickAt(Session& session, int32_t x, int32_t y);

// What a key changed, for the front end to show.
struct KeyOutcome {
    bool titleChanged = false;
    bool mapChanged = false;
    bool windowStyleChanged = false;
};
// One key-down; keys outside the table change nothing. With no window calls, Escape changes nothing.
KeyOutcome PressKey(Session& session, uint32_t virtualKey, const WindowCalls* window);

// The name of the map shown: a table row's, or in file mode the file's map.
std::string ShownMapName(const Session& session);

// "Wadscope3D", followed in file mode by the map's name and the file's name.
std::string WindowTitle(const Session& session);
