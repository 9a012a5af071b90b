// Everything the probe dialogs do, without the window: the engine session,
// the drive list, the query and the values shown. A dialog hands in its
// controls (ProbeView) and its message boxes (ProbePrompter) and forwards
// its commands; qmprobe drives the same class without a window.
#pragma once

#include "probe/Conversions.h"
#include "probe/DriveList.h"
#include "probe/PrintEngineBinding.h"
#include "probe/ToolProfile.h"
#include "probe/myPECallbacks.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace probe {

// The values the dialog shows; all 0 and empty until a query fills them.
struct ProbeValues {
    int driveId = 0;
    std::string resourceFile;
    int imagingParameter = 0;
    int manufacturer = 0;
    std::array<QualityRow, kQualityCount> rows{};
};

// The dialog's controls as the controller sees them.
class ProbeView {
public:
    virtual ~ProbeView() = default;
    virtual std::string fieldText(int id) const = 0;
    virtual void setFieldText(int id, const std::string& text) = 0;
    // The combo box: its items in list order, and the chosen one (-1: none).
    virtual void setDriveItems(const DriveList& list) = 0;
    virtual int selectedItem() const = 0;
    virtual void setSelectedItem(int item) = 0;
    // "Update" and "Exit" together.
    virtual void setButtonsEnabled(bool enabled) = 0;
    // Lets the window show the disabled buttons before the engine is busy.
    virtual void yield() = 0;
};

class ProbePrompter {
public:
    virtual ~ProbePrompter() = default;
    // A message box with an OK button, captioned with the application title.
    virtual void message(std::string_view text) = 0;
};

using BindingFactory = std::function<std::unique_ptr<PrintEngineBinding>()>;

class ProbeController {
public:
    ProbeController(const ToolProfile& profile, ProbeView& view, ProbePrompter& prompter,
                    BindingFactory makeBinding);
    ~ProbeController();

    // OnInitDialog's engine part: a new binding, load, version check, start
    // communication, register the callbacks, count and list the drives.
    void startSession();
    // Selection change in the drive list.
    void refreshList();
    // "Update".
    void query();
    // "Exit": deselect, end communication, free the engine. The dialog
    // closes afterwards whatever happened.
    void endSession();

    const ProbeValues& values() const { return values_; }
    const DriveList& drives() const { return drives_; }
    int driveCount() const { return driveCount_; }
    PrintEngineBinding* binding() const { return binding_.get(); }
    const ToolProfile& profile() const { return profile_; }
    // The engine code that ended the last command (0: it ran through; -1: a
    // failure without a code, such as running out of memory).
    int lastCode() const { return lastCode_; }
    // The interface version the engine reported at session start.
    int apiVersion() const { return apiVersion_; }

    // The framework's data exchange: controls into the values (a typed
    // number that does not read is refused with a message, and the fields
    // after it keep their values), and the values into the controls.
    void readControls();
    void writeControls();

private:
    template <typename Command> void run(Command&& command);
    void buildDriveList();
    PrintEngineBinding& engine();

    const ToolProfile& profile_;
    ProbeView& view_;
    ProbePrompter& prompter_;
    BindingFactory makeBinding_;
    std::unique_ptr<PrintEngineBinding> binding_;
    myPECallbacks callbacks_;
    int driveCount_ = 0;
    DriveList drives_;
    ProbeValues values_;
    int lastCode_ = 0;
    int apiVersion_ = 0;
};

} // namespace probe
