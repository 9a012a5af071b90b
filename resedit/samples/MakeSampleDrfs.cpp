// Writes the sample DRFs into a folder (samples/drf/ of the source tree).
#include "SampleDrfs.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv) {
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
        std::fprintf(argc == 2 ? stdout : stderr,
                     "usage: make_sample_drfs OUTPUT-FOLDER\n"
                     "Writes the sample DRFs of formats 1 to 4 into OUTPUT-FOLDER.\n");
        return argc == 2 ? 0 : 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    for (const auto& sample : resedit::samples::sampleDrfs()) {
        const auto path = folder / sample.fileName;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(sample.bytes.data()),
                  static_cast<std::streamsize>(sample.bytes.size()));
        out.close();
        if (!out) {
            std::fprintf(stderr, "make_sample_drfs: cannot write %s\n", path.string().c_str());
            return 1;
        }
        std::printf("%s (%zu bytes)\n", path.string().c_str(), sample.bytes.size());
    }
    return 0;
}
