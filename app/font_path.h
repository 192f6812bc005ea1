// Which font file a program reads when no option names one.
#pragma once
#include <string>

// font.bmp in the working directory when it opens, as always; else the copy
// installed in installedFolder (skipped when empty) when that opens; else
// font.bmp again, so the usual message and the checkerboard follow.
std::string ChooseFontPath(const std::string& installedFolder);
