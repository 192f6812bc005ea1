// wadscope-render: renders exactly what the viewer's window would show, to PNG.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "app/build_info.h"
#include "app/command_line.h"
#include "app/font_path.h"
#include "app/headless/key_script.h"
#include "app/headless/png_file.h"
#include "app/key_commands.h"
#include "app/viewer.h"

namespace {

// The framebuffer's pixels, not cleared (every frame starts by clearing them),
// in huge pages where the system offers them: a large frame would otherwise
// spend much of a shot's time on the first touch of each small page.
struct FramePixels {
    static constexpr size_t kHugePage = size_t(2) << 20;
    uint32_t* pixels;
    explicit FramePixels(size_t count) {
        size_t bytes = (count * sizeof(uint32_t) + kHugePage - 1) / kHugePage * kHugePage;
        pixels = static_cast<uint32_t*>(std::aligned_alloc(kHugePage, bytes));
        if (!pixels) throw std::bad_alloc();
        madvise(pixels, bytes, MADV_HUGEPAGE);  // only advice: without it the pages are small
    }
    ~FramePixels() { std::free(pixels); }
};

const char* const kUsage =
    "usage: wadscope-render [--wad PATH] [--map NAME|INDEX|all] [--fit] [--font PATH] [--size WxH] "
    "[--keys SCRIPT] OUTPUT.png|OUTDIR";

struct Options {
    CommandLine commandLine;
    std::string fontPath;   // --font, or else the one ChooseFontPath finds
    int32_t width = 800;
    int32_t height = 600;
    int32_t tableRow = -1;  // --map INDEX: a row of the built-in table
    bool allMaps = false;   // --map all: every map of the file into OUTDIR
    std::vector<ScriptStep> script;
    const char* outputPath = nullptr;
};

int BadArgument(const std::string& problem) {
    std::fprintf(stderr, "wadscope-render: %s\n%s\n", problem.c_str(), kUsage);
    return 2;
}

void PrintHelp() {
    std::printf("%s\n\n", kUsage);
    std::printf(
        "Renders one frame of the Wadscope viewer to an 8-bit RGB PNG: start-up as the\n"
        "window does it, a first frame, the key script, then the frame that is written.\n\n"
        "%s"
        "  --map INDEX       0 to 8: a row of the built-in map table (E1M1 to E1M9)\n"
        "  --map all         every map of the file, each as a run of its own, into\n"
        "                    OUTDIR/NAME.png; the level file is read once\n"
        "  --font PATH       16 x 16 glyph atlas (default font.bmp in the working directory,\n"
        "                    or else the installed %s/font.bmp)\n"
        "  --size WxH        framebuffer size, each from 1 to 16384 (default 800x600)\n"
        "  --keys SCRIPT     space-separated key presses: a key name or a decimal\n"
        "                    virtual-key code, optionally followed by *N for N presses,\n"
        "                    or the word 'frame' to compose a frame at that point\n\n"
        "Key names:",
        kSharedOptionsHelp, kInstalledFontFolder);
    for (const KeyName& key : kKeyNames) std::printf(" %s", key.name);
    std::printf("\n");
}

bool ParseDimension(const std::string& text, int32_t& value) {
    uint32_t number = 0;
    if (!ParseWholeNumber(text, 1, 16384, number)) return false;
    value = int32_t(number);
    return true;
}

bool ParseSize(const std::string& text, Options& options) {
    size_t x = text.find('x');
    if (x == std::string::npos) return false;
    return ParseDimension(text.substr(0, x), options.width) && ParseDimension(text.substr(x + 1), options.height);
}

// Returns -1 when the options are good, otherwise the exit code.
int ParseOptions(int argc, char** argv, Options& options) {
    bool fontGiven = false;
    for (int i = 1; i < argc; ++i) {
        std::string problem;
        OptionTaken shared = TakeSharedOption(argc, argv, i, options.commandLine, problem);
        if (shared == OptionTaken::kBad) return BadArgument(problem);
        if (shared == OptionTaken::kYes) continue;
        std::string argument = argv[i];
        bool takesValue = argument == "--font" || argument == "--size" || argument == "--keys";
        if (takesValue && i + 1 >= argc) return BadArgument(argument + " needs a value");
        if (argument == "--font") {
            options.fontPath = argv[++i];
            fontGiven = true;
        } else if (argument == "--size") {
            if (!ParseSize(argv[++i], options))
                return BadArgument(std::string("bad --size '") + argv[i] + "' (expected WxH, each from 1 to 16384)");
        } else if (argument == "--keys") {
            if (!ParseKeyScript(argv[++i], options.script, problem)) return BadArgument(problem);
        } else if (argument.size() > 1 && argument[0] == '-') {
            return BadArgument("unknown option '" + argument + "'");
        } else if (options.outputPath) {
            return BadArgument("more than one output file");
        } else {
            options.outputPath = argv[i];
        }
    }
    if (options.commandLine.help) {
        PrintHelp();
        return 0;
    }
    if (options.commandLine.version) {
        std::printf("%s\n", VersionLine("wadscope-render").c_str());
        return 0;
    }
    if (!fontGiven) options.fontPath = ChooseFontPath(kInstalledFontFolder);
    if (const char* map = options.commandLine.mapName) {
        uint32_t row = 0;
        options.allMaps = std::strcmp(map, "all") == 0;
        if (ParseWholeNumber(map, 0, kMapCount - 1, row)) {
            // A row of the table, whatever the file holds; fitted, it is a map of the file like any other.
            if (options.commandLine.fit) options.commandLine.mapName = kMapTable[row].name;
            else options.tableRow = int32_t(row);
        }
    }
    if (!options.outputPath) return BadArgument(options.allMaps ? "no output folder" : "no output file");
    return -1;
}

// The load's messages have been printed on standard output; say in one line why we stop.
bool LevelLoaded(const Level& level, const char* wadPath, const std::string& map) {
    if (level.status == LevelStatus::kLoaded) return true;
    std::fprintf(stderr, "wadscope-render: %s\n", LevelProblem(level.status, wadPath, map).c_str());
    return false;
}

// One run: start-up as the window does it, the first frame, the key script, the
// last frame, the PNG. Returns the exit code.
int RenderShot(Viewer& viewer, const Options& options, uint32_t* pixels, const std::string& outputPath) {
    if (!LevelLoaded(viewer.level, viewer.wadFile.path, ShownMapName(viewer))) return 1;
    viewer.framebuffer = {options.width, options.height, pixels};
    ComposeFrame(viewer);  // the first timer tick
    for (const ScriptStep& step : options.script) {
        if (step.composeFrame) {
            ComposeFrame(viewer);
            continue;
        }
        for (uint32_t press = 0; press < step.presses; ++press) ApplyKeyCommand(viewer, nullptr, step.virtualKey);
    }
    ComposeFrame(viewer);
    if (!WritePng(outputPath.c_str(), viewer.framebuffer)) {
        std::fprintf(stderr, "wadscope-render: cannot write %s\n", outputPath.c_str());
        return 1;
    }
    return 0;
}

// --map all: the file read once, then every map as a run of its own, as many
// at a time as there are cores (up to four).
int RenderAllMaps(const Options& options) {
    const char* wadPath = LevelFileOf(options.commandLine).path;
    WadImage* image = LoadWadImage(wadPath, nullptr);
    if (!image) {
        std::fprintf(stderr, "wadscope-render: %s\n", LevelProblem(LevelStatus::kUnreadable, wadPath, "").c_str());
        return 1;
    }
    LevelFile file{wadPath, image};
    CommandLine firstMap = options.commandLine;  // the file checked as --wad alone checks it
    firstMap.wadPath = wadPath, firstMap.mapName = nullptr;
    StartMap start;
    std::string problem;
    std::error_code error;
    if (!ChooseStartMap(firstMap, file, start, problem) ||
        (!std::filesystem::create_directories(options.outputPath, error) && !std::filesystem::is_directory(options.outputPath))) {
        if (problem.empty()) problem = std::string("cannot make folder ") + options.outputPath;
        std::fprintf(stderr, "wadscope-render: %s\n", problem.c_str());
        FreeWadImage(image);
        return 1;
    }
    std::vector<std::string> maps = ListMaps(ReadLevelFileDirectory(file));
    // The font is read once; the runs only read it.
    FontImage font{};
    LoadFontOverCheckerboard(font, options.fontPath.c_str());

    bool progress = isatty(STDERR_FILENO);
    std::mutex reporting;  // guards next, failed and the progress line
    size_t next = 0;
    int failed = 0;
    auto renderMaps = [&] {
        Viewer viewer;
        viewer.font = font;
        FramePixels frame(size_t(options.width) * size_t(options.height));
        for (;;) {
            size_t k;
            {
                std::lock_guard<std::mutex> lock(reporting);
                if ((k = next++) >= maps.size()) return;
                if (progress) std::fprintf(stderr, "\r[%zu/%zu] %-8s", k + 1, maps.size(), maps[k].c_str());
            }
            CommandLine commandLine = options.commandLine;
            commandLine.mapName = maps[k].c_str();
            StartMap start;
            std::string problem;
            ChooseStartMap(commandLine, file, start, problem);
            RestartViewer(viewer, file, start);  // the start values, as a separate run would have them
            std::string outputPath = (std::filesystem::path(options.outputPath) / (maps[k] + ".png")).string();
            if (RenderShot(viewer, options, frame.pixels, outputPath) != 0) {
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
    ResetFontImage(font);
    FreeWadImage(image);
    return failed > 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    int status = ParseOptions(argc, argv, options);
    if (status >= 0) return status;

    if (options.allMaps) {
        status = RenderAllMaps(options);
        std::fflush(stdout);
        return status;
    }
    FramePixels frame(size_t(options.width) * size_t(options.height));
    LevelFile file = LevelFileOf(options.commandLine);
    StartMap start;
    std::string problem;
    if (options.tableRow >= 0) {
        start.mapIndex = options.tableRow;  // a row of the table, whatever the file holds
    } else if (!ChooseStartMap(options.commandLine, file, start, problem)) {
        std::fprintf(stderr, "wadscope-render: %s\n", problem.c_str());
        return 1;
    }
    Viewer viewer;
    StartViewer(viewer, file, start, options.fontPath.c_str());
    status = RenderShot(viewer, options, frame.pixels, options.outputPath);
    CloseViewer(viewer);  // leak checkers see a clean exit
    std::fflush(stdout);
    return status;
}
