#include "CMediaprobeApp.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf(
                "usage: mediaprobe\n\n"
                "Lists the labeling drives the print engine sees and identifies the disc in the chosen\n"
                "drive: the drive's resource file, the media imaging parameter and manufacturer code.\n"
                "For scripts: qmprobe media.\n");
            return 0;
        }
    }
    probe::CMediaprobeApp app(argc, argv);
    return app.initInstance();
}
