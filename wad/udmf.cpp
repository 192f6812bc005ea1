// STUB (not committed)
#include "wad/udmf.h"
Status ReadTextMap(std::span<const uint8_t>, Level& level) { level.format = MapFormat::kUdmf; return Problem{ProblemKind::kUnsupported, "TEXTMAP stub"}; }
