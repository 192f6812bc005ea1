// Writing a framebuffer as an 8-bit RGB PNG.
#pragma once

#include <string>

#include "draw/framebuffer.h"
#include "wad/result.h"

// R from bits 16-23, G from 8-15, B from 0-7; the top byte is dropped. A problem
// ("cannot write PATH") when the file cannot be written whole.
Status WritePng(const std::string& path, const Canvas& canvas);
