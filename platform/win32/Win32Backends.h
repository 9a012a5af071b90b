// The real Windows behind the environment, shell folders, files, service
// control manager and power interfaces.
#pragma once

#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/Power.h"
#include "platform/Services.h"
#include "platform/ShellFolders.h"

#include <memory>

namespace qmplatform {

std::unique_ptr<Environment> makeWin32Environment();
std::unique_ptr<ShellFolders> makeWin32ShellFolders();
std::unique_ptr<Files> makeWin32Files();
std::unique_ptr<ServiceControl> makeWin32ServiceControl();
std::unique_ptr<Power> makeWin32Power();

} // namespace qmplatform
