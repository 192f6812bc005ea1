#include "app/command_line.h"

#include "app/build_info.h"
#include "app/key_table.h"
#include "app/map_table.h"

namespace {

const char* const kSharedOptionsHelp =
    "  --wad PATH        level file (default DOOM1.WAD in the working directory)\n"
    "  --map NAME        the map to start on, any map of the file (default E1M1,\n"
    "                    or the file's first map when it has no E1M1)\n"
    "  --fit             fit every map into the window; keypad plus and minus then\n"
    "                    step through all of the file's maps\n"
    "  --overlay walk|tree  start with that overlay (Tab cycles them)\n"
    "  --trace FILE      write each frame's walk to FILE, one JSON object a line\n"
    "  --help            this text\n"
    "  --version         the program's name and version\n";

const char* const kViewerUsage = "usage: wadscope [--wad PATH] [--map NAME] [--fit] [--overlay walk|tree] [--trace FILE]\n\n";

const char* const kRenderUsage =
    "usage: wadscope-render [--wad PATH] [--map NAME|INDEX|all] [--fit] [--font PATH] [--size WxH] "
    "[--keys SCRIPT] [--overlay walk|tree] [--trace FILE] [--walk-animation OUT.gif] [--check] OUTPUT.png|OUTDIR";

const char* const kCheckUsage = "usage: wadscope-check [--wad PATH] [--map NAME|all] [--json]";

// The keys, as --help lists them: a key's name and what it does.
std::string KeyList() {
    std::string text = "Keys:\n";
    for (const Key& key : Keys()) {
        std::string name = "  " + std::string(key.name);
        text += name + std::string(name.size() < 16 ? 16 - name.size() : 1, ' ') + key.effect + "\n";
    }
    return text + "  Left click    " + kLeftClickEffect + "\n";
}

Problem Bad(const std::string& line) { return {ProblemKind::kBadArgument, line}; }

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

// wadscope-render's own options and its output; a problem, or nothing when argv[index] was taken.
std::optional<Problem> TakeRenderArgument(int argc, char** argv, int& index, Options& options) {
    std::string argument = argv[index];
    bool takesValue = argument == "--font" || argument == "--size" || argument == "--keys" || argument == "--walk-animation";
    if (takesValue && index + 1 >= argc) return Bad(argument + " needs a value");
    if (argument == "--font") {
        options.fontPath = argv[++index];
    } else if (argument == "--walk-animation") {
        options.walkAnimationPath = argv[++index];
    } else if (argument == "--size") {
        if (!ParseSize(argv[++index], options))
            return Bad(std::string("bad --size '") + argv[index] + "' (expected WxH, each from 1 to 16384)");
    } else if (argument == "--keys") {
        Result<std::vector<ScriptStep>> script = ParseKeyScript(argv[++index]);
        if (!script) return script.problem();
        options.script.insert(options.script.end(), script->begin(), script->end());
    } else if (argument.size() > 1 && argument[0] == '-') {
        return Bad("unknown option '" + argument + "'");
    } else if (options.outputPath) {
        return Bad("more than one output file");
    } else {
        options.outputPath = argument;
    }
    return std::nullopt;
}

// --map INDEX and --map all; a map named by a row's index is that row's name when fitted.
void TakeRenderMap(Options& options) {
    if (!options.mapName) return;
    uint32_t row = 0;
    options.allMaps = *options.mapName == "all";
    if (!ParseWholeNumber(*options.mapName, 0, kMapCount - 1, row)) return;
    if (options.fit)
        options.mapName = kMapTable[row].name;
    else
        options.tableRow = int32_t(row);
}

}  // namespace

std::optional<Overlay> OverlayNamed(const std::string& name) {
    if (name == "walk") return Overlay::kWalk;
    if (name == "tree") return Overlay::kTree;
    return std::nullopt;
}

std::string ProgramName(Program program) {
    switch (program) {
        case Program::kRender: return "wadscope-render";
        case Program::kCheck: return "wadscope-check";
        default: return "wadscope";
    }
}

std::string VersionLine(Program program) { return ProgramName(program) + " " + kVersion; }

