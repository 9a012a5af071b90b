// What passes between the probe tools and the print engine QMPrtEn: the
// records, the callback class, and the C entries resolved by name. The
// engine stand-in (standins/printengine) compiles the same header, so the two
// sides cannot drift apart.
//
// The records are the engine's outside layouts, little-endian, at fixed byte
// offsets. Only the fields named here are read or set by the tools; the rest
// belongs to the engine. Wide characters are 16-bit on both sides (wchar_t
// would be 4 bytes on Linux). Two places depend on the compiler rather than
// on the byte layout: the wide-string object inside EngineDriveDescription and
// the PECallbacks vtable. An engine built by another compiler or another
// standard library than the caller's cannot share them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>

// The entries are plain C functions with the platform's default C calling
// convention, so GetProcAddress finds them under their bare names.
#if defined(_WIN32) && defined(__i386__)
#define QMPRTEN_CALL __cdecl
#else
#define QMPRTEN_CALL
#endif

namespace probe {

using EngineChar = char16_t;
using EngineString = std::u16string;
using EngineSession = std::uint32_t;

// ---------------------------------------------------------------------------
// EngineDriveDescription
//
// The caller constructs the string object in `nameStorage` before
// PEGetDriveDescription and destroys it afterwards (ScopedDriveDescription
// does both), so caller and engine must share one runtime for that object.
// On 32-bit builds the object sits at 68 in a 28-byte slot and the record is
// 100 bytes; on 64-bit builds the compiler places it.

inline constexpr std::size_t kDriveTextAChars = 9;
inline constexpr std::size_t kDriveTextBChars = 17;
inline constexpr std::size_t kDriveTextCChars = 6;
inline constexpr std::size_t kNameSlotBytes =
    sizeof(EngineString) <= 28 && alignof(EngineString) <= 4 ? 28 : sizeof(EngineString);

struct EngineDriveDescription {
    std::int32_t number;                // shown last in the drive list
    EngineChar textA[kDriveTextAChars]; // fixed texts, each terminated
    EngineChar textB[kDriveTextBChars]; // within its array
    EngineChar textC[kDriveTextCChars];
    alignas(EngineString) unsigned char nameStorage[kNameSlotBytes]; // shown first
    std::uint8_t listed;                                             // nonzero: the drive is listed

