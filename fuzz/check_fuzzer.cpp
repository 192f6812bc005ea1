// Level file bytes through the tree check: each of the file's first maps loaded from memory
// by its exact name, checked, and reported as text and as JSON.
#include "app/check_report.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Result<WadImage> image = WadImageFromBytes(data, size, "fuzz.wad");
    if (!image) return 0;
    LevelFile levelFile{"fuzz.wad", std::make_shared<const WadImage>(std::move(*image))};
    Result<WadDirectory> directory = ReadLevelFileDirectory(levelFile);
    if (!directory) return 0;
    std::vector<std::string> maps = ListMaps(*directory);
    const MessageSink ignore = [](Stream, std::string_view) {};
    for (size_t k = 0; k < maps.size() && k < 4; ++k) {
        Result<Level> level = LoadLevel(levelFile, maps[k], MarkerSearch::kExactName, ignore);
        if (!level) {
            UnreadableMapJson(maps[k], level.problem());
            continue;
        }
        TreeCheck check = CheckTree(*level);
        CheckReportText(maps[k], check);
        CheckReportJson(maps[k], check);
    }
    return 0;
}
