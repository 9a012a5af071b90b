// Where the server's own module file lies: the server finds the machine it
// is installed on by looking upwards from there for machine.json.
#pragma once

#include <filesystem>

namespace discprintmgr {

std::filesystem::path serverModulePath();

} // namespace discprintmgr
