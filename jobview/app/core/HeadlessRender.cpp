#include "HeadlessRender.h"

#include <QFileInfo>

#include "PictureFile.h"
#include "RenderPass.h"
#include "jobview/CJobViewDoc.h"
#include "jobview/JobStatistics.h"
#include "jobview/JobViewPrompter.h"

namespace jobview {

namespace {

// Keeps the document's messages for the error text.
class CollectingPrompter : public JobViewPrompter {
public:
    void showMessage(const std::string& text) override { messages.append(QString::fromStdString(text)); }
    void showStatistics(const JobStatistics&) override {}
    QStringList messages;
};

bool fail(QString* error, const QString& why) {
    if (error)
        *error = why;
    return false;
}

} // namespace

bool renderToFile(const QString& input, const QString& output, QString* error) {
    if (pictureFormatForPath(output) == PictureFormat::Unknown)
        return fail(error, QStringLiteral("%1: the picture can be saved as .png or .bmp only").arg(output));
    HitMap hits;
    QImage picture;
    if (!renderFile(input, hits, &picture, error))
        return false;
    return savePicture(picture, output, error);
}

bool renderFile(const QString& input, HitMap& hits, QImage* picture, QString* error) {
    if (!QFileInfo::exists(input))
        return fail(error, QStringLiteral("%1: no such file").arg(input));

    CollectingPrompter prompter;
    CJobViewDoc document(prompter);
    const bool opened = document.OnOpenDocument(input.toStdString());
    if (!opened) {
        if (!prompter.messages.isEmpty())
            return fail(error,
                        QStringLiteral("%1: %2").arg(input, prompter.messages.join(QStringLiteral("; "))));
        return fail(error, QStringLiteral("%1: not a print job of format version 3").arg(input));
    }
    if (!document.job() && !document.floyd())
        return fail(
            error,
            QStringLiteral("%1: neither a print job (.tlm, .tolm) nor a floyd picture (.fld)").arg(input));

    Gdiplus::GdiplusStartupInput startup;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &startup, nullptr) != Gdiplus::Ok)
        return fail(error, QStringLiteral("GDI+ did not start"));
    QImage image;
    bool rendered = false;
    {
        // The GDI+ image goes before GDI+ stops; a copy and the hit counts stay.
        RenderPass pass;
        SilentObserver observer;
        RenderPass::Result result = pass.run(&document, observer);
        if (result.picture) {
            image = toQImage(result.picture->image.get());
            hits = std::move(result.picture->hits);
            rendered = !image.isNull();
        }
    }
    Gdiplus::GdiplusShutdown(token);
    if (!rendered)
        return fail(error, QStringLiteral("%1: the renderer gave no picture").arg(input));
    if (picture)
        *picture = image;
    return true;
}

} // namespace jobview
