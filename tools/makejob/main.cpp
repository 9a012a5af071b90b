// makejob: turns a picture into a print job and/or a floyd picture, as the
// print engine would before a burn.
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "jobfile/JobWriter.h"
#include "jobgen/JobGenerator.h"
#include "jobgen/PictureReader.h"
#include "jobview/FloydWriter.h"

namespace {

bool parseNumber(const QString& text, unsigned& out) {
    const QByteArray bytes = text.toLocal8Bit();
    const char* s = bytes.constData();
    char* end = nullptr;
    const unsigned long v = std::strtoul(s, &end, 10);
    if (!*s || *end || v > 0xFFFFFFFFul || s[0] == '-')
        return false;
    out = static_cast<unsigned>(v);
    return true;
}

std::string sizeOf(const std::filesystem::path& p) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(p, ec);
    return ec ? std::string("?") : std::to_string(size);
}

struct NumberOption {
    QCommandLineOption option;
    unsigned* target;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv); // image format plugins are found through it

    jobgen::LabelOptions options;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Turns a picture (PNG, JPEG, BMP, ...) into label tracks laid over the disc as seen\n"
                       "from above, halftoned to on/off marks, and writes them as a print job and/or a\n"
                       "floyd picture (one row per track). At least one of --job and --floyd is needed.\n"
                       "\n"
                       "A floyd picture is always viewed from track radius 23000 um outwards, one row per\n"
                       "track; --first-track-radius, --angle-units and --spiral apply to the job only."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption jobOption(QStringLiteral("job"), QStringLiteral("Write the print job (.tolm)."),
                                       QStringLiteral("FILE"));
    const QCommandLineOption floydOption(
        QStringLiteral("floyd"), QStringLiteral("Write the floyd picture (.fld)."), QStringLiteral("FILE"));
    const auto number = [](const char* name, const char* what, unsigned* target) {
        return NumberOption{
            QCommandLineOption(QString::fromLatin1(name),
                               QStringLiteral("%1 (%2).").arg(QString::fromLatin1(what)).arg(*target),
                               QStringLiteral("N")),
            target};
    };
    const NumberOption numbers[] = {
        number("inner-radius", "Inner edge of the label area, micrometres", &options.innerRadius),
        number("outer-radius", "Outer edge of the label area, micrometres", &options.outerRadius),
        number("first-track-radius", "Radius of track 0, micrometres", &options.firstTrackRadius),
        number("tpi", "Tracks per inch", &options.tracksPerInch),
        number("dpi", "Marks per inch along a track", &options.dotsPerInch),
        number("angle-units", "Angle units per turn", &options.angleUnitsPerTurn),
        number("start-angle-step", "Track n starts at n x N angle units", &options.startAngleStep),
    };
    const QCommandLineOption counterClockwise(
        QStringLiteral("counter-clockwise"),
        QStringLiteral("Tracks run counter-clockwise on screen (default clockwise)."));
    const QCommandLineOption spiral(QStringLiteral("spiral"),
                                    QStringLiteral("Spiral tracks (default circular)."));
    parser.addOption(jobOption);
    parser.addOption(floydOption);
    for (const NumberOption& n : numbers)
        parser.addOption(n.option);
    parser.addOption(counterClockwise);
    parser.addOption(spiral);
    parser.addPositionalArgument(QStringLiteral("PICTURE"),
                                 QStringLiteral("The picture to turn into tracks."));

    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "makejob: %s (try --help)\n", parser.errorText().toLocal8Bit().constData());
        return 2;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    for (const NumberOption& n : numbers) {
        if (parser.isSet(n.option) && !parseNumber(parser.value(n.option), *n.target)) {
            std::fprintf(stderr, "makejob: --%s needs a whole number\n",
                         n.option.names().constFirst().toLocal8Bit().constData());
            return 2;
        }
    }
    options.spiral = parser.isSet(spiral);
    options.clockwise = !parser.isSet(counterClockwise);
    const std::string jobPath = parser.value(jobOption).toLocal8Bit().toStdString();
    const std::string floydPath = parser.value(floydOption).toLocal8Bit().toStdString();
    const QStringList pictures = parser.positionalArguments();
    if (pictures.size() > 1) {
        std::fprintf(stderr, "makejob: more than one picture given\n");
        return 2;
    }
    if (pictures.isEmpty() || (jobPath.empty() && floydPath.empty())) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stderr);
        return 2;
    }
    const std::string picturePath = pictures.constFirst().toLocal8Bit().toStdString();

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
