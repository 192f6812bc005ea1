#include "app/font_path.h"

#include <cstdio>

#include "draw/font_image.h"

namespace {

bool Opens(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file) std::fclose(file);
    return file != nullptr;
}

}  // namespace

std::string ChooseFontPath(const std::string& installedFolder) {
    if (Opens(kDefaultFontPath) || installedFolder.empty()) return kDefaultFontPath;
    std::string installed = installedFolder + "/" + kDefaultFontPath;
    return Opens(installed) ? installed : kDefaultFontPath;
}
