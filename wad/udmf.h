// UDMF maps: the TEXTMAP lump, the map as text (the UDMF 1.1 grammar).
#pragma once
#include <cstdint>
#include <span>

#include "wad/level.h"

// Reads the vertexes (x, y), linedefs (v1, v2, sidefront, sideback), sidedefs
// (sector), sectors (heightfloor, heightceiling) and things (x, y, type, angle)
// into the level, in the order the text gives them; every other block and field,
// and the namespace, is read past. Identifiers are case-insensitive. A problem,
// in one line that says what and where, for text that breaks the grammar, a
// missing required field, or a number out of range; time and memory stay linear
// in the text.
Status ReadTextMap(std::span<const uint8_t> text, Level& level);
