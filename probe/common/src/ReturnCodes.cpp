#include "probe/ReturnCodes.h"

#include <algorithm>
#include <cstdio>

namespace probe {

const ReturnCodeText kReturnCodeTexts[52] = {
    {0x0, "%x -- Success???"},
    {0x201, "%x -- Unable to load library."},
    {0x204, "%x -- Invalid print engine configuration."},
    {0x205, "%x -- The media is not oriented such that labeling can proceed."},
    {0x206, "%x -- Unable to read drive capabilities."},
    {0x207, "%x -- Invalid drive capability parameter."},
    {0x208, "%x -- Unable to read media parameters."},
    {0x209, "%x -- A media identification parameter is invalid."},
    {0x20A, "%x -- Error reading media ID from media."},
    {0x20B, "%x -- Unsupported media identification version."},
    {0x219, "%x -- Printing aborted."},
    {0x21A, "%x -- Memory error."},
    {0x21B, "%x -- Client callback threw an unhandled exception."},
    {0x21C, "%x -- Internal Error."},
    {0x21E, "%x -- Drive is in use."},
    {0x220, "%x -- The drive does not support this media type."},
    {0x221, "%x -- Invalid class initialization."},
    {0x222, "This drive/session is no longer open."},
    {0x223, "%x -- Disallowed re-entrant call."},
    {0x226, "%x -- Invalid argument."},
    {0x227, "%x -- Unable to read drive description."},
    {0x228, "software error."},
    {0x22A, "%x -- Drive Tray is locked."},
    {0x22B, "%x -- Unable to find the DRF associated with this non-DSGL drive."},
    {0x22C, "%x -- The DRF is missing or does not support this media type. Requires QMS update or generic "
            "labeling."},
    {0x22D, "%x -- The DRF and media type do not support this print quality."},
    {0x22E, "%x -- The DRF is corrupt."},
    {0x22F, "%x -- Internal error."},
    {0x231, "%x -- Invalid drive number."},
    {0x233, "%x -- Current drive is no longer valid."},
    {0x234, "%x -- Quillmark system software needs update."},
    {0x237, "%x -- The DRF does not support this media type. Requires QMS update."},
    {0x239, "%x -- Drive not supported by this host software version."},
    {0x23B, "%x -- The DRF does not support this media type and is no longer being updated. Requires generic "
            "labeling only."},
    {0x23C, "%x -- The DRF specifies that this media type is incompatible with this drive. A QMS update will "
            "not fix this problem."},
    {0x23D, "%x -- Non Quillmark media detected."},
    {0x23E, "%x -- Installation error (update application?)."},
    {0x100B, "%x -- An error occured trying to open a CD-ROM Device."},
    {0x100D, "%x -- An error occured with the Gateway Service Pipe."},
    {0x1012, "%x -- No media is present."},
    {0x1017, "%x -- Attempted to open more than one drive."},
    {0x1020, "%x -- Media not present, tray closed."},
    {0x1046, "%x -- Unable to open the Quillmark Gateway Service pipe."},
    {0x1047, "%x -- Unable to close the Quillmark Gateway Service pipe."},
    {0x1060, "Drive in process of becoming ready."},
    {0x1080, "%x -- Drive communications error."},
    {0x1081, "%x -- Hardware error."},
    {0x1087, "%x -- Service error."},
    {0x1098, "Media not present."},
    {0x109F, "%x -- Drive Tray is open."},
    {0x10A0, "The drive cannot find the media ID index mark."},
    {0x10A1, "Media not present."},
};

namespace {

constexpr std::string_view kUnknownText = "Unknown print engine return code: %x\n";
constexpr std::string_view kMediaprobeDrfCorrupt = "%x -- Drive resource file is corrupt.";

// Replaces every "%x" as printf would; the texts hold no other conversion.
std::string formatWithCode(std::string_view text, int code) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%x", static_cast<unsigned>(code));
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 'x') {
            out += hex;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

std::string returnCodeText(int code, Tool tool) {
    if (tool == Tool::Mediaprobe && code == kCodeDrfCorrupt) {
        return formatWithCode(kMediaprobeDrfCorrupt, code);
    }
    const auto* end = std::end(kReturnCodeTexts);
    const auto* row = std::lower_bound(std::begin(kReturnCodeTexts), end, code,
                                       [](const ReturnCodeText& r, int c) { return r.code < c; });
    if (row != end && row->code == code) {
        return formatWithCode(row->text, code);
    }
    return formatWithCode(kUnknownText, code);
}

} // namespace probe
