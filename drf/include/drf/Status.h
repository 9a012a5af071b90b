// Status codes of the DRF layer and the result codes its query interface hands out.
#pragma once

#include <string_view>

namespace drf {

// Internal status codes. Several codes carry more than one meaning; the name
// follows the first one, the comment lists the others.
enum Status : int {
    kOk = 0,
    kNoLibraryForType = 1,
    kNoData = 2,            // record without data on save; mode not available; quality missing for a media
    kHeaderCheckFailed = 3, // also: media not found among the print modes
    kCannotOpen = 4,        // also: record placement conflict on save
    kNotLoaded = 5,         // record not holding loaded data on save
    kOutOfMemory = 6,       // also: record size not a multiple of 4
    kTypeMismatch = 7,      // also: buffer too small
    kCountMismatch = 8,     // also: size mismatch while serialising
    kLibraryMissing = 9,    // also: file cannot be opened for writing
    kCorrupt = 10,          // bad signature, read error, section parse failure
    kHeaderInvalid = 11,    // also: format version below the minimum
    kGenerationUnsupported = 12, // also: resource set of an unknown class
    kMediaUnsupported = 13,
    kVersionTooHigh = 14,
    kMediaListInconsistent = 24,
    kFactoryRejectsGeneration = 30,
};

// Public result codes (-1431 to -1438).
enum Result : int {
    kResultOk = 0,
    kResultCannotOpen = -1431,
    kResultNotFound = -1432,
    kResultNoData = -1433,
    kResultMemory = -1434,
    kResultBadData = -1435,
    kResultFailed = -1436,
    kResultUnsupportedFormat = -1437,
    kResultMediaUnsupported = -1438,
};

int toResult(int status);

// Short English reason for an internal status, for command lines and logs.
std::string_view statusText(int status);

} // namespace drf
