// The print engine loaded at run time: found, loaded, its entries resolved by
// name, a session opened, and every call guarded so that a binding that is
// not ready answers with a fixed code instead of calling into nothing.
#pragma once

#include "contracts/EngineRecords.h"
#include "probe/ReturnCodes.h"

#include "platform/DynamicLibraries.h"
#include "platform/Files.h"

#include <array>
#include <cstdint>
#include <string>

namespace probe {

class PrintEngineBinding {
public:
    enum State : int { NotLoaded = 0, Ready = 1, Failed = 3 };

    PrintEngineBinding(qmplatform::DynamicLibraries& libraries, const qmplatform::Files& files);
    ~PrintEngineBinding();
    PrintEngineBinding(const PrintEngineBinding&) = delete;
    PrintEngineBinding& operator=(const PrintEngineBinding&) = delete;

    // Loads the engine (null: "QMPrtEn.dll") from the program's folder, or by
    // name through the library search, resolves its entries and opens a
    // session. 0, 0x201, or the code PEInitWorld2 returned.
    int Load(const wchar_t* name);
    // Ends the session, frees the library; the binding is not loaded after.
    void Release();

    // The guarded calls: 0x221 unless the binding is ready.
    int PEGetAPIVersion(int& version);
    int PEStartComm();
    int PEEndComm();
    int PESetPECB(PECallbacks* callbacks);
    int PEGetNumberOfDrives(int& count);
    int PEGetDriveDescription(int index, EngineDriveDescription& description);
    int PESelectDrive(int index);
    int PEDeselectDrive();
    int PELoadDriveTray();
    int PEEjectDriveTray();
    int PEGetDriveCapabilities(EngineDriveCapabilities& caps);
    int PEGetMediaId(EngineMediaId& media, EngineLabelRequest& request);
    int PEGetMediaIdL(EngineMediaId& media, EngineLabelRequest& request);
    int PEGetLabelParams(EngineLabelParams& params, EngineLabelRequest& request);

    State state() const { return state_; }
    EngineSession session() const { return session_; }
    // Why the last Load failed, for reports that say more than the code: the
    // loader's Windows error (0 when the library loaded) and the first
    // required entry that was missing (null when none was).
    long loadError() const { return loadError_; }
    const char* missingEntry() const { return missingEntry_; }
    // What was handed to the loader: the full path beside the program, or the bare name.
    const std::wstring& loadedName() const { return loadedName_; }

private:
    template <typename Fn> Fn entry(Entry e) const {
        return reinterpret_cast<Fn>(entries_[static_cast<std::size_t>(e)]);
    }
    bool ready() const { return state_ == Ready; }
    template <Entry E, typename Fn, typename... Args> int guarded(Args... args) {
        if (!ready()) {
            return kCodeNotReady;
        }
        return entry<Fn>(E)(session_, args...);
    }

    qmplatform::DynamicLibraries& libraries_;
    const qmplatform::Files& files_;
    EngineSession session_ = 0;
    qmplatform::ModuleHandle module_ = nullptr;
    State state_ = NotLoaded;
    std::array<void*, kEntries.size()> entries_{};
    long loadError_ = 0;
    const char* missingEntry_ = nullptr;
    std::wstring loadedName_;
};

// The error mode the engine is loaded under, so that a missing disc or an
// unreadable file cannot stop the load with a system dialog.
inline constexpr std::uint32_t kEngineLoadErrorMode = 0x8001;

} // namespace probe
