// The tree check as the programs report it: a block of text, or one line of
// JSON, per map; and wadscope-check's run over the maps it was given.
#pragma once
#include <string>

#include "app/session.h"
#include "wad/tree_check.h"

// The map's figures, then "ok", "no tree to check", or its faults.
std::string CheckReportText(const std::string& map, const TreeCheck& check);
// The same as one JSON object on one line: the figures, "fault_counts" and "faults".
std::string CheckReportJson(const std::string& map, const TreeCheck& check);

// A map that cannot be read, named with its problem, as a JSON line: {"map", "error"}.
std::string UnreadableMapJson(const std::string& map, const Problem& problem);

// Loads and checks each of launch.checkMaps from the file's image, text blocks
// (one empty line apart) or JSON lines to Stream::kOutput, the loads' reports
// to Stream::kError. The exit code: 0 when every map is sound, else 1.
int CheckMaps(const Launch& launch, const MessageSink& output);
