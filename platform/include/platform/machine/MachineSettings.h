// machine.json <-> MachineSettings. The file is one JSON object:
//
//   "userName":      text, the Windows user ("quill")
//   "administrator": true/false, whether programs run with administrator rights
//   "environment":   object of texts, the programs' environment (PATH, ...)
//   "services":      object: service name -> { "state": "stopped" | "running",
//                    "startSeconds": whole seconds a start stays pending,
//                    "neverStarts": true/false }
//   "restarts":      array of { "flags": ExitWindowsEx flags, "time": UTC text }
//
// Every key is optional (defaults as in MachineSettings); keys not listed
// here are kept as they are whenever the file is rewritten.
#pragma once

#include "platform/machine/Machine.h"

#include <nlohmann/json.hpp>

#include <string>

namespace qmplatform::emulated {

// False with a reason when a known key has the wrong type or value.
bool settingsFromJson(const nlohmann::ordered_json& document, MachineSettings& out, std::string& error);
// Writes the known keys into `document`, keeping all others.
void settingsToJson(const MachineSettings& settings, nlohmann::ordered_json& document);
// Writes one service's behaviour, keeping the entry's other keys.
void serviceToJson(std::wstring_view name, const ServiceBehaviour& behaviour,
                   nlohmann::ordered_json& document);

} // namespace qmplatform::emulated
