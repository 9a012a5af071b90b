#include "probe/PrintEngineBinding.h"

#include "probe/ReturnCodes.h"

#include "platform/Win32Codes.h"

#include <cstdio>

namespace probe {

PrintEngineBinding::PrintEngineBinding(qmplatform::DynamicLibraries& libraries,
                                       const qmplatform::Files& files)
    : libraries_(libraries), files_(files) {}

PrintEngineBinding::~PrintEngineBinding() {
    Release();
}

namespace {

bool fileExists(const qmplatform::Files& files, const std::wstring& path) {
    std::FILE* f = files.openForReading(path);
    if (f == nullptr) {
        return false;
    }
    std::fclose(f);
    return true;
}

} // namespace

int PrintEngineBinding::Load(const wchar_t* name) {
    Release();
    loadError_ = 0;
    missingEntry_ = nullptr;
    const std::wstring fileName = name != nullptr ? std::wstring(name) : std::wstring(kEngineFileName);

    // The program's own folder first; the engine's install folder is on PATH
    // (extendSearchPath) for the bare-name load.
    std::wstring path;
    std::wstring program;
    if (libraries_.moduleFileName(nullptr, program) == qmplatform::kErrorSuccess) {
        const auto slash = program.find_last_of(L"\\/");
        if (slash != std::wstring::npos) {
            path = program.substr(0, slash) + L"\\" + fileName;
        }
    }
    if (path.empty() || !fileExists(files_, path)) {
        path = fileName;
    }
    loadedName_ = path;

    const std::uint32_t previousMode = libraries_.setErrorMode(kEngineLoadErrorMode);
    long error = 0;
    module_ = libraries_.load(path, qmplatform::kLoadWithAlteredSearchPath, error);
    libraries_.setErrorMode(previousMode);
    if (module_ == nullptr) {
        loadError_ = error != 0 ? error : qmplatform::kErrorModNotFound;
        state_ = Failed;
        return kCodeLoadFailed;
    }

    for (const EntryInfo& info : kEntries) {
        void* address = libraries_.resolve(module_, info.name);
        if (address == nullptr && info.required) {
            missingEntry_ = info.name;
            Release();
            state_ = Failed;
            return kCodeLoadFailed;
        }
        entries_[static_cast<std::size_t>(info.entry)] = address;
    }

    state_ = Ready;
    const int code = entry<PEInitWorld2_t>(Entry::InitWorld2)(kInitWorldMode, &session_);
    if (code != 0) {
        Release();
        state_ = Failed;
        return code;
    }
    return 0;
}

void PrintEngineBinding::Release() {
    if (session_ != 0 && state_ == Ready) {
        entry<PEDeinitWorld_t>(Entry::DeinitWorld)(session_);
    }
    session_ = 0;
    if (module_ != nullptr) {
        libraries_.free(module_);
    }
    module_ = nullptr;
    entries_.fill(nullptr);
    state_ = NotLoaded;
}

int PrintEngineBinding::PEGetAPIVersion(int& version) {
    if (!ready()) {
        return kCodeNotReady;
    }
    const auto fn = entry<PEGetAPIVersion_t>(Entry::GetAPIVersion);
    if (fn == nullptr) {
        version = 0;
        return kCodeNeedsUpdate;
    }
    return fn(session_, &version);
}

int PrintEngineBinding::PEStartComm() {
    return guarded<Entry::StartComm, PEStartComm_t>();
}
int PrintEngineBinding::PEEndComm() {
    return guarded<Entry::EndComm, PEEndComm_t>();
}
int PrintEngineBinding::PESetPECB(PECallbacks* callbacks) {
    return guarded<Entry::SetPECB, PESetPECB_t>(callbacks);
}
int PrintEngineBinding::PEGetNumberOfDrives(int& count) {
    return guarded<Entry::GetNumberOfDrives, PEGetNumberOfDrives_t>(&count);
}
int PrintEngineBinding::PEGetDriveDescription(int index, EngineDriveDescription& description) {
    return guarded<Entry::GetDriveDescription, PEGetDriveDescription_t>(index, &description);
}
int PrintEngineBinding::PESelectDrive(int index) {
    return guarded<Entry::SelectDrive, PESelectDrive_t>(index);
}
int PrintEngineBinding::PEDeselectDrive() {
    return guarded<Entry::DeselectDrive, PEDeselectDrive_t>();
}
int PrintEngineBinding::PELoadDriveTray() {
    return guarded<Entry::LoadDriveTray, PELoadDriveTray_t>();
}
int PrintEngineBinding::PEEjectDriveTray() {
    return guarded<Entry::EjectDriveTray, PEEjectDriveTray_t>();
}
int PrintEngineBinding::PEGetDriveCapabilities(EngineDriveCapabilities& caps) {
    return guarded<Entry::GetDriveCapabilities, PEGetDriveCapabilities_t>(&caps);
}
int PrintEngineBinding::PEGetMediaId(EngineMediaId& media, EngineLabelRequest& request) {
    return guarded<Entry::GetMediaId, PEGetMediaId_t>(&media, &request);
}
int PrintEngineBinding::PEGetMediaIdL(EngineMediaId& media, EngineLabelRequest& request) {
    return guarded<Entry::GetMediaIdL, PEGetMediaIdL_t>(&media, &request);
}
int PrintEngineBinding::PEGetLabelParams(EngineLabelParams& params, EngineLabelRequest& request) {
    return guarded<Entry::GetLabelParams, PEGetLabelParams_t>(&params, &request);
}

} // namespace probe
