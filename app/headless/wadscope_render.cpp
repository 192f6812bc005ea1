// wadscope-render: renders exactly what the viewer's window would show, to PNG.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/headless/key_script.h"
#include "app/headless/png_file.h"
#include "app/key_commands.h"
#include "app/viewer.h"

namespace {

const char* const kUsage =
    "usage: wadscope-render [--wad PATH] [--font PATH] [--size WxH] [--map NAME|INDEX] "
    "[--keys SCRIPT] OUTPUT.png";

struct Options {
    const char* wadPath = kDefaultWadPath;
    const char* fontPath = kDefaultFontPath;
    int32_t width = 800;
    int32_t height = 600;
    int32_t mapIndex = 0;
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
        "  --wad PATH        level file (default DOOM1.WAD in the working directory)\n"
        "  --font PATH       16 x 16 glyph atlas (default font.bmp in the working directory)\n"
        "  --size WxH        framebuffer size, each from 1 to 16384 (default 800x600)\n"
        "  --map NAME|INDEX  E1M1 to E1M9, or 0 to 8 (default E1M1)\n"
        "  --keys SCRIPT     space-separated key presses: a key name or a decimal\n"
        "                    virtual-key code, optionally followed by *N for N presses,\n"
        "                    or the word 'frame' to compose a frame at that point\n\n"
        "Key names:");
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
    return ParseDimension(text.substr(0, x), options.width) &&
           ParseDimension(text.substr(x + 1), options.height);
}

bool ParseMap(const std::string& text, int32_t& mapIndex) {
    for (int32_t i = 0; i < kMapCount; ++i) {
        if (text == kMapTable[i].name || text == std::to_string(i)) {
            mapIndex = i;
            return true;
        }
    }
    return false;
}

// Returns -1 when the options are good, otherwise the exit code.
int ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            PrintHelp();
            return 0;
        }
        bool takesValue = argument == "--wad" || argument == "--font" || argument == "--size" ||
                          argument == "--map" || argument == "--keys";
        if (takesValue && i + 1 >= argc) return BadArgument(argument + " needs a value");
        if (argument == "--wad") {
            options.wadPath = argv[++i];
        } else if (argument == "--font") {
            options.fontPath = argv[++i];
        } else if (argument == "--size") {
            if (!ParseSize(argv[++i], options))
                return BadArgument(std::string("bad --size '") + argv[i] +
                                   "' (expected WxH, each from 1 to 16384)");
        } else if (argument == "--map") {
            if (!ParseMap(argv[++i], options.mapIndex))
                return BadArgument(std::string("bad --map '") + argv[i] +
                                   "' (expected E1M1 to E1M9 or 0 to 8)");
        } else if (argument == "--keys") {
            std::string error;
            if (!ParseKeyScript(argv[++i], options.script, error)) return BadArgument(error);
        } else if (argument.size() > 1 && argument[0] == '-') {
            return BadArgument("unknown option '" + argument + "'");
        } else if (options.outputPath) {
            return BadArgument("more than one output file");
        } else {
            options.outputPath = argv[i];
        }
    }
    if (!options.outputPath) return BadArgument("no output file");
    return -1;
}

// The level messages have been printed by the load; say in one line why we stop.
bool LevelLoaded(const Level& level, const Options& options) {
    const char* map = kMapTable[options.mapIndex].name;
    if (!level.image) {
        std::fprintf(stderr, "wadscope-render: cannot read level file %s\n", options.wadPath);
    } else if (!HasWadHeader(level.image)) {
        std::fprintf(stderr, "wadscope-render: %s is not a WAD file\n", options.wadPath);
    } else if (!level.vertexes && !level.linedefs && !level.things && !level.sidedefs &&
               !level.sectors && !level.segs && !level.subsectors && !level.nodes) {
        std::fprintf(stderr, "wadscope-render: %s has no map %s\n", options.wadPath, map);
    } else {
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    int status = ParseOptions(argc, argv, options);
    if (status >= 0) return status;

    Viewer viewer;
    viewer.state.mapIndex = options.mapIndex;
    StartViewer(viewer, options.wadPath, options.fontPath);
    if (!LevelLoaded(viewer.level, options)) {
        CloseViewer(viewer);
        return 1;
    }

    std::vector<uint32_t> pixels(size_t(options.width) * size_t(options.height));
    viewer.framebuffer = {options.width, options.height, pixels.data()};
    ComposeFrame(viewer);  // the first timer tick
    for (const ScriptStep& step : options.script) {
        if (step.composeFrame) {
            ComposeFrame(viewer);
            continue;
        }
        for (uint32_t press = 0; press < step.presses; ++press)
            ApplyKeyCommand(viewer, nullptr, step.virtualKey);
    }
    ComposeFrame(viewer);

    bool written = WritePng(options.outputPath, viewer.framebuffer);
    CloseViewer(viewer);  // leak checkers see a clean exit
    if (!written) {
        std::fprintf(stderr, "wadscope-render: cannot write %s\n", options.outputPath);
        return 1;
    }
    std::fflush(stdout);
    return 0;
}
