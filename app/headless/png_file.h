// Writing a framebuffer as an 8-bit RGB PNG.
#pragma once

#include "draw/framebuffer.h"

// R from bits 16-23, G from 8-15, B from 0-7; the top byte is dropped.
// False when the file cannot be written.
bool WritePng(const char* path, const Framebuffer& framebuffer);
