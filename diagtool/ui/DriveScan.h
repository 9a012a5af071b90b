#pragma once

// The drive-and-media scan as the system checks offer it to the pages: the
// checks themselves stay free of Qt, so this small adapter sits beside them.

#include "diagtool/client/QMRT.h"

#include <QStringList>

class WindowsDiagnosticsScan {
public:
    // One line per drive, each examined behind its own detection dialog;
    // empty when the labelling API fails in a way the scan does not turn
    // into a line of its own.
    static QStringList scanDrivesAndMedia(const QMRT::ServerCreator& create = QMRT::createDiscPrintMgr);
};
