// Where the client meets the real DiscPrintMgr stand-in: the suite's COM
// runtime on an emulated machine with the server installed by the installer
// qmmachine uses, or the system's COM (Wine) with the server's DLL copied
// into a machine folder and registered by a CTest fixture.
#pragma once

#include <nlohmann/json.hpp>

#include "platform/com/Com.h"

#include <filesystem>
#include <memory>

class ServerWorld {
public:
    virtual ~ServerWorld() = default;
    // Replaces the server's settings section of the machine.
    virtual void setServerSettings(const nlohmann::ordered_json& section) = 0;
    virtual nlohmann::ordered_json serverSettings() = 0;
    // Where a Windows path of the machine lies.
    virtual std::filesystem::path hostPath(const std::wstring& windowsPath) = 0;
    // Objects the server still holds alive.
    virtual LONG serverObjects() = 0;
};

std::unique_ptr<ServerWorld> makeServerWorld();
// A world where DiscPrintMgr is not registered at all, or null where the
// system's registry cannot be changed for one test.
std::unique_ptr<ServerWorld> makeWorldWithoutServer();
