#include <cstdio>
#include <cstring>

#include "CReseditApp.h"

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf(
                "usage: resedit [FILE.bin]\n\n"
                "Opens the DRF editor. A drive resource file named on the command line opens at once\n"
                "in the editor for its format; without one the launcher offers \"Select DRF\".\n"
                "To inspect or change DRFs from scripts, use drftool.\n");
            return 0;
        }
    }
    resedit::CReseditApp app(argc, argv);
    return app.initInstance();
}
