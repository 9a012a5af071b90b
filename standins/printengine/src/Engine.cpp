// The stand-in print engine QMPrtEn: the 27 C entries over drives that the
// machine's settings describe. Sessions, communication, selection and tray
// state follow what the callers rely on; everything else is kept simple.
#include "EngineConfig.h"

#include "contracts/EngineRecords.h"

#include "platform/export.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <string>

using namespace probe;

namespace qmprtens {
namespace {

// The engine's own return codes (the labelling system's numbering).
constexpr int kConfigurationError = 0x204;
constexpr int kAborted = 0x219;
constexpr int kCallbackThrew = 0x21B;
constexpr int kSessionClosed = 0x222;
constexpr int kReentrantCall = 0x223;
constexpr int kInvalidArgument = 0x226;
constexpr int kTrayLocked = 0x22A;
constexpr int kQualityNotSupported = 0x22D;
constexpr int kInvalidDrive = 0x231;
constexpr int kNoCurrentDrive = 0x233;
constexpr int kInvalidMediaId = 0x209;
constexpr int kNoMedia = 0x1012;
constexpr int kTrayOpen = 0x109F;

struct DriveState {
    bool trayOpen = false;
    bool trayLocked = false;
};

struct Session {
    EngineConfig config;
    bool communicating = false;
    int selected = -1;
    std::vector<DriveState> drives;
    PECallbacks* callbacks = nullptr;
};

std::mutex engineMutex;
std::map<EngineSession, Session> sessions;
EngineSession nextSession = 0x51;
thread_local bool insideEngine = false;

// One engine call: refuses re-entry from a callback, takes the engine lock
// and answers with the failure the settings configure for the entry.
class Call {
public:
    explicit Call(const char* entry) : entry_(entry), reentrant_(insideEngine) {
        if (!reentrant_) {
            insideEngine = true;
            lock_ = std::unique_lock<std::mutex>(engineMutex);
        }
    }
    ~Call() {
        if (!reentrant_) {
            insideEngine = false;
        }
    }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

    // 0 when the call may go on with `session_`.
    int open(EngineSession handle, bool needsCommunication = true) {
        if (reentrant_) {
            return kReentrantCall;
        }
        const auto it = sessions.find(handle);
        if (it == sessions.end() || (needsCommunication && !it->second.communicating)) {
            return kSessionClosed;
        }
        session_ = &it->second;
        return configured(session_->config.failures);
    }
    // 0 when the call may go on with the selected drive.
    int drive() {
        if (session_->selected < 0) {
            return kNoCurrentDrive;
        }
        return configured(config().failures);
    }
    int driveAt(int index) {
        if (index < 0 || static_cast<std::size_t>(index) >= session_->config.drives.size()) {
            return kInvalidDrive;
        }
        return configured(session_->config.drives[static_cast<std::size_t>(index)].failures);
    }
    bool reentrant() const { return reentrant_; }
    Session& session() { return *session_; }
    const DriveConfig& config() {
        return session_->config.drives[static_cast<std::size_t>(session_->selected)];
    }
    DriveState& state() { return session_->drives[static_cast<std::size_t>(session_->selected)]; }
    int configured(const std::map<std::string, int>& failures) const {
        const auto it = failures.find(entry_);
        return it != failures.end() ? it->second : 0;
    }

