// The Win32 numbers the platform interfaces speak: error codes, registry
// value types and access rights, service states. They carry Windows' values
// so that a code read on one side means the same on the other, but not
// Windows' macro names, which <windows.h> defines on that side.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qmplatform {

// Results of the Win32-style calls (GetLastError / LSTATUS values).
inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorPathNotFound = 3;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorInvalidHandle = 6;
inline constexpr long kErrorNotEnoughMemory = 8;
inline constexpr long kErrorBadFormat = 11;
inline constexpr long kErrorHandleEof = 38;
inline constexpr long kErrorInvalidParameter = 87;
inline constexpr long kErrorInsufficientBuffer = 122;
inline constexpr long kErrorModNotFound = 126;
inline constexpr long kErrorProcNotFound = 127;
inline constexpr long kErrorBadExeFormat = 193;
inline constexpr long kErrorMoreData = 234;
inline constexpr long kErrorNoMoreItems = 259;
inline constexpr long kErrorServiceAlreadyRunning = 1056;
inline constexpr long kErrorServiceDoesNotExist = 1060;
inline constexpr long kErrorServiceDisabled = 1058;
inline constexpr long kErrorServiceRequestTimeout = 1053;
inline constexpr long kErrorServiceCannotAcceptCtrl = 1061;
inline constexpr long kErrorServiceNotActive = 1062;
inline constexpr long kErrorResourceDataNotFound = 1812;
inline constexpr long kErrorResourceTypeNotFound = 1813;
inline constexpr long kErrorResourceNameNotFound = 1814;
inline constexpr long kErrorResourceLangNotFound = 1815;
inline constexpr long kErrorMrMidNotFound = 317;
inline constexpr long kErrorNotAllAssigned = 1300;
inline constexpr long kErrorEventlogFileCorrupt = 1500;
inline constexpr long kErrorBadPathname = 161;
inline constexpr long kErrorCantRead = 1012;
inline constexpr long kErrorRegistryCorrupt = 1015;
inline constexpr long kErrorRegistryIoFailed = 1016;
inline constexpr long kErrorKeyDeleted = 1018;

// Registry value types.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

// Service control manager: access rights and states.
inline constexpr std::uint32_t kScManagerAllAccess = 0xF003F;
inline constexpr std::uint32_t kScManagerConnect = 0x0001;
inline constexpr std::uint32_t kServiceQueryStatus = 0x0004;
inline constexpr std::uint32_t kServiceStart = 0x0010;
inline constexpr std::uint32_t kServiceStop = 0x0020;
inline constexpr std::uint32_t kServiceInterrogate = 0x0080;
inline constexpr std::uint32_t kServiceAllAccess = 0xF01FF;
inline constexpr std::uint32_t kServiceStopped = 1;
inline constexpr std::uint32_t kServiceStartPending = 2;
inline constexpr std::uint32_t kServiceStopPending = 3;
inline constexpr std::uint32_t kServiceRunning = 4;

// Shell folders (CSIDL values) the suite asks for.
inline constexpr int kCsidlLocalAppData = 0x1C;
inline constexpr int kCsidlCommonAppData = 0x23;
inline constexpr int kCsidlProgramFiles = 0x26;
inline constexpr int kCsidlProgramFilesCommon = 0x2B;

// Library loading flags and error modes.
inline constexpr std::uint32_t kLoadLibraryAsDatafile = 0x00000002;
inline constexpr std::uint32_t kLoadWithAlteredSearchPath = 0x00000008;
inline constexpr std::uint32_t kSemFailCriticalErrors = 0x0001;
inline constexpr std::uint32_t kSemNoOpenFileErrorBox = 0x8000;

// ExitWindowsEx flags.
inline constexpr std::uint32_t kEwxReboot = 0x00000002;
inline constexpr std::uint32_t kEwxForce = 0x00000004;

// Windows' MAX_PATH, which PathAppend and GetModuleFileName work within.
inline constexpr std::size_t kMaxPath = 260;

// Services, environment and privileges.
inline constexpr long kErrorInvalidName = 123;
inline constexpr long kErrorEnvvarNotFound = 203;
inline constexpr long kErrorPrivilegeNotHeld = 1314;

// HRESULTs of the shell (SHGetFolderPath): negative, as Windows' 32-bit values are.
inline constexpr long kSOk = 0;
inline constexpr long kEInvalidArg = static_cast<std::int32_t>(0x80070057u);
inline constexpr long kHresultFileNotFound = static_cast<std::int32_t>(0x80070002u);

// Flag bits a CSIDL may carry; CSIDL_FLAG_CREATE makes a missing folder.
inline constexpr int kCsidlFlagCreate = 0x8000;
inline constexpr int kCsidlFolderMask = 0x00FF;

} // namespace qmplatform