    EngineString& name() { return *std::launder(reinterpret_cast<EngineString*>(nameStorage)); }
    const EngineString& name() const {
        return *std::launder(reinterpret_cast<const EngineString*>(nameStorage));
    }
};

static_assert(offsetof(EngineDriveDescription, number) == 0);
static_assert(offsetof(EngineDriveDescription, textA) == 4);
static_assert(offsetof(EngineDriveDescription, textB) == 22);
static_assert(offsetof(EngineDriveDescription, textC) == 56);
static_assert(sizeof(void*) != 4 || offsetof(EngineDriveDescription, nameStorage) == 68);
static_assert(sizeof(void*) != 4 || offsetof(EngineDriveDescription, listed) == 96);
static_assert(sizeof(void*) != 4 || sizeof(EngineDriveDescription) == 100);

// ---------------------------------------------------------------------------
// EngineDriveCapabilities: the drive identifier names the drive's resource file.

struct EngineDriveCapabilities {
    std::uint16_t driveId;
    std::uint16_t reserved0;
    std::uint8_t reserved[60];
};
static_assert(offsetof(EngineDriveCapabilities, driveId) == 0);
static_assert(sizeof(EngineDriveCapabilities) == 64);

// ---------------------------------------------------------------------------
// EngineMediaId: what the engine read from the disc's identification.

struct EngineMediaId {
    std::uint16_t reserved0;
    std::uint16_t imagingParameter;
    std::uint8_t manufacturer;
    std::uint8_t reserved[27];
};
static_assert(offsetof(EngineMediaId, imagingParameter) == 2);
static_assert(offsetof(EngineMediaId, manufacturer) == 4);
static_assert(sizeof(EngineMediaId) == 32);

// ---------------------------------------------------------------------------
// EngineLabelParams: a drive's labeling parameters for one print quality.

struct EngineLabelParams {
    std::uint16_t reserved0;
    std::uint16_t version; // record version
    std::uint8_t reserved1[43];
    std::uint8_t writePower; // milliwatts
    std::uint8_t readPower;  // milliwatts; tenths of a milliwatt from version 3
    std::int8_t focusOffset; // micrometres
    std::uint8_t reserved2[2];
    std::uint32_t linearVelocity; // micrometres per second
    std::uint32_t trackPitch;     // nanometres
    std::uint32_t markSpacing;    // nanometres along the track
};
static_assert(offsetof(EngineLabelParams, version) == 2);
static_assert(offsetof(EngineLabelParams, writePower) == 47);
static_assert(offsetof(EngineLabelParams, readPower) == 48);
static_assert(offsetof(EngineLabelParams, focusOffset) == 49);
static_assert(offsetof(EngineLabelParams, linearVelocity) == 52);
static_assert(offsetof(EngineLabelParams, trackPitch) == 56);
static_assert(offsetof(EngineLabelParams, markSpacing) == 60);
static_assert(sizeof(EngineLabelParams) == 64);

// The record version from which the read-power byte counts tenths of a milliwatt.
inline constexpr std::uint16_t kReadPowerTenthsVersion = 3;

// ---------------------------------------------------------------------------
// EngineLabelRequest: filled by the caller, every byte 0 except the fields
// below. On 32-bit builds the text pointer sits at 92 and the record is 96
// bytes; on 64-bit builds the compiler aligns the pointer.

enum class RequestKind : std::int32_t { MediaIdentification = 1, LabelingParameters = 2 };
enum class PrintQuality : std::int32_t { Best = 0, Normal = 1, Draft = 2 };
inline constexpr int kQualityCount = 3;

struct EngineLabelRequest {
    std::int32_t kind;
    std::int32_t quality;
    std::uint8_t reserved0[72];
    std::uint8_t flag80; // the tools always set 1
    std::uint8_t reserved1[11];
    const EngineChar* text; // the tools pass an empty text
};
static_assert(offsetof(EngineLabelRequest, kind) == 0);
static_assert(offsetof(EngineLabelRequest, quality) == 4);
static_assert(offsetof(EngineLabelRequest, flag80) == 80);
static_assert(sizeof(void*) != 4 || offsetof(EngineLabelRequest, text) == 92);
static_assert(sizeof(void*) != 4 || sizeof(EngineLabelRequest) == 96);

// ---------------------------------------------------------------------------
// PECallbacks: the engine calls these while a session lives. The slot order
// (destructor, then the five operations) is part of the interface.

class PECallbacks {
public:
    virtual ~PECallbacks() = default;
    // (1) Asked between steps of a long operation: true stops it.
    virtual bool QueryAbort() = 0;
    // (2) Overall progress: `done` of `total` steps.
    virtual void Progress(int done, int total) = 0;
    // (3) Progress within the current track: `mark` of `marks`.
    virtual void TrackProgress(int mark, int marks) = 0;
    // (4) A drive status the engine announces (EngineStatus).
    virtual void Status(int status) = 0;
    // (5) A question to the user (EngineQuestion): true means yes.
    virtual bool Confirm(int question) = 0;
};

// Statuses and questions the stand-in engine announces.
enum EngineStatus : int { kStatusTrayLoading = 1, kStatusTrayEjecting = 2, kStatusLabeling = 3 };
enum EngineQuestion : int { kQuestionLabelAgain = 1 };

// ---------------------------------------------------------------------------
// The entries. All return an int return code, 0 = success.

inline constexpr int kEngineApiVersion = 0x1002;
inline constexpr int kInitWorldMode = 1;

extern "C" {
using PEInitWorld_t = int(QMPRTEN_CALL*)(EngineSession* session);
using PEInitWorld2_t = int(QMPRTEN_CALL*)(int mode, EngineSession* session);
using PEDeinitWorld_t = int(QMPRTEN_CALL*)(EngineSession session);
using PEStartComm_t = int(QMPRTEN_CALL*)(EngineSession session);
using PEEndComm_t = int(QMPRTEN_CALL*)(EngineSession session);
using PEGetNumberOfDrives_t = int(QMPRTEN_CALL*)(EngineSession session, int* count);
using PEGetDriveDescription_t = int(QMPRTEN_CALL*)(EngineSession session, int index,
                                                   EngineDriveDescription* description);
using PESelectDrive_t = int(QMPRTEN_CALL*)(EngineSession session, int index);
using PEDeselectDrive_t = int(QMPRTEN_CALL*)(EngineSession session);
using PEGetDriveCapabilities_t = int(QMPRTEN_CALL*)(EngineSession session, EngineDriveCapabilities* caps);
using PEGetLabelParams_t = int(QMPRTEN_CALL*)(EngineSession session, EngineLabelParams* params,
                                              EngineLabelRequest* request);
using PEGetMediaId_t = int(QMPRTEN_CALL*)(EngineSession session, EngineMediaId* media,
                                          EngineLabelRequest* request);
using PEGetMediaIdL_t = PEGetMediaId_t;
using PELabelDisc_t = int(QMPRTEN_CALL*)(EngineSession session, EngineLabelRequest* request);
using PEPrintPreview_t = int(QMPRTEN_CALL*)(EngineSession session, EngineLabelRequest* request);
using PEGetLabelRegion_t = int(QMPRTEN_CALL*)(EngineSession session, int* innerRadiusUm, int* outerRadiusUm);
using PEGetTargetResolution_t = int(QMPRTEN_CALL*)(EngineSession session, int* tracksPerInch,
                                                   int* marksPerInch);
using PESetPECB_t = int(QMPRTEN_CALL*)(EngineSession session, PECallbacks* callbacks);
using PELockDriveTray_t = int(QMPRTEN_CALL*)(EngineSession session);
using PEUnlockDriveTray_t = int(QMPRTEN_CALL*)(EngineSession session);
using PEEjectDriveTray_t = int(QMPRTEN_CALL*)(EngineSession session);
using PELoadDriveTray_t = int(QMPRTEN_CALL*)(EngineSession session);
using PEIsQualitySupported_t = int(QMPRTEN_CALL*)(EngineSession session, int quality, int* supported);
using PEGetMediaColors_t = int(QMPRTEN_CALL*)(EngineSession session, std::uint32_t* background,
                                              std::uint32_t* marks);
using PEIsValidDrive_t = int(QMPRTEN_CALL*)(EngineSession session, int index, int* valid);
using PETestMediaId_t = int(QMPRTEN_CALL*)(EngineSession session, EngineMediaId* media);
using PEGetAPIVersion_t = int(QMPRTEN_CALL*)(EngineSession session, int* version);
}

// The entries in the order the tools resolve them; the last is optional.
enum class Entry : std::uint8_t {
    InitWorld,
    InitWorld2,
    DeinitWorld,
    StartComm,
    EndComm,
    GetNumberOfDrives,
    GetDriveDescription,
    SelectDrive,
    DeselectDrive,
    GetDriveCapabilities,
    GetLabelParams,
    GetMediaId,
    GetMediaIdL,
    LabelDisc,
    PrintPreview,
    GetLabelRegion,
    GetTargetResolution,
    SetPECB,
    LockDriveTray,
    UnlockDriveTray,
    EjectDriveTray,
    LoadDriveTray,
    IsQualitySupported,
    GetMediaColors,
    IsValidDrive,
    TestMediaId,
    GetAPIVersion,
};

struct EntryInfo {
    Entry entry;
    const char* name;
    bool required;
};

inline constexpr std::array<EntryInfo, 27> kEntries{{
    {Entry::InitWorld, "PEInitWorld", true},
    {Entry::InitWorld2, "PEInitWorld2", true},
    {Entry::DeinitWorld, "PEDeinitWorld", true},
    {Entry::StartComm, "PEStartComm", true},
    {Entry::EndComm, "PEEndComm", true},
    {Entry::GetNumberOfDrives, "PEGetNumberOfDrives", true},
    {Entry::GetDriveDescription, "PEGetDriveDescription", true},
    {Entry::SelectDrive, "PESelectDrive", true},
    {Entry::DeselectDrive, "PEDeselectDrive", true},
    {Entry::GetDriveCapabilities, "PEGetDriveCapabilities", true},
    {Entry::GetLabelParams, "PEGetLabelParams", true},
    {Entry::GetMediaId, "PEGetMediaId", true},
    {Entry::GetMediaIdL, "PEGetMediaIdL", true},
    {Entry::LabelDisc, "PELabelDisc", true},
    {Entry::PrintPreview, "PEPrintPreview", true},
    {Entry::GetLabelRegion, "PEGetLabelRegion", true},
    {Entry::GetTargetResolution, "PEGetTargetResolution", true},
    {Entry::SetPECB, "PESetPECB", true},
    {Entry::LockDriveTray, "PELockDriveTray", true},
    {Entry::UnlockDriveTray, "PEUnlockDriveTray", true},
    {Entry::EjectDriveTray, "PEEjectDriveTray", true},
    {Entry::LoadDriveTray, "PELoadDriveTray", true},
    {Entry::IsQualitySupported, "PEIsQualitySupported", true},
    {Entry::GetMediaColors, "PEGetMediaColors", true},
    {Entry::IsValidDrive, "PEIsValidDrive", true},
    {Entry::TestMediaId, "PETestMediaId", true},
    {Entry::GetAPIVersion, "PEGetAPIVersion", false},
}};

constexpr const EntryInfo& entryInfo(Entry e) {
    return kEntries[static_cast<std::size_t>(e)];
}

// The library's file name when the tools load it by name.
inline constexpr std::wstring_view kEngineFileName = L"QMPrtEn.dll";

} // namespace probe
