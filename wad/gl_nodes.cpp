// STUB (not committed)
#include "wad/gl_nodes.h"
Status ReadGlLumps(std::span<const uint8_t>, std::span<const uint8_t>, std::span<const uint8_t>, std::span<const uint8_t>, Level&) { return Problem{ProblemKind::kUnsupported, "GL stub"}; }
