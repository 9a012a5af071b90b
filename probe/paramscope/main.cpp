#include "CParamscopeApp.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf(
                "usage: paramscope\n\n"
                "Lists the labeling drives the print engine sees and shows, for the chosen drive and\n"
                "the disc in it, the labeling parameters the drive reports for each print quality.\n"
                "For scripts: qmprobe params.\n");
            return 0;
        }
    }
    probe::CParamscopeApp app(argc, argv);
    return app.initInstance();
}
