#include "HeadlessCompare.h"

#include <QImage>

#include "CompareImage.h"
#include "HeadlessRender.h"
#include "HitCompare.h"
#include "PictureFile.h"

namespace jobview {

int compareFiles(const QString& fileA, const QString& fileB, const QString& output, bool json, std::ostream& out,
                 std::ostream& err) {
    if (!output.isEmpty() && pictureFormatForPath(output) == PictureFormat::Unknown) {
        err << "jobview: " << output.toStdString() << ": the picture can be saved as .png or .bmp only\n";
        return kCompareTrouble;
    }
    HitMap a, b;
    QString error;
    if (!renderFile(fileA, a, nullptr, &error) || !renderFile(fileB, b, nullptr, &error)) {
        err << "jobview: " << error.toStdString() << "\n";
        return kCompareTrouble;
    }
    std::string why;
    const auto comparison = HitComparison::make(a, b, &why);
    if (!comparison) {
        err << "jobview: cannot compare " << fileA.toStdString() << " with " << fileB.toStdString() << ": " << why
            << "\n";
        return kCompareTrouble;
    }
    const CompareSummary& s = comparison->summary();
    if (!s.warning.empty())
        err << "jobview: warning: " << s.warning << "\n";
    if (!output.isEmpty() && !savePicture(differenceImage(*comparison), output, &error)) {
        err << "jobview: " << error.toStdString() << "\n";
        return kCompareTrouble;
    }
    if (json)
        out << summaryJson(s, fileA.toStdString(), fileB.toStdString()) << "\n";
    else
        out << summaryText(s);
    return s.equal() ? kCompareEqual : kCompareDiffer;
}

} // namespace jobview
