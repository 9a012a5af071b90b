// Looking codes up in the built catalogue, and searching it.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "diagtool/catalogue/ErrorCodeCatalogue.h"

// Named, not anonymous: gtest's parameterised factories hold these types, and
// GCC warns about internal linkage there when gtest is not a system header.
namespace catalogue_test {

struct QuotedEntry {
    std::uint32_t code;
    const char* symbolicName;
    const char* errorClass;
    const char* comment;
    const char* message;
};

// The entries whose wording support staff and documents quote; written out
// again here so that an edit of the table that changes a blank shows up.
// clang-format off
const QuotedEntry kQuotedEntries[] = {
    {0x201, "QMCAPI_E_LOADLIBRARY_ERROR", "LoadLibraryError",
     "A subsidiary library failed to load -check with diagnostics to see which particular library "
     "is missing. Reinstallation should fix this.  ",
     "A needed library could not be loaded.  "},
    {0x204, "QMCAPI_E_INVALID_CONFIGURATION", "InvalidPEConfiguration",
     "The print engine configuration structure has an invalid entry.",
     "The print engine configuration structure has an invalid entry"},
    {0x205, "QMCAPI_E_INVALID_MEDIA_ORIENTATION", "InvalidMediaOrientation",
     "The media is not oriented such that labeling can proceed.  This typically means that the "
     "disc needs to be flipped so the label side is exposed to the labeling laser.  ",
     "The media is not oriented such that labeling can proceed.  "},
    {0x208, "QMCAPI_E_MEDIA_ID_READ_ERROR", "UnableToReadMediaParams",
     "Quillmark discs contain media information encoded in the middle of the disc. If it cannot be "
     "read, this error gets raised.  The cause could be a dirty disc or a disc with the wrong side "
     "up.  ",
     "Unable to read the Quillmark disc information - perhaps the disc is dirty, scratched or not "
     "oriented for labeling."},
    {0x219, "QMCAPI_E_ABORTPRINT", "Aborted",
     "QueryCancel() requested a cancel; this message indicates that it has taken effect.  ",
     "The application requested the cancellation of the print process.  "},
    {0x21A, "QMCAPI_E_MEMORY_ERROR", "MemoryError",
     "Memory error.  ",
     "Memory error.  "},
    {0x21B, "QMCAPI_E_CALLBACK_EXCEPTION", "CallbackException",
     " The progress callback threw an exception, which triggered an emergency abort of the print "
     "process.  ",
     "The print process was cancelled due to an internal error.  "},
    {0x21E, "QMCAPI_E_DRIVE_IN_USE", "DriveInUse",
     "An attempt to open a drive has been made with another drive already opened or this drive "
     "already in use.  ",
     "Another drive is open or this drive is in use.  "},
    {0x223, "QMCAPI_E_REENTRANT", "ReentrantCall",
     "API error: attempted reentrant call to a busy object.  Raised when a COM object is already "
     "busy.  For example: calling back into a PrintSession from a progess callback.  ",
     "A re-entrant call has been made to a component that does not allow it.  "},
    {0x22B, "QMCAPI_E_UNSUPPORTED_DRIVE", "UnsupportedDrive",
     "The print engine was unable to find the resource file associated with this drive type. A "
     "Quillmark host software update may fix this.  ",
     "Drive resource file not found.  A Quillmark host software update may fix this.  "},
    {0x234, "QMCAPI_E_DRF_VERSION_MISMATCH", "UpdateRequired",
     "The current version of the Quillmark host software is older than the drive's resource file.  "
     "A Quillmark host software update may fix this.  ",
     "The current version of the Quillmark host software is older than the drive's resource file.  "
     "A Quillmark host software update may fix this.  "},
    {0x23D, "QMCAPI_E_NON_QUILLMARK_MEDIA", "NonQuillmarkMedia",
     "The drive indicates that non-Quillmark media is present.",
     "Non-Quillmark media detected."},
    {0x23E, "QMCAPI_E_INSTALLATION_ERROR_UNIXONLY", "InstallationError",
     "Something appears to be wrong with the installation - this can be a missing rc file or the "
     "complete absence of update scripts.",
     "A critical Quillmark component is missing - check your installation."},
    {0x1000, "QMCAPI_E_COMM_SUCCESS", "COMM_Success",
     "The SCSI command succeded",
     "The SCSI command succeded"},
    {0x1001, "QMCAPI_E_SCSI_FAILED", "COMM_SCSI_Failed",
     "A SCSI communication error occured: Tolm returned FAILED, corresponds to CHECK CONDITION, "
     "the command was attempted but failed",
     "A SCSI communication error occured: Tolm returned FAILED"},
    {0x1006, "QMCAPI_E_PIPE_ERR", "COMM_Named_Pipe_Error",
     "Named pipe communication error between Proxy and Service. Pipe object was not valid",
     "Named pipe communication error"},
    {0x1012, "QMCAPI_E_NO_MEDIA", "NoMedia",
     "The drive indicates that no media is present.",
     "No media detected."},
    {0x1013, "QMCAPI_E_DRIVE_BUFFER_ERROR", "COMM_Drive_Buffer_Not_Empty",
     "At the end of the print we poll to ensure the buffer is empty. The drive did not clear out "
     "its buffer in the time and number of retries allocated",
     "At the end of the print we poll to ensure the buffer is empty. The buffer did not become "
     "empty, therefore the drive did not complete the print sequence correctly"},
    {0x1015, "QMCAPI_E_BUFFER_SPACE_UNAVAIL", "COMM_Buffer_Space_Unavail",
     "The buffer space data is not available from the drive (Note this is not an error condition)",
     "The buffer space data is not available from the drive (Note this is not an error condition)"},
    {0x1018, "QMCAPI_E_CURRENT_TRACK_INVALID", "COMM_Crnt_Track_Invalid",
     "The drive retured data to say current track number information returned was invalid - Not an "
     "error, this is a normal condition. ",
     "The drive retured data to say current track number information returned was invalid - Not an "
     "error, this is a normal condition. "},
    {0x102A, "QMCAPI_E_HE_LASER_CAL_ERR_TOLM", "COMM_HE_Laser_Cal_Err_Tolm",
     "Hardware Error, laser calibration error (Tolm only)",
     "Hardware Error, laser calibration error (Tolm only)"},
    {0x1061, "QMCAPI_E_UNABLE_TO_LOAD_DRIVE_ACCESS_LIBRARY", "COMM_Unable_To_Load_Drive_Access_Library",
     "Unable to load the drive access library (Sonic Solutions VxBlock)",
     "Unable to load the drive access library (Sonic Solutions VxBlock)"},
    {0x1080, "QMCAPI_E_COMMUNICATIONS", "CommunicationsError",
     "External code for drive communications-related errors. This can occur when the drive does "
     "not communicate as expected or a particular request to the drive fails. ",
     "The Quillmark System Software detected an error in communications with the drive. The drive "
     "does not communicate as expected. This could be caused by incompatibilities between the "
     "drive firmware, USB/FireWire/SATA bridge chip firmware and/or drivers, and the QMS."},
    {0x1081, "QMCAPI_E_HARDWARE", "HardwareError",
     "External code for hardware (drive) related errors.  ",
     "There was a problem with the drive, it returned an error on invalid data."},
    {0x1085, "QMCAPI_E_DEVICEIOCONTROL_ERROR", "COMM_DeviceIoControl_Error",
     "A DeviceIoControl (SPTI) function failed - check the Event Viewer to see actual error code",
     "Windows didn't send the SCSI command successfully, command possibly timed-out. Check the "
     "Event Viewer to see other error info."},
    {0x1086, "QMCAPI_E_PIPE_BUSY_ERROR", "COMM_Pipe_Busy_Error",
     "ERROR_PIPE_BUSY was returned",
     "Unable to connect to Quillmark Service, ensure it is running, check Event Viewer"},
    {0x1087, "QMCAPI_E_SERVICE", "ServiceError",
     "External code for service-related errors.  ",
     "The Quillmark service has produced an error. It might be necessary to restart the service.  "},
    {0x108B, "QMCAPI_E_MEDIUM_ERROR", "COMM_Medium_Error",
     "A medium error was returned (sense key 3)",
     "A medium error was returned (sense key 3)"},
    {0x1092, "QMCAPI_E_COPY_ABORTED", "COMM_Copy_Aborted",
     "Copy Aborted (sense key 0Ah) was returned",
     "Copy Aborted (sense key 0Ah) was returned"},
    {0x109F, "QMCAPI_E_TRAY_OPEN_ERROR", "TrayOpenError",
     "The tray was detected as being open by the GSEN SCSI command",
     "Cannot read the media because the tray is open. Please insert Quillmark media"},
    {0x10A6, "QMCAPI_E_PRINT_HUNG", "PrintHung",
     "The drive has gone into a loop where it keeps returning long write in progress.",
     "The drive has gone into a loop where it keeps returning long write in progress"},
    {0x10A8, "QMCAPI_E_UNHANDLED_EXCEPTION", "UnhandledException",
     "An unhandled exception was caught using catch (...) by the exception firewall at the "
     "boundary of the stack. This should have been caught somewhere.",
     "An unhandled exception was caught."},
    {0x10AC, "QMCAPI_E_NAMED_PIPE_WRITE_ERROR", "COMM_Named_Pipe_Write_Error",
     "An error occured writing to the named pipe, possibly the pipe is broken.",
     "An error occured writing to the named pipe"},
    {0x10AF, "QMCAPI_E_LAST", "end_of_enum_marker",
     "Not an error. This is a marker used to scope QMCAPI errors",
     ""},
};
// clang-format on

void PrintTo(const QuotedEntry& entry, std::ostream* os) {
    *os << entry.symbolicName;
}

class QuotedEntryTest : public ::testing::TestWithParam<QuotedEntry> {};

} // namespace catalogue_test