    // Calls back the client; what it throws must not cross into the caller.
    template <typename Fn> int callback(Fn&& fn) {
        if (session_->callbacks == nullptr) {
            return 0;
        }
        try {
            fn(*session_->callbacks);
            return 0;
        } catch (...) {
            return kCallbackThrew;
        }
    }

private:
    const char* entry_;
    bool reentrant_;
    std::unique_lock<std::mutex> lock_;
    Session* session_ = nullptr;
};

#define QM_CHECK(expr)                                                                                       \
    if (const int qmCode = (expr); qmCode != 0) {                                                            \
        return qmCode;                                                                                       \
    }

void copyText(EngineChar* to, std::size_t capacity, const std::u16string& from) {
    const std::size_t n = std::min(capacity - 1, from.size());
    std::copy_n(from.begin(), n, to);
    to[n] = 0;
}

int openSession(const char* entry, int mode, EngineSession* session) {
    Call call(entry);
    if (call.reentrant()) {
        return kReentrantCall;
    }
    if (session == nullptr || mode != kInitWorldMode) {
        return kInvalidArgument;
    }
    EngineConfig config = defaultEngineConfig();
    if (const auto root = engineMachineRoot()) {
        std::string error;
        if (!readMachineEngineConfig(*root, config, error)) {
            return kConfigurationError;
        }
    }
    QM_CHECK(call.configured(config.failures));
    Session s;
    s.drives.resize(config.drives.size());
    s.config = std::move(config);
    *session = nextSession++;
    sessions[*session] = std::move(s);
    return 0;
}

int mediaId(const char* entry, EngineSession session, EngineMediaId* media, EngineLabelRequest* request) {
    Call call(entry);
    QM_CHECK(call.open(session));
    QM_CHECK(call.drive());
    if (media == nullptr || request == nullptr ||
        (request->kind != static_cast<std::int32_t>(RequestKind::MediaIdentification) &&
         request->kind != static_cast<std::int32_t>(RequestKind::LabelingParameters))) {
        return kInvalidArgument;
    }
    if (call.state().trayOpen) {
        return kTrayOpen;
    }
    if (!call.config().mediaPresent) {
        return kNoMedia;
    }
    media->imagingParameter = call.config().imagingParameter;
    media->manufacturer = call.config().manufacturer;
    return 0;
}

int trayCommand(const char* entry, EngineSession session, bool open, int status) {
    Call call(entry);
    QM_CHECK(call.open(session));
    QM_CHECK(call.drive());
    if (call.state().trayLocked) {
        return kTrayLocked;
    }
    call.state().trayOpen = open;
    return call.callback([status](PECallbacks& cb) { cb.Status(status); });
}

int lockCommand(const char* entry, EngineSession session, bool locked) {
    Call call(entry);
    QM_CHECK(call.open(session));
    QM_CHECK(call.drive());
    call.state().trayLocked = locked;
    return 0;
}

// Steps of a pretend labeling run.
constexpr int kLabelSteps = 4;

int labelRun(const char* entry, EngineSession session, EngineLabelRequest* request, bool burn) {
    Call call(entry);
    QM_CHECK(call.open(session));
    QM_CHECK(call.drive());
    if (request == nullptr || request->quality < 0 || request->quality > 2) {
        return kInvalidArgument;
    }
    if (call.state().trayOpen) {
        return kTrayOpen;
    }
    if (!call.config().mediaPresent) {
        return kNoMedia;
    }
    if (!call.config().qualities[static_cast<std::size_t>(request->quality)]) {
        return kQualityNotSupported;
    }
    if (!burn) {
        return 0;
    }
    QM_CHECK(call.callback([](PECallbacks& cb) { cb.Status(kStatusLabeling); }));
    for (int step = 0; step < kLabelSteps; ++step) {
        bool abort = false;
        QM_CHECK(call.callback([&](PECallbacks& cb) {
            abort = cb.QueryAbort();
            cb.TrackProgress(step, kLabelSteps);
            cb.Progress(step + 1, kLabelSteps);
        }));
        if (abort) {
            return kAborted;
        }
    }
    return 0;
}

} // namespace
} // namespace qmprtens

using namespace qmprtens;

#define QMPRTEN_ENTRY extern "C" QM_DECL_EXPORT int QMPRTEN_CALL

QMPRTEN_ENTRY PEInitWorld(EngineSession* session) {
    return openSession("PEInitWorld", kInitWorldMode, session);
}

QMPRTEN_ENTRY PEInitWorld2(int mode, EngineSession* session) {
    return openSession("PEInitWorld2", mode, session);
}

QMPRTEN_ENTRY PEDeinitWorld(EngineSession session) {
    Call call("PEDeinitWorld");
    QM_CHECK(call.open(session, false));
    sessions.erase(session);
    return 0;
}

QMPRTEN_ENTRY PEStartComm(EngineSession session) {
    Call call("PEStartComm");
    QM_CHECK(call.open(session, false));
    call.session().communicating = true;
    return 0;
}

