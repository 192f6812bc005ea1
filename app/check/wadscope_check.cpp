// wadscope-check: checks the BSP tree of each map of a level file, as text or JSON lines.
#include <cstdio>

#include "app/build_info.h"
#include "app/check_report.h"

int main(int argc, char** argv) {
    Launch launch = PrepareLaunch(Program::kCheck, argc, argv, kInstalledFontFolder);
    int status = launch.answer ? PrintAnswer(*launch.answer) : CheckMaps(launch, PrintToStandardStreams);
    std::fflush(stdout);
    return status;
}