using catalogue_test::QuotedEntry;
using catalogue_test::QuotedEntryTest;

TEST_P(QuotedEntryTest, TextsAreKeptByteForByte) {
    const QuotedEntry& quoted = GetParam();
    const ErrorCodeInfo info = lookupErrorCode(quoted.code);
    EXPECT_EQ(info.symbolicName, quoted.symbolicName);
    EXPECT_EQ(info.errorClass, quoted.errorClass);
    EXPECT_EQ(info.comment, quoted.comment);
    EXPECT_EQ(info.message, quoted.message);
}

INSTANTIATE_TEST_SUITE_P(ErrorCodeCatalogue, QuotedEntryTest,
                         ::testing::ValuesIn(catalogue_test::kQuotedEntries),
                         [](const auto& info) { return "code_" + std::to_string(info.param.code); });

TEST(ErrorCodeCatalogue, BuildsAllEntriesFromLowestToHighestCode) {
    ErrorCodeCatalogue catalogue;
    buildErrorCodeCatalogue(catalogue);
    ASSERT_EQ(catalogue.size(), 185u);
    EXPECT_EQ(catalogue.begin()->first, 0x201u);
    EXPECT_EQ(catalogue.rbegin()->first, 0x10AFu);
}

TEST(ErrorCodeCatalogue, BuildingAgainOverwritesRatherThanDuplicates) {
    ErrorCodeCatalogue catalogue;
    catalogue[0x201].message = "stale";
    buildErrorCodeCatalogue(catalogue);
    buildErrorCodeCatalogue(catalogue);
    EXPECT_EQ(catalogue.size(), 185u);
    EXPECT_EQ(catalogue[0x201].message, "A needed library could not be loaded.  ");
}

