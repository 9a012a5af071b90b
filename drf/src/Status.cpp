#include "drf/Status.h"

#include <array>

namespace drf {

namespace {

struct StatusRow {
    int status;
    int result;
    std::string_view text;
};

constexpr std::array kStatusRows{
    StatusRow{kOk, kResultOk, "success"},
    StatusRow{kNoLibraryForType, kResultFailed, "section type without a library"},
    StatusRow{kNoData, kResultNoData, "no data: print mode not available or quality missing for the media"},
    StatusRow{kHeaderCheckFailed, kResultNotFound, "section header check failed or media not found"},
    StatusRow{kCannotOpen, kResultCannotOpen, "file cannot be opened for reading"},
    StatusRow{kNotLoaded, kResultFailed, "record not loaded"},
    StatusRow{kOutOfMemory, kResultMemory, "out of memory or record size not a multiple of 4"},
    StatusRow{kTypeMismatch, kResultBadData, "type code does not match the access, or value out of range"},
    StatusRow{kCountMismatch, kResultBadData, "element count or size mismatch"},
    StatusRow{kLibraryMissing, kResultBadData, "library missing or file cannot be opened for writing"},
    StatusRow{kCorrupt, kResultBadData, "bad signature, read error or corrupt section"},
    StatusRow{kHeaderInvalid, kResultUnsupportedFormat, "header invalid"},
    StatusRow{kGenerationUnsupported, kResultUnsupportedFormat, "library generation not supported"},
    StatusRow{kMediaUnsupported, kResultMediaUnsupported, "media is listed as unsupported"},
    StatusRow{kVersionTooHigh, kResultUnsupportedFormat, "format version above 4"},
    StatusRow{kMediaListInconsistent, kResultFailed, "media lists inconsistent with the print modes"},
    StatusRow{kFactoryRejectsGeneration, kResultFailed, "library factory rejects the section generation"},
};

const StatusRow* findRow(int status) {
    for (const auto& row : kStatusRows) {
        if (row.status == status)
            return &row;
    }
    return nullptr;
}

} // namespace

int toResult(int status) {
    const StatusRow* row = findRow(status);
    return row ? row->result : kResultFailed;
}

std::string_view statusText(int status) {
    const StatusRow* row = findRow(status);
    return row ? row->text : "unknown status";
}

} // namespace drf
