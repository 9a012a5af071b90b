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

#include "DrfJobSettings.h"
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
    const QCommandLineOption clockwiseOption(QStringLiteral("clockwise"),
                                             QStringLiteral("Tracks run clockwise on screen (the default)."));
    const QCommandLineOption circular(QStringLiteral("circular"), QStringLiteral("Circular tracks (the default)."));
    const QCommandLineOption drfOption(
        QStringLiteral("drf"),
        QStringLiteral("Take track and mark spacing, direction, spiral and the start angle step from this\n"
                       "drive resource file's print mode (with --media and --quality). Options given\n"
                       "on the command line still win."),
        QStringLiteral("FILE.bin"));
    const QCommandLineOption mediaOption(QStringLiteral("media"), QStringLiteral("Media id of the print mode."),
                                         QStringLiteral("ID"));
    const QCommandLineOption qualityOption(QStringLiteral("quality"),
                                           QStringLiteral("Quality of the print mode: 0/Best, 1/Normal, 2/Draft."),
                                           QStringLiteral("Q"));
    parser.addOption(jobOption);
    parser.addOption(floydOption);
    for (const NumberOption& n : numbers)
        parser.addOption(n.option);
    parser.addOption(counterClockwise);
    parser.addOption(clockwiseOption);
    parser.addOption(spiral);
    parser.addOption(circular);
    parser.addOption(drfOption);
    parser.addOption(mediaOption);
    parser.addOption(qualityOption);
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
    if (parser.isSet(spiral) && parser.isSet(circular)) {
        std::fprintf(stderr, "makejob: --spiral and --circular contradict each other\n");
        return 2;
    }
    if (parser.isSet(clockwiseOption) && parser.isSet(counterClockwise)) {
        std::fprintf(stderr, "makejob: --clockwise and --counter-clockwise contradict each other\n");
        return 2;
    }
    options.spiral = parser.isSet(spiral);
    options.clockwise = !parser.isSet(counterClockwise);
    const bool fromDrf = parser.isSet(drfOption);
    if (fromDrf != parser.isSet(mediaOption) || fromDrf != parser.isSet(qualityOption)) {
        std::fprintf(stderr, "makejob: --drf, --media and --quality go together\n");
        return 2;
    }
    std::uint16_t media = 0;
    std::uint16_t quality = 0;
    if (fromDrf) {
        unsigned id = 0;
        if (!parseNumber(parser.value(mediaOption), id) || id > 0xFFFF) {
            std::fprintf(stderr, "makejob: --media needs a media id from 0 to 65535\n");
            return 2;
        }
        media = static_cast<std::uint16_t>(id);
        const auto q = makejob::parseQuality(parser.value(qualityOption).toStdString());
        if (!q) {
            std::fprintf(stderr, "makejob: no print quality named %s; qualities are 0/Best, 1/Normal, 2/Draft\n",
                         parser.value(qualityOption).toLocal8Bit().constData());
            return 1;
        }
        quality = *q;
    }
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

    std::string error;
    if (fromDrf) {
        const std::string drfPath = parser.value(drfOption).toLocal8Bit().toStdString();
        makejob::DrfJobGeometry geometry;
        if (!makejob::readDrfGeometry(std::filesystem::path(drfPath), media, quality, geometry, &error)) {
            std::fprintf(stderr, "makejob: %s\n", error.c_str());
            return 1;
        }
        makejob::ExplicitOptions given;
        given.tracksPerInch = parser.isSet(QStringLiteral("tpi"));
        given.dotsPerInch = parser.isSet(QStringLiteral("dpi"));
        given.direction = parser.isSet(clockwiseOption) || parser.isSet(counterClockwise);
        given.spiral = parser.isSet(spiral) || parser.isSet(circular);
        given.startAngleStep = parser.isSet(QStringLiteral("start-angle-step"));
        try {
            for (const std::string& line : makejob::applyGeometry(geometry, given, options))
                std::printf("%s\n", line.c_str());
        } catch (const jobgen::OptionError& e) {
            std::fprintf(stderr, "makejob: %s\n", e.what());
            return 1;
        }
    }

    jobgen::GreyPicture picture;
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
        // Values from a DRF are the file's, not the user's: a job they cannot
        // make is a failure of that file's print mode, not a usage error.
        const bool drfSpacing = fromDrf && !parser.isSet(QStringLiteral("dpi"));
        std::fprintf(stderr, "makejob: %s%s\n", e.what(),
                     drfSpacing ? " (the spacings come from the DRF; --tpi and --dpi override them)" : "");
        return fromDrf ? 1 : 2;
    }
    return 0;
}