Result<Options> ParseArguments(Program program, int argc, char** argv) {
    Options options;
    for (int index = 1; index < argc; ++index) {
        std::string argument = argv[index];
        if (argument == "--fit" && program != Program::kCheck) {
            options.fit = true;
        } else if (argument == "--json" && program == Program::kCheck) {
            options.json = true;
        } else if (argument == "--check" && program == Program::kRender) {
            options.check = true;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "--wad" || argument == "--map" || argument == "--trace" || argument == "--overlay") {
            if (index + 1 >= argc) return Bad(argument + " needs a value");
            std::string value = argv[++index];
            if (argument == "--overlay") {
                std::optional<Overlay> named = OverlayNamed(value);
                if (!named) return Bad("bad --overlay '" + value + "' (expected walk or tree)");
                options.overlay = *named;
            } else {
                (argument == "--wad" ? options.wadPath : argument == "--map" ? options.mapName : options.tracePath) = value;
            }
        } else if (program == Program::kRender) {
            if (std::optional<Problem> problem = TakeRenderArgument(argc, argv, index, options)) return *problem;
        } else {
            return Bad(argument.rfind('-', 0) == 0 ? "unknown option '" + argument + "'"
                                                   : "unexpected argument '" + argument + "'");
        }
    }
    if (program == Program::kCheck) options.allMaps = !options.mapName || *options.mapName == "all";
    if (program != Program::kRender || options.help || options.version) return options;
    TakeRenderMap(options);
    if (!options.outputPath) return Bad(options.allMaps ? "no output folder" : "no output file");
    if (options.allMaps && (options.tracePath || options.walkAnimationPath))
        return Bad("--trace and --walk-animation follow one map, not --map all");
    return options;
}

std::string HelpText(Program program, const std::string& installedFontFolder) {
    switch (program) {
        case Program::kWindowsViewer: return std::string(kViewerUsage) + kSharedOptionsHelp + "\n" + KeyList();
        case Program::kViewer:
            return std::string(kViewerUsage) +
                   "The Wadscope viewer in a window of its own. With no option it opens DOOM1.WAD\n"
                   "and font.bmp in the working directory on E1M1, as always (with no font.bmp\n"
                   "there, the installed " + installedFontFolder + "/font.bmp).\n\n" + kSharedOptionsHelp + "\n" +
                   KeyList();
        case Program::kCheck:
            return std::string(kCheckUsage) + "\n\n" +
                   "Checks the BSP tree of each map, the tree the viewer walks, and prints its\n"
                   "figures, then ok or its faults (at most 20 of each kind listed).\n\n"
                   "  --wad PATH        level file (default DOOM1.WAD in the working directory)\n"
                   "  --map NAME|all    one map of the file, in any case, or every map (the default)\n"
                   "  --json            one JSON object per map per line\n"
                   "  --help            this text\n"
                   "  --version         the program's name and version\n\n"
                   "Faults: child-range, cycle, unreached, seg-range, box, side, off-line, partition,\n"
                   "uncovered, open-subsector (see man wadscope-check). Exit code 0 when every map is\n"
                   "sound, 1 when a map has a fault or cannot be read, 2 for bad arguments.\n";
        case Program::kRender: break;
    }
    std::string text = std::string(kRenderUsage) + "\n\n" +
                       "Renders one frame of the Wadscope viewer to an 8-bit RGB PNG: start-up as the\n"
                       "window does it, a first frame, the key script, then the frame that is written.\n\n" +
                       kSharedOptionsHelp +
                       "  --map INDEX       0 to 8: a row of the built-in map table (E1M1 to E1M9)\n"
                       "  --map all         every map of the file, each as a run of its own, into\n"
                       "                    OUTDIR/NAME.png; the level file is read once\n"
                       "  --font PATH       16 x 16 glyph atlas (default font.bmp in the working directory,\n"
                       "                    or else the installed " + installedFontFolder + "/font.bmp)\n"
                       "  --size WxH        framebuffer size, each from 1 to 16384 (default 800x600)\n"
                       "  --keys SCRIPT     space-separated key presses: a key name or a decimal\n"
                       "                    virtual-key code, optionally followed by *N for N presses,\n"
                       "                    the word 'frame' to compose a frame at that point, or\n"
                       "                    Click:X,Y for a left click at that pixel\n"
                       "  --walk-animation OUT.gif  the final frame's walk as an animated GIF: a frame\n"
                       "                    per accepted subsector, then the whole walk for two seconds\n"
                       "  --check           print each map's tree check first, as wadscope-check does\n\n"
                       "Key names:";
    for (const Key& key : Keys()) text += std::string(" ") + key.name;
    return text + "\n\n" + KeyList();
}

std::string BadArgumentText(Program program, const std::string& problem) {
    switch (program) {
        case Program::kViewer: return "wadscope: " + problem + " (see wadscope --help)\n";
        case Program::kWindowsViewer: return "wadscope: " + problem;
        case Program::kCheck: return "wadscope-check: " + problem + "\n" + kCheckUsage + "\n";
        case Program::kRender: break;
    }
    return "wadscope-render: " + problem + "\n" + kRenderUsage + "\n";
}
