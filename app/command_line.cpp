#include "app/command_line.h"

#include <cstring>

#include "app/build_info.h"
#include "wad/wad_directory.h"

const char* const kSharedOptionsHelp =
    "  --wad PATH        level file (default DOOM1.WAD in the working directory)\n"
    "  --map NAME        the map to start on, any map of the file (default E1M1,\n"
    "                    or the file's first map when it has no E1M1)\n"
    "  --fit             fit every map into the window; keypad plus and minus then\n"
    "                    step through all of the file's maps\n"
    "  --help            this text\n"
    "  --version         the program's name and version\n";

const char* const kViewerUsage = "usage: wadscope [--wad PATH] [--map NAME] [--fit]\n\n";

std::string VersionLine(const char* program) { return std::string(program) + " " + kVersion; }

OptionTaken TakeSharedOption(int argc, char** argv, int& index, CommandLine& commandLine, std::string& problem) {
    std::string option = argv[index];
    if (option == "--fit") {
        commandLine.fit = true;
    } else if (option == "--help" || option == "-h") {
        commandLine.help = true;
    } else if (option == "--version") {
        commandLine.version = true;
    } else if (option == "--wad" || option == "--map") {
        if (index + 1 >= argc) {
            problem = option + " needs a value";
            return OptionTaken::kBad;
        }
        (option == "--wad" ? commandLine.wadPath : commandLine.mapName) = argv[++index];
    } else {
        return OptionTaken::kNotShared;
    }
    return OptionTaken::kYes;
}

bool ParseCommandLine(int argc, char** argv, CommandLine& commandLine, std::string& problem) {
    for (int index = 1; index < argc; ++index) {
        switch (TakeSharedOption(argc, argv, index, commandLine, problem)) {
            case OptionTaken::kYes: break;
            case OptionTaken::kBad: return false;
            case OptionTaken::kNotShared:
                problem = std::string(argv[index]).rfind('-', 0) == 0 ? "unknown option '" + std::string(argv[index]) + "'"
                                                                       : "unexpected argument '" + std::string(argv[index]) + "'";
                return false;
        }
    }
    return true;
}

LevelFile LevelFileOf(const CommandLine& commandLine) {
    return LevelFile{commandLine.wadPath ? commandLine.wadPath : kDefaultWadPath, nullptr};
}

std::string LevelProblem(LevelStatus status, const std::string& file, const std::string& map) {
    switch (status) {
        case LevelStatus::kLoaded: return "";
        case LevelStatus::kInvalid: return file + " is not a WAD file";
        case LevelStatus::kNoSuchMap: return file + " has no map " + map;
        case LevelStatus::kNotDoomFormat: return map + " of " + file + " is not in a format Wadscope reads";
        case LevelStatus::kUnreadable: break;
    }
    return "cannot read level file " + file;
}

std::string FileNameOf(const std::string& path) { return path.substr(path.find_last_of("/\\") + 1); }

namespace {

int32_t TableRowNamed(const std::string& name) {
    for (const MapTableEntry& row : kMapTable)
        if (name == row.name) return int32_t(&row - kMapTable);
    return -1;
}

// What to do about a level file that cannot be read: for Freedoom's files, which Debian package brings them.
std::string UnreadableFileProblem(const std::string& path) {
    std::string problem = LevelProblem(LevelStatus::kUnreadable, path, "");
    std::string name = FileNameOf(path);
    const char* package = name == "freedm.wad" ? "freedm" : name.starts_with("freedoom") ? "freedoom" : nullptr;
    if (package)
        problem += std::string(": install Debian's ") + package + " package, or give --wad a level file of your own";
    return problem;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : " ") + name;
    return text;
}

}  // namespace

bool ChooseStartMap(const CommandLine& commandLine, const LevelFile& file, StartMap& start, std::string& problem) {
    start = {};
    if (!commandLine.wadPath && !commandLine.mapName && !commandLine.fit) return true;
    WadDirectory directory = ReadLevelFileDirectory(file);
    switch (directory.status) {
        case DirectoryStatus::kUnreadable: problem = UnreadableFileProblem(file.path); return false;
        case DirectoryStatus::kInvalid: problem = LevelProblem(LevelStatus::kInvalid, file.path, ""); return false;
        default: break;
    }
    std::vector<std::string> maps = ListMaps(directory);
    if (maps.empty()) {
        problem = std::string(file.path) + " has no maps";
        return false;
    }
    int32_t entry = FindMapEntry(directory, commandLine.mapName ? commandLine.mapName : "E1M1");
    bool found = entry >= 0;
    if (!found && commandLine.mapName) {
        problem = std::string(file.path) + " has no map " + commandLine.mapName + "; its maps: " + Joined(maps);
        return false;
    }
    std::string name = found ? LumpAt(directory, entry).name : maps.front();
    int32_t row = TableRowNamed(name);
    if (row >= 0 && found && !commandLine.fit) {
        start.mapIndex = row;
        return true;
    }
    start.fileMaps = std::move(maps);
    for (size_t k = 0; k < start.fileMaps.size(); ++k)
        if (start.fileMaps[k] == name) {
            start.mapIndex = int32_t(k);
            break;
        }
    return true;
}
