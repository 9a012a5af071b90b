// The labelling system's COM contract under the names this client uses. The
// server is not ours: the declarations are the contract's own, so the slot
// order, the argument forms and the record layout are written once for both
// sides.
#pragma once

#include "contracts/QMCAPI.h"

namespace QMRT {

using QMCAPILib::CLSID_DiscPrintMgr;
using QMCAPILib::IID_IDiscPrinter;
using QMCAPILib::IID_IDiscPrintMgr;
using QMCAPILib::IID_IDiscPrintSession;
using QMCAPILib::IID_IEnumDiscPrinters;
using QMCAPILib::IID_IQMDiscPrintProgressEvents;

using QMCAPILib::IDiscPrinter;
using QMCAPILib::IDiscPrintMgr;
using QMCAPILib::IDiscPrintSession;
using QMCAPILib::IEnumDiscPrinters;
using QMCAPILib::IQMDiscPrintProgressEvents;

// The record GetCurrentMedia fills.
using QMRT_MediaInformation = QMCAPILib::QMCAPI_MEDIA_INFORMATION;

// In-process server, in-process handler, local server and remote server.
inline constexpr DWORD kCreateContext = 23;

} // namespace QMRT
