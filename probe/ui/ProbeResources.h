// The probes' resources as Qt resources: icon 128 and bitmap 131 shared by
// both programs, each program's string table (101, 57344, 10003) in its
// own ":/<program>/strings.json".
#pragma once

#include "probe/ToolProfile.h"

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace probe {

QIcon probeIcon();
QPixmap probeBitmap();
// A string resource of the program; empty when its table lacks it.
QString probeString(const ToolProfile& profile, int id);

} // namespace probe
