// Print-engine return codes as the probe tools show them.
#pragma once

#include <string>
#include <string_view>

namespace probe {

// Codes the tools produce themselves, without an engine call.
inline constexpr int kCodeSuccess = 0;
inline constexpr int kCodeLoadFailed = 0x201;        // library or a required entry missing
inline constexpr int kCodeNotReady = 0x221;          // call on a binding that is not ready
inline constexpr int kCodeNoDriveSelected = 0x231;   // no item chosen in the drive list
inline constexpr int kCodeNeedsUpdate = 0x234;       // interface version too old, or none
inline constexpr int kCodeInstallationError = 0x23E; // interface version too new
inline constexpr int kCodeDrfCorrupt = 0x22E;

// The two tools share the table but one row.
enum class Tool { Paramscope, Mediaprobe };

struct ReturnCodeText {
    int code;
    std::string_view text;
};

// The shared table, ascending by code.
extern const ReturnCodeText kReturnCodeTexts[52];

// The message-box text of a code: the table's row with "%x" replaced by the
// code in lower-case hexadecimal (as printf "%x" writes it), or the
// unknown-code text, which ends in a line feed.
std::string returnCodeText(int code, Tool tool);

} // namespace probe
