// How the probe tools turn the engine's records into what their dialogs show.
#pragma once

#include "contracts/EngineRecords.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace probe {

// One row of the labeling-parameter table, as shown.
struct QualityRow {
    int linearVelocity = 0; // mm/s
    int tracksPerInch = 0;
    int marksPerInch = 0;
    int writePower = 0;     // mW
    double readPower = 0.0; // mW
    int focusOffset = 0;    // micrometres
};

// Millimetres per second from micrometres per second, rounded half up.
int velocityMmPerSecond(std::uint32_t micrometresPerSecond);
// Per inch from a pitch in nanometres: floor(25400000 / nm + 0.5). A pitch
// of 0 has no density and shows 0.
int perInch(std::uint32_t nanometres);
// The read-power byte counts tenths of a milliwatt from record version 3 on.
double readPowerMilliwatts(std::uint8_t byte, std::uint16_t recordVersion);
QualityRow qualityRow(const EngineLabelParams& params);

// "qmdb%04x.bin": the drive resource file that the identifier names.
std::string resourceFileName(std::uint16_t driveId);

// A terminated 16-bit text of at most `capacity` characters (the record's
// array: an engine that leaves it unterminated is cut at its end) as UTF-8.
std::string fromEngineText(const EngineChar* text, std::size_t capacity);
std::string fromEngineText(std::u16string_view text);

// The drive list's item: "%ls - %ls - %ls - %ls - %d" from the name, the
// three fixed texts and the number.
std::string driveItemText(const EngineDriveDescription& description);

// Number fields as the framework writes them: decimal integers, and doubles
// with up to 15 significant digits ("%.15g").
std::string formatInteger(int value);
std::string formatDouble(double value);
// And as it reads them back: surrounding blanks allowed, nothing else.
std::optional<int> parseInteger(std::string_view text);
std::optional<double> parseDouble(std::string_view text);

// Constructs the description's string object before the engine call and
// destroys it afterwards, as the engine's interface asks of the caller.
class ScopedDriveDescription {
public:
    ScopedDriveDescription();
    ~ScopedDriveDescription();
    ScopedDriveDescription(const ScopedDriveDescription&) = delete;
    ScopedDriveDescription& operator=(const ScopedDriveDescription&) = delete;
    EngineDriveDescription& get() { return record_; }

private:
    EngineDriveDescription record_;
};

} // namespace probe
