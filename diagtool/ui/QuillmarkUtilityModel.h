// Runs the drive-and-media scan for the diagnostics: one line per drive,
// each drive examined in turn behind its detection dialog.
#pragma once

#include "diagtool/client_qt/QuillmarkModel.h"

#include <QObject>
#include <QStringList>

class DetectMediaDialog;

class QuillmarkUtilityModel : public QObject {
    Q_OBJECT
public:
    explicit QuillmarkUtilityModel(QMRT::ServerCreator create = QMRT::createDiscPrintMgr);
    ~QuillmarkUtilityModel() override;

    QStringList scanDrivesAndMedia();
    const QMRT::QMRT_MediaInformation& mediaInformation() const { return mediaInfo_; }
    QuillmarkModel& model() { return *model_; }
    // The dialog of the latest detection, kept until the next one.
    DetectMediaDialog* detectionDialog() const { return dialog_; }

public slots:
    void on_MediaDetectionFinished(bool mediaDetected, QMRT::QMRT_MediaInformation mediaInfo);

private:
    QuillmarkModel* model_;
    QMRT::QMRT_MediaInformation mediaInfo_{};
    DetectMediaDialog* dialog_ = nullptr;
    HRESULT initialised_;
};