QMPRTEN_ENTRY PEEndComm(EngineSession session) {
    Call call("PEEndComm");
    QM_CHECK(call.open(session, false));
    call.session().communicating = false;
    call.session().selected = -1;
    return 0;
}

QMPRTEN_ENTRY PEGetNumberOfDrives(EngineSession session, int* count) {
    Call call("PEGetNumberOfDrives");
    QM_CHECK(call.open(session));
    if (count == nullptr) {
        return kInvalidArgument;
    }
    *count = static_cast<int>(call.session().config.drives.size());
    return 0;
}

QMPRTEN_ENTRY PEGetDriveDescription(EngineSession session, int index, EngineDriveDescription* description) {
    Call call("PEGetDriveDescription");
    QM_CHECK(call.open(session));
    QM_CHECK(call.driveAt(index));
    if (description == nullptr) {
        return kInvalidArgument;
    }
    const DriveConfig& d = call.session().config.drives[static_cast<std::size_t>(index)];
    description->number = d.number;
    copyText(description->textA, kDriveTextAChars, d.vendor);
    copyText(description->textB, kDriveTextBChars, d.product);
    copyText(description->textC, kDriveTextCChars, d.revision);
    // The caller constructed the string object; the engine only assigns it.
    description->name() = d.name;
    description->listed = d.listed ? 1 : 0;
    return 0;
}

QMPRTEN_ENTRY PESelectDrive(EngineSession session, int index) {
    Call call("PESelectDrive");
    QM_CHECK(call.open(session));
    QM_CHECK(call.driveAt(index));
    call.session().selected = index;
    return 0;
}

QMPRTEN_ENTRY PEDeselectDrive(EngineSession session) {
    Call call("PEDeselectDrive");
    QM_CHECK(call.open(session));
    call.session().selected = -1;
    return 0;
}

QMPRTEN_ENTRY PEGetDriveCapabilities(EngineSession session, EngineDriveCapabilities* caps) {
    Call call("PEGetDriveCapabilities");
    QM_CHECK(call.open(session));
    QM_CHECK(call.drive());
    if (caps == nullptr) {
        return kInvalidArgument;
    }
    caps->driveId = call.config().driveId;
    return 0;
}

QMPRTEN_ENTRY PEGetLabelParams(EngineSession session, EngineLabelParams* params,
                               EngineLabelRequest* request) {
    Call call("PEGetLabelParams");
    QM_CHECK(call.open(session));
    QM_CHECK(call.drive());
    if (params == nullptr || request == nullptr || request->quality < 0 || request->quality > 2) {
        return kInvalidArgument;
    }
    if (call.state().trayOpen) {
        return kTrayOpen;
    }
    if (!call.config().mediaPresent) {
        return kNoMedia;
    }
    const auto& quality = call.config().qualities[static_cast<std::size_t>(request->quality)];
    if (!quality) {
        return kQualityNotSupported;
    }
    params->version = call.config().recordVersion;
    params->linearVelocity = quality->linearVelocity;
    params->trackPitch = quality->trackPitch;
    params->markSpacing = quality->markSpacing;
    params->writePower = quality->writePower;
    params->readPower = quality->readPower;
    params->focusOffset = quality->focusOffset;
    return 0;
}

QMPRTEN_ENTRY PEGetMediaId(EngineSession session, EngineMediaId* media, EngineLabelRequest* request) {
    return mediaId("PEGetMediaId", session, media, request);
}

QMPRTEN_ENTRY PEGetMediaIdL(EngineSession session, EngineMediaId* media, EngineLabelRequest* request) {
    return mediaId("PEGetMediaIdL", session, media, request);
}

QMPRTEN_ENTRY PELabelDisc(EngineSession session, EngineLabelRequest* request) {
    return labelRun("PELabelDisc", session, request, true);
}

QMPRTEN_ENTRY PEPrintPreview(EngineSession session, EngineLabelRequest* request) {
    return labelRun("PEPrintPreview", session, request, false);
}

