#include "app/session.h"

#include <cstdio>

#include "app/font_path.h"
#include "app/key_table.h"
#include "app/map_table.h"
#include "render/fitted_view.h"
#include "render/map_to_screen.h"
#include "render/overlay.h"
#include "render/render_frame.h"

namespace {

bool FileMode(const Session& session) { return !session.fileMaps.empty(); }

// The last part of a path, after its last / or \.
std::string FileNameOf(const std::string& path) { return path.substr(path.find_last_of("/\\") + 1); }

// The exit code of a run that stops for this problem.
int ExitCodeOf(const Problem& problem) { return problem.kind == ProblemKind::kBadArgument ? 2 : 1; }

// Windows shows an answer in a message box, which needs no line end.
const char* LineEnd(Program program) { return program == Program::kWindowsViewer ? "" : "\n"; }

// What to do about a level file that cannot be read: for Freedoom's files, which Debian package brings them.
std::string UnreadableFileProblem(const std::string& problem, const std::string& path) {
    std::string name = FileNameOf(path);
    const char* package = name == "freedm.wad" ? "freedm" : name.starts_with("freedoom") ? "freedoom" : nullptr;
    if (!package) return problem;
    return problem + ": install Debian's " + package + " package, or give --wad a level file of your own";
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : " ") + name;
    return text;
}

// The table row's view, or in file mode a fitted one once the framebuffer has a size.
void ApplyMapView(Session& session) {
    View& view = session.view;
    if (!FileMode(session)) {
        const MapTableEntry& row = kMapTable[session.mapIndex];
        view.scale = row.scale, view.offsetX = row.offsetX, view.offsetY = row.offsetY;
        return;
    }
    const Canvas& canvas = session.framebuffer.canvas();
    session.fitPending = canvas.width <= 0 || canvas.height <= 0;
    if (session.fitPending) return;
    MapView fitted = FitMapView(session.level.vertexes, canvas.width, canvas.height);
    view.scale = fitted.scale, view.offsetX = fitted.offsetX, view.offsetY = fitted.offsetY;
}

void LoadShownMap(Session& session) {
    MarkerSearch search = FileMode(session) ? MarkerSearch::kExactName : MarkerSearch::kEntryNameWithin;
    Result<Level> level = LoadLevel(session.file, ShownMapName(session), search, session.messages);
    session.level = level ? std::move(*level) : Level{};
    session.treeCheck.reset();
    session.levelProblem = level ? std::nullopt : std::optional<Problem>(level.problem());
}

// Everything a run starts afresh; the framebuffer, where messages go and the run's options stay.
void BeginRun(Session& session, const LevelFile& file, const StartMap& start) {
    Session fresh;
    fresh.framebuffer = std::move(session.framebuffer);
    fresh.framebufferReady = session.framebufferReady;
    fresh.messages = std::move(session.messages);
    fresh.startOverlay = session.startOverlay;
    fresh.tracePath = std::move(session.tracePath);
    session = std::move(fresh);
    session.file = file;
    session.fileMaps = start.fileMaps;
    session.mapIndex = start.mapIndex;
    LoadShownMap(session);
}

// maxDepth 100, maxDraw 250, far sides on, the map's view, the viewpoint (50, 50).
void SetStartValues(Session& session) {
    View& view = session.view;
    view.maxDepth = 100;
    view.maxDraw = 250;
    view.drawFarSides = 1;
    ApplyMapView(session);
    view.playerX = 50.0f;
    view.playerY = 50.0f;
    view.overlay = session.startOverlay;
}

// The walk as the trace file has it: one JSON object a line, in the walk's order.
std::string TraceLines(const WalkTrace& trace) {
    static constexpr const char* kChildren[] = {"both", "near", "none"};
    std::string text;
    for (const WalkStep& step : trace.steps) {
        if (step.isNode)
            text += "{\"node\": " + std::to_string(step.index) + ", \"depth\": " + std::to_string(step.depth) + ", \"side\": " +
                    std::to_string(step.side) + ", \"children\": \"" + kChildren[int(step.children)] + "\"}\n";
        else
            text += "{\"subsector\": " + std::to_string(step.index) +
                    (step.order < 0 ? ", \"fail\": true}\n" : ", \"order\": " + (step.order ? std::to_string(step.order) : "null") + "}\n");
    }
    return text;
}

// "wadscope: ", "wadscope-render: ": how a program's level problems begin.
Answer LevelProblemAnswer(Program program, const Problem& problem) {
    return {ExitCodeOf(problem), ProgramName(program) + ": " + problem.line + LineEnd(program), true};
}

