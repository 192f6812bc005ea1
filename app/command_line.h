// The programs' command lines: the options every program takes (--wad, --map,
// --help, --version), --fit (all but wadscope-check), wadscope-render's and
// wadscope-check's own, and the texts of --help.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/key_script.h"
#include "render/view.h"
#include "wad/result.h"

// Which program reads the command line: they share the options, not all their texts.
enum class Program {
    kViewer,         // wadscope, in an SDL window
    kWindowsViewer,  // wadscope.exe
    kRender,         // wadscope-render
    kCheck,          // wadscope-check
};

struct Options {
    std::optional<std::string> wadPath{};  // none: DOOM1.WAD in the working directory
    std::optional<std::string> mapName{};  // none: E1M1, or the file's first map when it has no E1M1
    bool fit = false;
    bool help = false;
    bool version = false;
    Overlay overlay = Overlay::kOff;          // --overlay walk|tree: the overlay at start
    std::optional<std::string> tracePath{};   // --trace: each frame's walk written there, one JSON object a line
    // wadscope-render's own.
    std::optional<std::string> fontPath{};  // none: the one ChooseFontPath finds
    int32_t width = 800;
    int32_t height = 600;
    std::vector<ScriptStep> script{};
    std::optional<std::string> outputPath{};
    int32_t tableRow = -1;  // --map INDEX: a row of the built-in table, whatever the file holds
    bool allMaps = false;   // --map all: every map of the file into the output folder (wadscope-check: every map checked)
    bool check = false;     // wadscope-render --check: the tree check of each map rendered, first
    std::optional<std::string> walkAnimationPath{};  // --walk-animation: the walk as an animated GIF
    // wadscope-check's own.
    bool json = false;  // one JSON object per map instead of text
};

// The whole command line; a problem (kBadArgument) names the first thing that is wrong.
Result<Options> ParseArguments(Program program, int argc, char** argv);

// The overlay --overlay names ("walk" or "tree"); nothing for any other word.
std::optional<Overlay> OverlayNamed(const std::string& name);

// The text --help prints, and the line --version prints.
std::string HelpText(Program program, const std::string& installedFontFolder);
std::string VersionLine(Program program);
std::string ProgramName(Program program);

// How the program reports a bad argument: its name, the problem, and where to read more.
std::string BadArgumentText(Program program, const std::string& problem);
