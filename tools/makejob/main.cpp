// makejob: turns a picture into a print job and/or a floyd picture, as the
// print engine would before a burn.
#include <QCoreApplication>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "jobfile/JobWriter.h"
#include "jobgen/JobGenerator.h"
#include "jobgen/PictureReader.h"
#include "jobview/FloydWriter.h"

namespace {

void usage(std::FILE* to) {
    std::fprintf(to,
                 "usage: makejob [OPTIONS] PICTURE\n"
                 "Turns a picture (PNG, JPEG, BMP, ...) into label tracks laid over the disc as seen\n"
                 "from above, halftoned to on/off marks, and writes them as a print job and/or a\n"
                 "floyd picture (one row per track). At least one of --job and --floyd is needed.\n"
                 "\n"
                 "  --job FILE                write the print job (.tolm)\n"
                 "  --floyd FILE              write the floyd picture (.fld)\n"
                 "  --inner-radius UM         inner edge of the label area, micrometres (23000)\n"
                 "  --outer-radius UM         outer edge of the label area, micrometres (57600)\n"
                 "  --first-track-radius UM   radius of track 0, micrometres (23000)\n"
                 "  --tpi N                   tracks per inch (500)\n"
                 "  --dpi N                   marks per inch along a track (1000)\n"
                 "  --angle-units N           angle units per turn (400)\n"
                 "  --counter-clockwise       tracks run counter-clockwise on screen (default clockwise)\n"
                 "  --spiral                  spiral tracks (default circular)\n"
                 "  --start-angle-step N      track n starts at n x N angle units (0)\n"
                 "  --help                    this text\n"
                 "\n"
                 "A floyd picture is always viewed from track radius 23000 um outwards, one row per\n"
                 "track; --first-track-radius, --angle-units and --spiral apply to the job only.\n");
}

bool parseNumber(const char* text, unsigned& out) {
    char* end = nullptr;
    const unsigned long v = std::strtoul(text, &end, 10);
    if (!*text || *end || v > 0xFFFFFFFFul || text[0] == '-')
        return false;
    out = static_cast<unsigned>(v);
    return true;
}

std::string sizeOf(const std::filesystem::path& p) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(p, ec);
    return ec ? std::string("?") : std::to_string(size);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv); // image format plugins are found through it

    jobgen::LabelOptions options;
    std::string picturePath, jobPath, floydPath;
    struct NumberOption {
        const char* name;
        unsigned* target;
    };
    const NumberOption numbers[] = {
        {"--inner-radius", &options.innerRadius},
        {"--outer-radius", &options.outerRadius},
        {"--first-track-radius", &options.firstTrackRadius},
        {"--tpi", &options.tracksPerInch},
        {"--dpi", &options.dotsPerInch},
        {"--angle-units", &options.angleUnitsPerTurn},
        {"--start-angle-step", &options.startAngleStep},
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        }
        if (arg == "--spiral") {
            options.spiral = true;
            continue;
        }
        if (arg == "--counter-clockwise") {
            options.clockwise = false;
            continue;
        }
        if (arg == "--job" || arg == "--floyd") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "makejob: %s needs a file name\n", arg.c_str());
                return 2;
            }
            (arg == "--job" ? jobPath : floydPath) = argv[++i];
            continue;
        }
        bool matched = false;
        for (const NumberOption& n : numbers) {
            if (arg != n.name)
                continue;
            matched = true;
            if (i + 1 >= argc || !parseNumber(argv[i + 1], *n.target)) {
                std::fprintf(stderr, "makejob: %s needs a whole number\n", n.name);
                return 2;
            }
            ++i;
        }
        if (matched)
            continue;
        if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "makejob: unknown option %s (try --help)\n", arg.c_str());
            return 2;
        }
        if (!picturePath.empty()) {
            std::fprintf(stderr, "makejob: more than one picture given\n");
            return 2;
        }
        picturePath = arg;
    }
    if (picturePath.empty() || (jobPath.empty() && floydPath.empty())) {
        usage(stderr);
        return 2;
    }

    jobgen::GreyPicture picture;
    std::string error;
    if (!jobgen::readPicture(picturePath, picture, &error)) {
        std::fprintf(stderr, "makejob: cannot read %s: %s\n", picturePath.c_str(), error.c_str());
        return 1;
    }
    try {
        if (!jobPath.empty()) {
            const JobFile::Job job = jobgen::makeJob(picture, options);
            if (!JobFile::JobWriter::save(job, jobPath, &error)) {
                std::fprintf(stderr, "makejob: cannot write %s: %s\n", jobPath.c_str(), error.c_str());
                return 1;
            }
            unsigned long long marks = 0, on = 0;
            for (const auto& t : job.tracks) {
                marks += t.markCount;
                for (unsigned char b : t.marks)
                    on += static_cast<unsigned long long>(std::popcount(b));
            }
            std::printf("job: %s: %zu %s tracks (numbers %u to %u), %llu marks, %llu on, %s bytes\n",
                        jobPath.c_str(), job.tracks.size(), options.spiral ? "spiral" : "circular",
                        job.tracks.empty() ? 0u : job.tracks.front().trackNumber,
                        job.tracks.empty() ? 0u : job.tracks.back().trackNumber, marks, on,
                        sizeOf(jobPath).c_str());
        }
        if (!floydPath.empty()) {
            const jobgen::FloydRows rows = jobgen::makeFloydRows(picture, options);
            FloydPicture floyd;
            floyd.tracksPerInch = rows.tracksPerInch;
            floyd.dotsPerInch = rows.dotsPerInch;
            floyd.flags = rows.counterClockwise ? 0x02 : 0x00;
            floyd.rows.reserve(rows.rows.size());
            for (const auto& row : rows.rows)
                floyd.rows.emplace_back(row.begin(), row.end());
            if (!floyd::save(floyd, floydPath, &error)) {
                std::fprintf(stderr, "makejob: cannot write %s: %s\n", floydPath.c_str(), error.c_str());
                return 1;
            }
            std::printf("floyd: %s: %zu rows, %s bytes\n", floydPath.c_str(), floyd.rows.size(),
                        sizeOf(floydPath).c_str());
        }
    } catch (const jobgen::OptionError& e) {
        std::fprintf(stderr, "makejob: %s\n", e.what());
        return 2;
    }
    return 0;
}