// wadscope-check's maps: --map's one, or all of them, read from the file's image.
Status ChooseMapsToCheck(Launch& launch) {
    Result<WadImage> image = LoadWadImage(launch.file.path);
    if (!image) {
        Problem problem = image.problem();
        if (problem.kind == ProblemKind::kUnreadable) problem.line = UnreadableFileProblem(problem.line, launch.file.path);
        return problem;
    }
    launch.file.image = std::make_shared<const WadImage>(std::move(*image));
    Options listing = launch.options;  // fitted: the start lists every map of the file
    listing.fit = true;
    if (listing.allMaps) listing.mapName.reset();
    Result<StartMap> start = ChooseStartMap(listing, launch.file);
    if (!start) return start.problem();
    if (listing.allMaps) launch.checkMaps = std::move(start->fileMaps);
    else launch.checkMaps = {start->fileMaps[size_t(start->mapIndex)]};
    return Succeeded();
}

}  // namespace

Result<StartMap> ChooseStartMap(const Options& options, const LevelFile& file) {
    if (!options.wadPath && !options.mapName && !options.fit) return StartMap{};
    Result<WadDirectory> directory = ReadLevelFileDirectory(file);
    if (!directory) {
        Problem problem = directory.problem();
        if (problem.kind == ProblemKind::kUnreadable) problem.line = UnreadableFileProblem(problem.line, file.path);
        return problem;
    }
    std::vector<std::string> maps = ListMaps(*directory);
    if (maps.empty()) return Problem{ProblemKind::kNoSuchMap, file.path + " has no maps"};
    std::optional<int32_t> entry = FindMapEntry(*directory, options.mapName ? *options.mapName : "E1M1");
    if (!entry && options.mapName)
        return Problem{ProblemKind::kNoSuchMap, file.path + " has no map " + *options.mapName + "; its maps: " + Joined(maps)};
    std::string name = entry ? LumpAt(*directory, *entry).name : maps.front();
    StartMap start;
    int32_t row = TableRowNamed(name.c_str());
    if (row >= 0 && entry && !options.fit) {
        start.mapIndex = row;
        return start;
    }
    start.fileMaps = std::move(maps);
    for (size_t k = 0; k < start.fileMaps.size(); ++k)
        if (start.fileMaps[k] == name) {
            start.mapIndex = int32_t(k);
            break;
        }
    return start;
}

Launch PrepareLaunch(Program program, int argc, char** argv, const std::string& installedFontFolder) {
    Launch launch;
    Result<Options> options = ParseArguments(program, argc, argv);
    if (!options) {
        launch.answer = Answer{ExitCodeOf(options.problem()), BadArgumentText(program, options.problem().line), true};
        return launch;
    }
    launch.options = std::move(*options);
    const Options& chosen = launch.options;
    if (chosen.help) {
        launch.answer = Answer{0, HelpText(program, installedFontFolder), false};
        return launch;
    }
    if (chosen.version) {
        launch.answer = Answer{0, VersionLine(program) + LineEnd(program), false};
        return launch;
    }
    launch.file.path = chosen.wadPath ? *chosen.wadPath : kDefaultWadPath;
    if (program == Program::kCheck) {
        if (Status chosenMaps = ChooseMapsToCheck(launch); !chosenMaps) launch.answer = LevelProblemAnswer(program, chosenMaps.problem());
        return launch;
    }
    launch.fontPath = chosen.fontPath ? *chosen.fontPath : ChooseFontPath(installedFontFolder);
    if (chosen.tableRow >= 0) {
        launch.start.mapIndex = chosen.tableRow;  // a row of the table, whatever the file holds
        return launch;
    }
    Options startOptions = chosen;
    if (chosen.allMaps) {
        Result<WadImage> image = LoadWadImage(launch.file.path);
        if (!image) {
            launch.answer = LevelProblemAnswer(program, image.problem());
            return launch;
        }
        launch.file.image = std::make_shared<const WadImage>(std::move(*image));
        startOptions.wadPath = launch.file.path, startOptions.mapName.reset();  // the file checked as --wad alone checks it
    }
    Result<StartMap> start = ChooseStartMap(startOptions, launch.file);
    if (!start) launch.answer = LevelProblemAnswer(program, start.problem());
    else launch.start = std::move(*start);
    return launch;
}

void PrintToStandardStreams(Stream stream, std::string_view line) {
    std::fwrite(line.data(), 1, line.size(), stream == Stream::kError ? stderr : stdout);
}

