// Where the core's report lines go. The core never prints: the front end
// writes them to its standard streams, shows them, or a test keeps them.
#pragma once
#include <functional>
#include <string_view>

enum class Stream { kOutput, kError };

// One call per line; the line carries its own line end, as printed.
using MessageSink = std::function<void(Stream stream, std::string_view line)>;