TEST(ErrorCodeCatalogue, CodesWithoutEntryGiveFourEmptyTexts) {
    // 0, gaps in both families, the COM failure form of 0x201, beyond the last code.
    for (std::uint32_t code : {0u, 0x202u, 0x1070u, 0x80000201u, 0xC0040201u, 0x10B0u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(code);
        const ErrorCodeInfo info = lookupErrorCode(code);
        EXPECT_EQ(info.symbolicName, "");
        EXPECT_EQ(info.errorClass, "");
        EXPECT_EQ(info.comment, "");
        EXPECT_EQ(info.message, "");
    }
}

TEST(ErrorCodeCatalogue, IndexLookupOfAMissingCodeAddsAnEmptyEntryOnly) {
    ErrorCodeCatalogue catalogue;
    buildErrorCodeCatalogue(catalogue);
    EXPECT_TRUE(catalogue[0x1070].symbolicName.empty());
    EXPECT_EQ(catalogue.size(), 186u);
    EXPECT_EQ(catalogue[0x1071].errorClass, "");
}

TEST(ErrorCodeCatalogue, DecimalAndHexadecimalNameTheSameEntry) {
    const ErrorCodeInfo decimal = lookupErrorCode(513);
    EXPECT_EQ(decimal.symbolicName, "QMCAPI_E_LOADLIBRARY_ERROR");
    EXPECT_EQ(decimal.errorClass, "LoadLibraryError");
    EXPECT_EQ(lookupErrorCode(0x201).comment, decimal.comment);
}

TEST(ErrorCodeCatalogue, SuccessAndEndMarkerAreEntriesToo) {
    const ErrorCodeInfo success = lookupErrorCode(0x1000);
    EXPECT_EQ(success.symbolicName, "QMCAPI_E_COMM_SUCCESS");
    EXPECT_EQ(success.errorClass, "COMM_Success");

    const ErrorCodeInfo last = lookupErrorCode(0x10AF);
    EXPECT_EQ(last.symbolicName, "QMCAPI_E_LAST");
    EXPECT_EQ(last.errorClass, "end_of_enum_marker");
    EXPECT_EQ(last.message, "");
    EXPECT_EQ(last.comment, "Not an error. This is a marker used to scope QMCAPI errors");
}

TEST(ErrorCodeCatalogue, FindMatchesAnyFieldIgnoringCase) {
    ErrorCodeCatalogue catalogue;
    buildErrorCodeCatalogue(catalogue);
    struct Case {
        const char* text;
        std::vector<std::uint32_t> codes;
    };
    const Case cases[] = {
        {"drive_in_use", {0x21E}},             // symbolic name, other case
        {"REENTRANTCALL", {0x223}},            // error class
        {"progess callback", {0x223}},         // comment only
        {"DISC IS DIRTY, SCRATCHED", {0x208}}, // message only
        {"sense key 0Ah", {0x1092}},
        {"no such words anywhere", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(findErrorCodes(catalogue, c.text), c.codes) << c.text;
    EXPECT_EQ(findErrorCodes(catalogue, "").size(), 185u);
}
