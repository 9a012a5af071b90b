#pragma once

#include <QString>

// What an error log entry's double-click reaches: the main dialog switches
// to its "Utilities" page (tab index 3), puts the number into the lookup's
// code field and runs the lookup. The number is passed as the log shows it
// (decimal, "0" octal or "0x" hexadecimal), for the lookup to read.
class ErrorJumpTarget {
public:
    virtual ~ErrorJumpTarget() = default;
    virtual void jumpToError(const QString& internalErrorNum) = 0;
};

inline constexpr int kUtilitiesTabIndex = 3;
