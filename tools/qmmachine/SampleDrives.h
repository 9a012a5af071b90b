// The simulated labelling drives of the sample machines (the DiscPrintMgr
// server's section of machine.json).
//
//   healthy, slow-service, dead-service   two drives with media
//   broken, no-admin                      one drive that fails Validate, one without media
//   no-drives                             the host software, but no drive
//   bare                                  no host software, so no section
#pragma once

#include <string>
#include <string_view>

namespace qmplatform::emulated {
class Machine;
}

namespace qmmachine {

bool writeSampleDrives(std::string_view sample, qmplatform::emulated::Machine& machine, std::string& error);

} // namespace qmmachine
