#include "QuillmarkUtilityModel.h"

#include "DetectMediaDialog.h"

QuillmarkUtilityModel::QuillmarkUtilityModel(QMRT::ServerCreator create)
    : QObject(nullptr), model_(new QuillmarkModel(std::move(create))), initialised_(CoInitialize(nullptr)) {}

QuillmarkUtilityModel::~QuillmarkUtilityModel() {
    // The dialog's thread holds COM objects of its own; it is joined first.
    delete dialog_;
    delete model_;
    if (SUCCEEDED(initialised_)) {
        CoUninitialize();
    }
}

QStringList QuillmarkUtilityModel::scanDrivesAndMedia() {
    const QMRT::MediaDetector detect =
        [this](const std::string& path) -> std::optional<QMRT::QMRT_MediaInformation> {
        delete dialog_;
        dialog_ = nullptr;
        dialog_ = new DetectMediaDialog(qStringFromAnsi(path), nullptr, model_->creator());
        registerMediaInformationMetaType();
        connect(dialog_, &DetectMediaDialog::mediaDetectComplete, this,
                &QuillmarkUtilityModel::on_MediaDetectionFinished, Qt::DirectConnection);
        if (dialog_->exec() == 1) {
            return std::nullopt;
        }
        return mediaInfo_;
    };
    QStringList lines;
    for (const std::string& line : QMRT::scanDrivesAndMedia(detect, model_->creator())) {
        lines.append(qStringFromAnsi(line));
    }
    return lines;
}

void QuillmarkUtilityModel::on_MediaDetectionFinished(bool mediaDetected,
                                                      QMRT::QMRT_MediaInformation mediaInfo) {
    mediaInfo_ = mediaDetected ? mediaInfo : QMRT::QMRT_MediaInformation{};
}