int PrintAnswer(const Answer& answer) {
    PrintToStandardStreams(answer.isProblem ? Stream::kError : Stream::kOutput, answer.text);
    return answer.exitCode;
}

void StartLaunchedRun(Session& session, const Launch& launch) {
    session.messages = PrintToStandardStreams;
    TakeRunOptions(session, launch.options);
    StartRun(session, launch.file, launch.start, launch.fontPath);
}

std::shared_ptr<const FontImage> LoadStartFont(const std::string& path, const MessageSink& messages) {
    auto font = std::make_shared<FontImage>();
    if (Status loaded = LoadFontOverCheckerboard(*font, path); !loaded) messages(Stream::kError, loaded.problem().line + "\n");
    return font;
}

void StartRun(Session& session, const LevelFile& file, const StartMap& start, const std::string& fontPath) {
    BeginRun(session, file, start);
    session.font = LoadStartFont(fontPath, session.messages);
    SetStartValues(session);
}

void StartRun(Session& session, const LevelFile& file, const StartMap& start, std::shared_ptr<const FontImage> font) {
    BeginRun(session, file, start);
    session.font = std::move(font);
    SetStartValues(session);
}

void ShowMap(Session& session, int32_t mapIndex) {
    session.mapIndex = mapIndex;
    LoadShownMap(session);
    ApplyMapView(session);
}

Status ResizeFramebuffer(Session& session, int32_t width, int32_t height) {
    session.framebufferReady = true;
    return session.framebuffer.Resize(width, height);
}

bool ComposeFrame(Session& session) {
    if (!session.framebufferReady) return false;
    if (session.fitPending) ApplyMapView(session);
    View& view = session.view;
    if (view.overlay == Overlay::kWalk && view.walkShown > 0) view.walkShown = 1 + session.animationTick++ / 4;
    StatusLine statusLine{};  // the viewpoint as it was before this frame takes the player start
    FormatStatusLine(statusLine, view.maxDepth, view.maxDraw, view.playerX, view.playerY);
    TakePlayerStart(session.level, view);
    WalkTrace trace;
    if (view.overlay == Overlay::kTree && !session.treeCheck) session.treeCheck = CheckTree(session.level);
    FrameReport report = RenderFrame(session.framebuffer.canvas(), session.level, view, *session.font, statusLine,
                                     session.tracePath ? &trace : nullptr, session.treeCheck ? &*session.treeCheck : nullptr);
    for (int32_t k = 0; k < report.failures; ++k) session.messages(Stream::kOutput, "Fail\r\n");
    if (session.tracePath) {
        std::string text = TraceLines(trace);
        std::FILE* file = std::fopen(session.tracePath->c_str(), "wb");
        bool written = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
        if (file && std::fclose(file) != 0) written = false;
        if (!written) {
            session.messages(Stream::kError, "cannot write " + *session.tracePath + "\n");
            session.tracePath.reset();  // said once, not at every tick
        }
    }
    return true;
}

void ClickAt(Session& session, int32_t x, int32_t y) {
    View& view = session.view;
    if (view.overlay == Overlay::kWalk) view.playerX = float(x), view.playerY = float(y);
    if (view.overlay == Overlay::kTree)
        view.treeSelection = TreePathTo(session.level, ScreenToMapUnits(float(x), view.offsetX, view.scale),
                                        ScreenToMapUnits(float(y), view.offsetY, view.scale));
}

void TakeRunOptions(Session& session, const Options& options) {
    session.startOverlay = options.overlay;
    session.tracePath = options.tracePath;
}

KeyOutcome PressKey(Session& session, uint32_t virtualKey, const WindowCalls* window) {
    const Key* key = KeyWithVirtualKey(virtualKey);
    if (!key) return {};
    std::string title = WindowTitle(session);
    int32_t mapIndex = session.mapIndex;
    uint32_t style = session.altWindowStyle;
    key->apply(session, window);
    return {WindowTitle(session) != title, session.mapIndex != mapIndex, session.altWindowStyle != style};
}

std::string ShownMapName(const Session& session) {
    return FileMode(session) ? session.fileMaps[size_t(session.mapIndex)] : kMapTable[session.mapIndex].name;
}

std::string WindowTitle(const Session& session) {
    if (!FileMode(session)) return kWindowTitle;
    return std::string(kWindowTitle) + " - " + ShownMapName(session) + " - " + FileNameOf(session.file.path);
}

