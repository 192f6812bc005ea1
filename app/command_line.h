// The options the three programs share: --wad PATH, --map NAME, --fit, --help
// and --version, and the map a run starts on.
#pragma once
#include <string>
#include <vector>

#include "wad/level.h"

struct CommandLine {
    const char* wadPath = nullptr;  // null: DOOM1.WAD in the working directory
    const char* mapName = nullptr;  // null: E1M1, or the file's first map when it has none
    bool fit = false;
    bool help = false;
    bool version = false;
};

enum class OptionTaken { kYes, kNotShared, kBad };

// Takes argv[index] when it is one of the shared options, moving index past its
// value. kBad comes with a one-line problem.
OptionTaken TakeSharedOption(int argc, char** argv, int& index, CommandLine& commandLine, std::string& problem);

// The whole command line of a program with no other options: false with a
// one-line problem when something in it is not one of them.
bool ParseCommandLine(int argc, char** argv, CommandLine& commandLine, std::string& problem);

// The map a run starts on. Table mode (no fileMaps) steps through the built-in
// table's rows; file mode through the file's own maps, each in a fitted view.
struct StartMap {
    int32_t mapIndex = 0;                // a table row, or an index into fileMaps
    std::vector<std::string> fileMaps;   // the file's maps in directory order; empty in table mode
};

// With no option: table mode on E1M1, as always. Otherwise reads the file's
// directory: table mode when the map is one of the table's names and --fit is
// not given, file mode else. False with a one-line problem when the file cannot
// be read, has no maps, or has no map of that name (it lists the maps then).
bool ChooseStartMap(const CommandLine& commandLine, const LevelFile& file, StartMap& start, std::string& problem);

// The level file the options name: --wad, or DOOM1.WAD in the working directory.
LevelFile LevelFileOf(const CommandLine& commandLine);

// Why a load of the map from the file stopped, in one line; "" when it loaded.
std::string LevelProblem(LevelStatus status, const std::string& file, const std::string& map);

// The last part of a path, after its last / or \.
std::string FileNameOf(const std::string& path);

// The first line of the viewers' --help, and a blank line.
extern const char* const kViewerUsage;

// The usage lines of the shared options, for --help.
extern const char* const kSharedOptionsHelp;

// The one line --version answers: the program's name and the project's version.
std::string VersionLine(const char* program);