QMPRTEN_ENTRY PEGetLabelRegion(EngineSession session, int* innerRadiusUm, int* outerRadiusUm) {
    Call call("PEGetLabelRegion");
    QM_CHECK(call.open(session));
    if (innerRadiusUm == nullptr || outerRadiusUm == nullptr) {
        return kInvalidArgument;
    }
    *innerRadiusUm = 23000;
    *outerRadiusUm = 57600;
    return 0;
}

QMPRTEN_ENTRY PEGetTargetResolution(EngineSession session, int* tracksPerInch, int* marksPerInch) {
    Call call("PEGetTargetResolution");
    QM_CHECK(call.open(session));
    QM_CHECK(call.drive());
    const auto& normal = call.config().qualities[1];
    if (tracksPerInch == nullptr || marksPerInch == nullptr) {
        return kInvalidArgument;
    }
    if (!normal || normal->trackPitch == 0 || normal->markSpacing == 0) {
        return kQualityNotSupported;
    }
    *tracksPerInch = static_cast<int>(25400000u / normal->trackPitch);
    *marksPerInch = static_cast<int>(25400000u / normal->markSpacing);
    return 0;
}

QMPRTEN_ENTRY PESetPECB(EngineSession session, PECallbacks* callbacks) {
    Call call("PESetPECB");
    QM_CHECK(call.open(session, false));
    call.session().callbacks = callbacks;
    return 0;
}

QMPRTEN_ENTRY PELockDriveTray(EngineSession session) {
    return lockCommand("PELockDriveTray", session, true);
}

QMPRTEN_ENTRY PEUnlockDriveTray(EngineSession session) {
    return lockCommand("PEUnlockDriveTray", session, false);
}

QMPRTEN_ENTRY PEEjectDriveTray(EngineSession session) {
    return trayCommand("PEEjectDriveTray", session, true, kStatusTrayEjecting);
}

QMPRTEN_ENTRY PELoadDriveTray(EngineSession session) {
    return trayCommand("PELoadDriveTray", session, false, kStatusTrayLoading);
}

QMPRTEN_ENTRY PEIsQualitySupported(EngineSession session, int quality, int* supported) {
    Call call("PEIsQualitySupported");
    QM_CHECK(call.open(session));
    QM_CHECK(call.drive());
    if (supported == nullptr || quality < 0 || quality > 2) {
        return kInvalidArgument;
    }
    *supported = call.config().qualities[static_cast<std::size_t>(quality)].has_value() ? 1 : 0;
    return 0;
}

QMPRTEN_ENTRY PEGetMediaColors(EngineSession session, std::uint32_t* background, std::uint32_t* marks) {
    Call call("PEGetMediaColors");
    QM_CHECK(call.open(session));
    if (background == nullptr || marks == nullptr) {
        return kInvalidArgument;
    }
    *background = 0x00C8C8C8; // the label side's grey
    *marks = 0x00202020;
    return 0;
}

#ifndef QMPRTEN_WITHOUT_PEIsValidDrive
QMPRTEN_ENTRY PEIsValidDrive(EngineSession session, int index, int* valid) {
    Call call("PEIsValidDrive");
    QM_CHECK(call.open(session));
    if (valid == nullptr) {
        return kInvalidArgument;
    }
    *valid = index >= 0 && static_cast<std::size_t>(index) < call.session().config.drives.size() ? 1 : 0;
    return 0;
}
#endif

QMPRTEN_ENTRY PETestMediaId(EngineSession session, EngineMediaId* media) {
    Call call("PETestMediaId");
    QM_CHECK(call.open(session));
    QM_CHECK(call.drive());
    if (media == nullptr) {
        return kInvalidArgument;
    }
    const DriveConfig& d = call.config();
    return d.mediaPresent && media->imagingParameter == d.imagingParameter &&
                   media->manufacturer == d.manufacturer
               ? 0
               : kInvalidMediaId;
}

#ifndef QMPRTEN_WITHOUT_PEGetAPIVersion
QMPRTEN_ENTRY PEGetAPIVersion(EngineSession session, int* version) {
    Call call("PEGetAPIVersion");
    QM_CHECK(call.open(session, false));
    if (version == nullptr) {
        return kInvalidArgument;
    }
    *version = call.session().config.apiVersion;
    return 0;
}
#endif
