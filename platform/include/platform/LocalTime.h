#pragma once

#include <ctime>

namespace qmplatform {

// The local calendar time of seconds since 1970 (UTC), into the caller's
// own structure. Unlike std::localtime it neither shares its result nor
// looks the time zone up again on every call (the C library's localtime
// checks the zone file each time, which dominated long event logs).
// False when the time cannot be converted.
inline bool localCalendarTime(std::time_t seconds, std::tm& out) {
#ifdef _WIN32
    return localtime_s(&out, &seconds) == 0;
#else
    return localtime_r(&seconds, &out) != nullptr;
#endif
}

} // namespace qmplatform
