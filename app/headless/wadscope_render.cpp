// wadscope-render: renders exactly what the viewer's window would show, to PNG.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/build_info.h"
#include "app/check_report.h"
#include "app/headless/gif_file.h"
#include "app/headless/png_file.h"
#include "app/session.h"
#include "render/render_frame.h"

namespace {

// The walk overlay's animation of the frame's walk as a GIF: a frame for each
// accepted subsector, a W animation's four ticks each, then the whole walk for two seconds.
Status WriteWalkAnimation(Session& session, const std::string& path) {
    View view = session.view;
    view.overlay = Overlay::kWalk;
    StatusLine statusLine{};
    FormatStatusLine(statusLine, view.maxDepth, view.maxDraw, view.playerX, view.playerY);
    const Canvas& canvas = session.framebuffer.canvas();
    WalkTrace trace;
    RenderFrame(canvas, session.level, view, *session.font, statusLine, &trace);
    int32_t accepted = int32_t(AcceptedSubsectors(trace).size());
    GifWriter gif;
    Status written = gif.Open(path, canvas.width, canvas.height);
    for (int32_t shown = 1; written && shown <= accepted + 1; ++shown) {
        view.walkShown = shown <= accepted ? shown : -1;
        RenderFrame(canvas, session.level, view, *session.font, statusLine);
        written = gif.Add(canvas, shown <= accepted ? 6 : 200);  // 4 ticks of 16 ms; two seconds
    }
    return written ? gif.Close() : written;
}

// --check: the tree check of the map as the run loaded it, kept for the tree overlay; a map that did not load
// is reported by the render.
void PrintTreeCheck(Session& session) {
    if (session.levelProblem) return;
    session.treeCheck = CheckTree(session.level);
    std::fputs(CheckReportText(ShownMapName(session), *session.treeCheck).c_str(), stdout);
}

// One run after start-up: the first frame, the key script, the last frame, the PNG.
int RenderShot(Session& session, const Options& options, const std::string& outputPath) {
    if (session.levelProblem) {
        std::fprintf(stderr, "wadscope-render: %s\n", session.levelProblem->line.c_str());
        return 1;
    }
    if (session.framebuffer.canvas().width != options.width || session.framebuffer.canvas().height != options.height) {
        if (Status sized = ResizeFramebuffer(session, options.width, options.height); !sized) {
            std::fprintf(stderr, "wadscope-render: %s\n", sized.problem().line.c_str());
            return 1;
        }
    }
    ComposeFrame(session);  // the first timer tick
    for (const ScriptStep& step : options.script) {
        if (step.composeFrame) {
            ComposeFrame(session);
            continue;
        }
        if (step.click) ClickAt(session, step.x, step.y);
        for (uint32_t press = 0; press < step.presses; ++press) PressKey(session, step.virtualKey, nullptr);
    }
    ComposeFrame(session);
    Status written = WritePng(outputPath, session.framebuffer.canvas());
    if (written && options.walkAnimationPath) written = WriteWalkAnimation(session, *options.walkAnimationPath);
    if (!written) {
        std::fprintf(stderr, "wadscope-render: %s\n", written.problem().line.c_str());
        return 1;
    }
    return 0;
}

// --map all: every map as a run of its own, as many at a time as there are
// cores (up to four), all from the file read once and sharing one font.
int RenderAllMaps(const Launch& launch) {
    const Options& options = launch.options;
    std::error_code error;
    if (!std::filesystem::create_directories(*options.outputPath, error) && !std::filesystem::is_directory(*options.outputPath)) {
        std::fprintf(stderr, "wadscope-render: cannot make folder %s\n", options.outputPath->c_str());
        return 1;
    }
    std::vector<std::string> maps = ListMaps(*ReadLevelFileDirectory(launch.file));
    std::shared_ptr<const FontImage> font = LoadStartFont(launch.fontPath, PrintToStandardStreams);
    auto startOf = [&](size_t k) {  // map k's start, as --map NAME alone chooses it
        Options mapOptions = options;
        mapOptions.mapName = maps[k];
        return *ChooseStartMap(mapOptions, launch.file);
    };
    bool reported = false;
    for (size_t k = 0; options.check && k < maps.size(); ++k) {  // every report first, in the file's order
        Session session;
        StartRun(session, launch.file, startOf(k), font);
        if (reported && !session.levelProblem) std::fputs("\n", stdout);
        PrintTreeCheck(session);
        reported = reported || !session.levelProblem;
    }

    bool progress = isatty(STDERR_FILENO);
    std::mutex reporting;  // guards next, failed, the progress line and every message
    size_t next = 0;
    int failed = 0;
    auto renderMaps = [&] {
        Session session;
        TakeRunOptions(session, options);
        session.messages = [&](Stream stream, std::string_view line) {
            std::lock_guard<std::mutex> lock(reporting);
            PrintToStandardStreams(stream, line);
        };
        for (;;) {
            size_t k;
            {
                std::lock_guard<std::mutex> lock(reporting);
                if ((k = next++) >= maps.size()) return;
                if (progress) std::fprintf(stderr, "\r[%zu/%zu] %-8s", k + 1, maps.size(), maps[k].c_str());
            }
            StartRun(session, launch.file, startOf(k), font);
            std::string outputPath = (std::filesystem::path(*options.outputPath) / (maps[k] + ".png")).string();
            if (RenderShot(session, options, outputPath) != 0) {
                std::lock_guard<std::mutex> lock(reporting);
                std::fprintf(stderr, "%swadscope-render: %s skipped\n", progress ? "\n" : "", maps[k].c_str());
                ++failed;
            }
        }
    };
    std::vector<std::thread> helpers;
    for (unsigned k = 1; k < std::min(std::thread::hardware_concurrency(), 4u); ++k) helpers.emplace_back(renderMaps);
    renderMaps();
    for (std::thread& helper : helpers) helper.join();
    if (progress) std::fprintf(stderr, "\n");
    return failed > 0 ? 1 : 0;
}

int Run(int argc, char** argv) {
    Launch launch = PrepareLaunch(Program::kRender, argc, argv, kInstalledFontFolder);
    if (launch.answer) return PrintAnswer(*launch.answer);
    if (launch.options.allMaps) return RenderAllMaps(launch);
    Session session;
    StartLaunchedRun(session, launch);
    if (launch.options.check) PrintTreeCheck(session);
    return RenderShot(session, launch.options, *launch.options.outputPath);
}

}  // namespace

int main(int argc, char** argv) {
    int status = Run(argc, argv);
    std::fflush(stdout);
    return status;
}
