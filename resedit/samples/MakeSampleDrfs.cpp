// Writes the sample DRFs into a folder (samples/drf/ of the source tree).
#include "SampleDrfs.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/FileReplace.h"

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
    if (ec) {
        std::fprintf(stderr, "make_sample_drfs: cannot make the folder %s: %s\n", folder.string().c_str(),
                     ec.message().c_str());
        return 1;
    }
    for (const auto& sample : resedit::samples::sampleDrfs()) {
        const auto path = folder / sample.fileName;
        std::string error;
        if (!qmplatform::writeFileReplacing(path, sample.bytes, error)) {
            std::fprintf(stderr, "make_sample_drfs: %s\n", error.c_str());
            return 1;
        }
        std::printf("%s (%zu bytes)\n", path.string().c_str(), sample.bytes.size());
    }
    return 0;
}
