#include "resedit/DrfEditState.h"

#include "resedit/Paths.h"
#include "resedit/Texts.h"

#include "drf/DrfDocument.h"
#include "drf/DriveMediaNames.h"
#include "drf/Status.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace resedit {

DrfEditState::DrfEditState() : document_(std::make_unique<drf::DrfDocument>()) {}
DrfEditState::~DrfEditState() = default;
DrfEditState::DrfEditState(DrfEditState&&) noexcept = default;
DrfEditState& DrfEditState::operator=(DrfEditState&&) noexcept = default;

int DrfEditState::open(const std::filesystem::path& path) {
    document_ = std::make_unique<drf::DrfDocument>();
    path_ = path;
    documentPath_ = path;
    formatVersion_ = 0;
    driveId_ = 0;
    media_.clear();
    unsaved_ = false;

    std::array<std::uint16_t, drf::kMediaListSize> media{};
    int result = document_->GetSupportedMedia(path, media);
    if (result == drf::kResultOk) {
        result = document_->GetFormatVersion(path, formatVersion_);
    }
    if (result == drf::kResultOk) {
        result = document_->GetDriveId(path, driveId_);
    }
    if (result != drf::kResultOk) {
        std::printf(kCannotReadFormat.data(), utf8FromPath(path).c_str());
        std::fflush(stdout);
        return result;
    }
    for (std::uint16_t id : media) {
        if (id != 0) {
            media_.push_back(id);
        }
    }
    return drf::kResultOk;
}

std::vector<std::string> DrfEditState::mediaTexts() const {
    std::vector<std::string> texts;
    texts.reserve(media_.size());
    for (std::uint16_t id : media_) {
        texts.push_back(drf::MediaDisplayText(id, true));
    }
    std::sort(texts.begin(), texts.end());
    return texts;
}

int DrfEditState::loadValues(std::uint16_t media, std::uint16_t quality, EditValues& values) {
    std::unique_ptr<drf::PrintEngineResourcesImpl> set;
    int result = document_->GetResources(documentPath_, media, quality, set);
    if (result != drf::kResultOk) {
        return result;
    }
    EditValues read{};
    result = drf::readEditorValues(*set, formatVersion_, read);
    if (result == drf::kResultOk) {
        values = read;
    }
    return result;
}

int DrfEditState::applyValues(std::uint16_t media, std::uint16_t quality, const EditValues& values) {
    std::unique_ptr<drf::PrintEngineResourcesImpl> set;
    int result = document_->GetResources(documentPath_, media, quality, set);
    if (result != drf::kResultOk) {
        return result;
    }
    EditValues before{};
    const bool knownBefore = drf::readEditorValues(*set, formatVersion_, before) == drf::kResultOk;
    result = drf::writeEditorValues(*set, formatVersion_, values);
    if (result == drf::kResultOk) {
        result = document_->SetResources(media, quality, *set);
    }
    if (result == drf::kResultOk && (!knownBefore || before != values)) {
        unsaved_ = true;
    }
    return result;
}

int DrfEditState::save(const std::filesystem::path& target) {
    if (!writeBackup(target)) {
        return drf::kResultCannotOpen;
    }
    const int result = document_->Save(target);
    if (result == drf::kResultOk) {
        path_ = target;
        unsaved_ = false;
    }
    return result;
}

int readFormatVersion(const std::filesystem::path& path, std::uint32_t& version) {
    drf::DrfDocument document;
    return document.GetFormatVersion(path, version);
}

} // namespace resedit
