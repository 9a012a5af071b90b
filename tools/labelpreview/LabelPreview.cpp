#include "LabelPreview.h"

#include <QImage>
#include <QString>

#include <system_error>

#include "CompareImage.h"
#include "DrfJobSettings.h"
#include "HeadlessRender.h"
#include "HitCompare.h"
#include "PictureFile.h"
#include "jobfile/JobWriter.h"
#include "jobgen/JobGenerator.h"
#include "jobgen/PictureReader.h"

namespace labelpreview {

namespace {

bool fail(std::string* error, const std::string& why) {
    if (error)
        *error = why;
    return false;
}

bool makeJob(const Request& r, const Side& side, const jobgen::GreyPicture& picture, std::filesystem::path& path,
             std::vector<std::string>& lines, std::string* error) {
    makejob::DrfJobGeometry geometry = makejob::geometryFromResources(*side.values, r.formatVersion);
    geometry.media = r.media;
    geometry.quality = r.quality;
    jobgen::LabelOptions options;
    try {
        lines = makejob::applyGeometry(geometry, {}, options);
        const JobFile::Job job = jobgen::makeJob(picture, options);
        path = r.folder / (side.name + ".tolm");
        std::string why;
        if (!JobFile::JobWriter::save(job, path.string(), &why))
            return fail(error, "cannot write " + path.string() + ": " + why);
    } catch (const jobgen::OptionError& e) {
        return fail(error, "no job can be made from the " + side.name + " values: " + e.what());
    }
    return true;
}

} // namespace

bool makePreview(const Request& r, Result& out, std::string* error) {
    if (!r.a.values || !r.b.values)
        return fail(error, "no values to preview");
    std::error_code ec;
    std::filesystem::create_directories(r.folder, ec);
    if (ec)
        return fail(error, "cannot make the folder " + r.folder.string() + ": " + ec.message());
    jobgen::GreyPicture picture;
    std::string why;
    if (!jobgen::readPicture(r.picture, picture, &why))
        return fail(error, "cannot read the picture " + r.picture + ": " + why);
    if (!makeJob(r, r.a, picture, out.jobA, out.linesA, error) ||
        !makeJob(r, r.b, picture, out.jobB, out.linesB, error))
        return false;

    jobview::HitMap a, b;
    QString rendering;
    if (!jobview::renderFile(QString::fromStdString(out.jobA.string()), a, nullptr, &rendering) ||
        !jobview::renderFile(QString::fromStdString(out.jobB.string()), b, nullptr, &rendering))
        return fail(error, rendering.toStdString());
    const auto comparison = jobview::HitComparison::make(a, b, &why);
    if (!comparison)
        return fail(error, "the two jobs cannot be compared: " + why);
    out.summary = jobview::summaryText(comparison->summary());
    out.equal = comparison->summary().equal();
    if (r.differencePicture) {
        out.difference = r.folder / "difference.png";
        QString saving;
        if (!jobview::savePicture(jobview::differenceImage(*comparison), QString::fromStdString(out.difference.string()),
                                  &saving))
            return fail(error, saving.toStdString());
    }
    return true;
}

} // namespace labelpreview
