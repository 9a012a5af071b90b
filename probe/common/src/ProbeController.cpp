#include "probe/ProbeController.h"

#include <exception>
#include <new>
#include <utility>

namespace probe {

namespace {

// A nonzero engine code, raised where it happens and shown by the command
// that made the call.
struct EngineFailure {
    int code;
};

void check(int code) {
    if (code != 0) {
        throw EngineFailure{code};
    }
}

const EngineChar kEmptyText[] = u"";

EngineLabelRequest makeRequest(RequestKind kind) {
    EngineLabelRequest request{};
    request.kind = static_cast<std::int32_t>(kind);
    request.quality = static_cast<std::int32_t>(PrintQuality::Normal);
    request.flag80 = 1;
    request.text = kEmptyText;
    return request;
}

int* integerValue(ProbeValues& v, const FieldInfo& f) {
    switch (f.value) {
    case Value::DriveId:
        return &v.driveId;
    case Value::ImagingParameter:
        return &v.imagingParameter;
    case Value::Manufacturer:
        return &v.manufacturer;
    case Value::LinearVelocity:
        return &v.rows[f.quality].linearVelocity;
    case Value::TracksPerInch:
        return &v.rows[f.quality].tracksPerInch;
    case Value::MarksPerInch:
        return &v.rows[f.quality].marksPerInch;
    case Value::WritePower:
        return &v.rows[f.quality].writePower;
    case Value::FocusOffset:
        return &v.rows[f.quality].focusOffset;
    case Value::ResourceFile:
    case Value::ReadPower:
        break;
    }
    return nullptr;
}

} // namespace

ProbeController::ProbeController(const ToolProfile& profile, ProbeView& view, ProbePrompter& prompter,
                                 BindingFactory makeBinding)
    : profile_(profile), view_(view), prompter_(prompter), makeBinding_(std::move(makeBinding)) {}

ProbeController::~ProbeController() = default;

template <typename Command> void ProbeController::run(Command&& command) {
    lastCode_ = 0;
    try {
        command();
    } catch (const EngineFailure& failure) {
        lastCode_ = failure.code;
        prompter_.message(returnCodeText(failure.code, profile_.tool));
    } catch (const std::bad_alloc&) {
        lastCode_ = -1;
        prompter_.message(stringResource(profile_, kIdsOutOfMemory));
    } catch (...) {
        lastCode_ = -1;
        prompter_.message(kUnexpectedText);
    }
}

PrintEngineBinding& ProbeController::engine() {
    // Only a failed allocation leaves no binding; calls then answer as a
    // binding that never loaded.
    if (!binding_) {
        throw EngineFailure{kCodeNotReady};
    }
    return *binding_;
}

void ProbeController::startSession() {
    // The framework's part of OnInitDialog: the members into the controls.
    writeControls();
    run([this] {
        binding_.reset();
        binding_ = makeBinding_();
        if (!binding_) {
            throw std::bad_alloc();
        }
        PrintEngineBinding& e = *binding_;
        check(e.Load(nullptr));
        int version = 0;
        check(e.PEGetAPIVersion(version));
        apiVersion_ = version;
        if (version < kEngineApiVersion) {
            throw EngineFailure{kCodeNeedsUpdate};
        }
        if (version > kEngineApiVersion) {
            throw EngineFailure{kCodeInstallationError};
        }
        check(e.PEStartComm());
        check(e.PESetPECB(&callbacks_));
        check(e.PEGetNumberOfDrives(driveCount_));
        buildDriveList();
    });
}

void ProbeController::buildDriveList() {
    drives_.clear();
    PrintEngineBinding& e = engine();
    // The combo box shows what was listed before a failure, too.
    try {
        for (int i = 0; i < driveCount_; ++i) {
            ScopedDriveDescription description;
            check(e.PEGetDriveDescription(i, description.get()));
            if (description.get().listed != 0) {
                drives_.add(driveItemText(description.get()), i);
            }
        }
    } catch (...) {
        view_.setDriveItems(drives_);
        throw;
    }
    view_.setDriveItems(drives_);
    view_.setSelectedItem(drives_.empty() ? -1 : 0);
}

void ProbeController::refreshList() {
    readControls();
    values_ = ProbeValues{};
    view_.setButtonsEnabled(false);
    writeControls();
    view_.yield();
    run([this] {
        PrintEngineBinding& e = engine();
        check(e.PEDeselectDrive());
        int count = 0;
        check(e.PEGetNumberOfDrives(count));
        if (count != driveCount_) {
            driveCount_ = count;
            buildDriveList();
        }
    });
    view_.setButtonsEnabled(true);
    writeControls();
}

void ProbeController::query() {
    readControls();
    view_.setButtonsEnabled(false);
    writeControls();
    view_.yield();
    run([this] {
        PrintEngineBinding& e = engine();
        check(e.PEDeselectDrive());
        const int item = view_.selectedItem();
        if (item < 0 || static_cast<std::size_t>(item) >= drives_.size()) {
            throw EngineFailure{kCodeNoDriveSelected};
        }
        check(e.PESelectDrive(drives_[static_cast<std::size_t>(item)].engineIndex));
        EngineLabelRequest request = makeRequest(profile_.requestKind);
        check(e.PELoadDriveTray());

        EngineDriveCapabilities caps{};
        check(e.PEGetDriveCapabilities(caps));
        values_.driveId = caps.driveId;
        values_.resourceFile = resourceFileName(caps.driveId);

        EngineMediaId media{};
        check(profile_.mediaCall == Entry::GetMediaIdL ? e.PEGetMediaIdL(media, request)
                                                       : e.PEGetMediaId(media, request));
        values_.imagingParameter = media.imagingParameter;
        values_.manufacturer = media.manufacturer;

        if (profile_.labelParameters) {
            for (int quality = 0; quality < kQualityCount; ++quality) {
                request.quality = quality;
                EngineLabelParams params{};
                check(e.PEGetLabelParams(params, request));
                values_.rows[static_cast<std::size_t>(quality)] = qualityRow(params);
            }
        }
        check(e.PEEjectDriveTray());
        check(e.PEDeselectDrive());
    });
    view_.setButtonsEnabled(true);
    writeControls();
}

void ProbeController::endSession() {
    run([this] {
        if (!binding_) {
            return;
        }
        int code = binding_->PEDeselectDrive();
        if (code == 0) {
            code = binding_->PEEndComm();
        }
        if (code != 0) {
            binding_->PEEndComm();
        }
        binding_->Release();
        binding_.reset();
        check(code);
    });
}

void ProbeController::readControls() {
    for (const FieldInfo& field : profile_.fields) {
        const std::string text = view_.fieldText(field.id);
        switch (field.kind) {
        case FieldKind::Text:
            values_.resourceFile = text;
            break;
        case FieldKind::Integer:
            if (const auto number = parseInteger(text)) {
                *integerValue(values_, field) = *number;
            } else {
                prompter_.message(kEnterIntegerText);
                return;
            }
            break;
        case FieldKind::Double:
            if (const auto number = parseDouble(text)) {
                values_.rows[static_cast<std::size_t>(field.quality)].readPower = *number;
            } else {
                prompter_.message(kEnterNumberText);
                return;
            }
            break;
        }
    }
}

void ProbeController::writeControls() {
    for (const FieldInfo& field : profile_.fields) {
        switch (field.kind) {
        case FieldKind::Text:
            view_.setFieldText(field.id, values_.resourceFile);
            break;
        case FieldKind::Integer:
            view_.setFieldText(field.id, formatInteger(*integerValue(values_, field)));
            break;
        case FieldKind::Double:
            view_.setFieldText(field.id,
                               formatDouble(values_.rows[static_cast<std::size_t>(field.quality)].readPower));
            break;
        }
    }
}

} // namespace probe
