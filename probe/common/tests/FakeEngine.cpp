#include "FakeEngine.h"

#include <algorithm>
#include <utility>

namespace probe::testing {

namespace {

FakeEngineState state;

// Logs the call and answers with the configured failure, if any.
int enter(const char* name) {
    state.calls.emplace_back(name);
    const auto it = state.failures.find(name);
    return it != state.failures.end() ? it->second : 0;
}

FakeDrive* selectedDrive() {
    if (state.selected < 0 || static_cast<std::size_t>(state.selected) >= state.drives.size()) {
        return nullptr;
    }
    return &state.drives[static_cast<std::size_t>(state.selected)];
}

void copyText(EngineChar* to, std::size_t capacity, const std::u16string& from) {
    const std::size_t n = std::min(capacity - 1, from.size());
    std::copy_n(from.begin(), n, to);
    to[n] = 0;
}

#define FAIL_OR_GO(name)                                                                                     \
    if (const int code = enter(name)) {                                                                      \
        return code;                                                                                         \
    }

int QMPRTEN_CALL initWorld(EngineSession* s) {
    FAIL_OR_GO("PEInitWorld");
    *s = state.nextSession;
    return 0;
}
int QMPRTEN_CALL initWorld2(int mode, EngineSession* s) {
    FAIL_OR_GO("PEInitWorld2");
    if (mode != kInitWorldMode) {
        return 0x226;
    }
    *s = state.nextSession;
    return 0;
}
int sessionOnly(const char* name, EngineSession s) {
    FAIL_OR_GO(name);
    return s == state.nextSession ? 0 : 0x222;
}
int QMPRTEN_CALL deinitWorld(EngineSession s) {
    return sessionOnly("PEDeinitWorld", s);
}
int QMPRTEN_CALL startComm(EngineSession s) {
    return sessionOnly("PEStartComm", s);
}
int QMPRTEN_CALL endComm(EngineSession s) {
    return sessionOnly("PEEndComm", s);
}
int QMPRTEN_CALL numberOfDrives(EngineSession, int* count) {
    FAIL_OR_GO("PEGetNumberOfDrives");
    *count = static_cast<int>(state.drives.size());
    return 0;
}
int QMPRTEN_CALL driveDescription(EngineSession, int index, EngineDriveDescription* d) {
    FAIL_OR_GO("PEGetDriveDescription");
    if (index < 0 || static_cast<std::size_t>(index) >= state.drives.size()) {
        return 0x231;
    }
    const FakeDrive& drive = state.drives[static_cast<std::size_t>(index)];
    d->number = drive.number;
    copyText(d->textA, kDriveTextAChars, drive.textA);
    copyText(d->textB, kDriveTextBChars, drive.textB);
    copyText(d->textC, kDriveTextCChars, drive.textC);
    d->name() = drive.name;
    d->listed = drive.listed ? 1 : 0;
    return 0;
}
int QMPRTEN_CALL selectDrive(EngineSession, int index) {
    FAIL_OR_GO("PESelectDrive");
    state.selects.push_back(index);
    if (index < 0 || static_cast<std::size_t>(index) >= state.drives.size()) {
        return 0x231;
    }
    state.selected = index;
    return 0;
}
int QMPRTEN_CALL deselectDrive(EngineSession) {
    FAIL_OR_GO("PEDeselectDrive");
    state.selected = -1;
    return 0;
}
int QMPRTEN_CALL capabilities(EngineSession, EngineDriveCapabilities* caps) {
    FAIL_OR_GO("PEGetDriveCapabilities");
    const FakeDrive* drive = selectedDrive();
    if (drive == nullptr) {
        return 0x233;
    }
    caps->driveId = drive->driveId;
    return 0;
}
int mediaId(const char* name, EngineMediaId* media, EngineLabelRequest* request) {
    FAIL_OR_GO(name);
    state.requests.push_back(*request);
    const FakeDrive* drive = selectedDrive();
    if (drive == nullptr) {
        return 0x233;
    }
    media->imagingParameter = drive->imagingParameter;
    media->manufacturer = drive->manufacturer;
    return 0;
}
int QMPRTEN_CALL getMediaId(EngineSession, EngineMediaId* media, EngineLabelRequest* request) {
    return mediaId("PEGetMediaId", media, request);
}
int QMPRTEN_CALL getMediaIdL(EngineSession, EngineMediaId* media, EngineLabelRequest* request) {
    return mediaId("PEGetMediaIdL", media, request);
}
int QMPRTEN_CALL getLabelParams(EngineSession, EngineLabelParams* params, EngineLabelRequest* request) {
    // A failure keyed "PEGetLabelParams/N" hits quality N only.
    FAIL_OR_GO("PEGetLabelParams");
    state.requests.push_back(*request);
    const auto it = state.failures.find("PEGetLabelParams/" + std::to_string(request->quality));
    if (it != state.failures.end()) {
        return it->second;
    }
    const FakeDrive* drive = selectedDrive();
    if (drive == nullptr) {
        return 0x233;
    }
    if (request->quality < 0 || request->quality >= kQualityCount) {
        return 0x226;
    }
    *params = drive->params[static_cast<std::size_t>(request->quality)];
    return 0;
}
int QMPRTEN_CALL requestOnly(EngineSession, EngineLabelRequest*) {
    FAIL_OR_GO("PELabelDisc");
    return 0;
}
int QMPRTEN_CALL labelRegion(EngineSession, int*, int*) {
    FAIL_OR_GO("PEGetLabelRegion");
    return 0;
}
int QMPRTEN_CALL targetResolution(EngineSession, int*, int*) {
    FAIL_OR_GO("PEGetTargetResolution");
    return 0;
}
int QMPRTEN_CALL setCallbacks(EngineSession, PECallbacks* callbacks) {
    FAIL_OR_GO("PESetPECB");
    state.callbacks = callbacks;
    return 0;
}
int QMPRTEN_CALL lockTray(EngineSession) {
    FAIL_OR_GO("PELockDriveTray");
    return 0;
}
int QMPRTEN_CALL unlockTray(EngineSession) {
    FAIL_OR_GO("PEUnlockDriveTray");
    return 0;
}
int QMPRTEN_CALL ejectTray(EngineSession) {
    FAIL_OR_GO("PEEjectDriveTray");
    return 0;
}
int QMPRTEN_CALL loadTray(EngineSession) {
    FAIL_OR_GO("PELoadDriveTray");
    return 0;
}
int QMPRTEN_CALL qualitySupported(EngineSession, int, int*) {
    FAIL_OR_GO("PEIsQualitySupported");
    return 0;
}
int QMPRTEN_CALL mediaColors(EngineSession, std::uint32_t*, std::uint32_t*) {
    FAIL_OR_GO("PEGetMediaColors");
    return 0;
}
int QMPRTEN_CALL validDrive(EngineSession, int, int*) {
    FAIL_OR_GO("PEIsValidDrive");
    return 0;
}
int QMPRTEN_CALL testMediaId(EngineSession, EngineMediaId*) {
    FAIL_OR_GO("PETestMediaId");
    return 0;
}
int QMPRTEN_CALL apiVersion(EngineSession, int* version) {
    FAIL_OR_GO("PEGetAPIVersion");
    *version = state.apiVersion;
    return 0;
}

template <typename Fn> void* address(Fn fn) {
    return reinterpret_cast<void*>(fn);
}

} // namespace

FakeEngineState& fakeEngine() {
    return state;
}

void resetFakeEngine() {
    state = FakeEngineState{};
}

std::map<std::string, void*> fakeEngineExports(const std::set<std::string>& omit) {
    std::map<std::string, void*> all{
        {"PEInitWorld", address(&initWorld)},
        {"PEInitWorld2", address(&initWorld2)},
        {"PEDeinitWorld", address(&deinitWorld)},
        {"PEStartComm", address(&startComm)},
        {"PEEndComm", address(&endComm)},
        {"PEGetNumberOfDrives", address(&numberOfDrives)},
        {"PEGetDriveDescription", address(&driveDescription)},
        {"PESelectDrive", address(&selectDrive)},
        {"PEDeselectDrive", address(&deselectDrive)},
        {"PEGetDriveCapabilities", address(&capabilities)},
        {"PEGetLabelParams", address(&getLabelParams)},
        {"PEGetMediaId", address(&getMediaId)},
        {"PEGetMediaIdL", address(&getMediaIdL)},
        {"PELabelDisc", address(&requestOnly)},
        {"PEPrintPreview", address(&requestOnly)},
        {"PEGetLabelRegion", address(&labelRegion)},
        {"PEGetTargetResolution", address(&targetResolution)},
        {"PESetPECB", address(&setCallbacks)},
        {"PELockDriveTray", address(&lockTray)},
        {"PEUnlockDriveTray", address(&unlockTray)},
        {"PEEjectDriveTray", address(&ejectTray)},
        {"PELoadDriveTray", address(&loadTray)},
        {"PEIsQualitySupported", address(&qualitySupported)},
        {"PEGetMediaColors", address(&mediaColors)},
        {"PEIsValidDrive", address(&validDrive)},
        {"PETestMediaId", address(&testMediaId)},
        {"PEGetAPIVersion", address(&apiVersion)},
    };
    for (const std::string& name : omit) {
        all.erase(name);
    }
    return all;
}

std::string narrow(std::wstring_view text) {
    std::string out;
    for (wchar_t c : text) {
        out += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return out;
}

qmplatform::ModuleHandle FakeLibraries::load(std::wstring_view nameOrPath, std::uint32_t flags, long& error) {
    log.push_back("load " + narrow(nameOrPath) + " flags " + std::to_string(flags) + " mode " +
                  std::to_string(errorMode));
    const auto it = modules.find(std::wstring(nameOrPath));
    if (it == modules.end()) {
        error = 126;
        return nullptr;
    }
    handles_.push_back(it->first);
    ++openModules;
    return reinterpret_cast<qmplatform::ModuleHandle>(handles_.size());
}

void* FakeLibraries::resolve(qmplatform::ModuleHandle module, const char* entryName) {
    const auto index = reinterpret_cast<std::size_t>(module);
    if (index == 0 || index > handles_.size()) {
        return nullptr;
    }
    const auto& exports = modules[handles_[index - 1]];
    const auto it = exports.find(entryName);
    return it != exports.end() ? it->second : nullptr;
}

bool FakeLibraries::free(qmplatform::ModuleHandle) {
    log.emplace_back("free");
    --openModules;
    return true;
}

long FakeLibraries::moduleFileName(qmplatform::ModuleHandle module, std::wstring& out) {
    if (module != nullptr || programPath.empty()) {
        return 126;
    }
    out = programPath;
    return 0;
}

std::uint32_t FakeLibraries::setErrorMode(std::uint32_t mode) {
    log.push_back("setErrorMode " + std::to_string(mode));
    return std::exchange(errorMode, mode);
}

std::FILE* FakeFiles::openForReading(std::wstring_view windowsPath) const {
    if (existing.count(std::wstring(windowsPath)) == 0) {
        return nullptr;
    }
    return std::tmpfile();
}

EngineLabelParams labelParams(std::uint16_t version, std::uint32_t velocity, std::uint32_t pitch,
                              std::uint32_t spacing, std::uint8_t write, std::uint8_t read,
                              std::int8_t focus) {
    EngineLabelParams p{};
    p.version = version;
    p.linearVelocity = velocity;
    p.trackPitch = pitch;
    p.markSpacing = spacing;
    p.writePower = write;
    p.readPower = read;
    p.focusOffset = focus;
    return p;
}

} // namespace probe::testing
