#include "LabelPreviewRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "LabelPreview.h"

namespace resedit {

bool prepareLabelPreview(const PreviewValues& values, const std::string& picture, const QString& parent,
                         PreviewLaunch& launch, QString* error) {
    QTemporaryDir folder(QDir(parent).filePath(QStringLiteral("resedit-preview-XXXXXX")));
    if (!folder.isValid()) {
        if (error)
            *error = QStringLiteral("Cannot make a folder for the preview in %1: %2").arg(parent, folder.errorString());
        return false;
    }
    // The jobs stay for jobview, which runs on after this call.
    folder.setAutoRemove(false);
    labelpreview::Request request;
    request.formatVersion = values.formatVersion;
    request.media = values.media;
    request.quality = values.quality;
    request.a = {"saved", values.saved.get()};
    request.b = {"shown", values.shown.get()};
    if (!picture.empty())
        request.picture = picture;
    request.folder = folder.path().toStdString();
    labelpreview::Result result;
    std::string why;
    if (!labelpreview::makePreview(request, result, &why)) {
        if (error)
            *error = QString::fromStdString(why);
        return false;
    }
    launch.folder = folder.path();
    launch.summary = QString::fromStdString(result.summary);
    launch.equal = result.equal;
    launch.program = QStandardPaths::findExecutable(QStringLiteral("jobview"),
                                                    {QCoreApplication::applicationDirPath()});
    launch.arguments = {QString::fromStdString(result.jobA.string()), QStringLiteral("--compare-with"),
                        QString::fromStdString(result.jobB.string())};
    return true;
}

} // namespace resedit
