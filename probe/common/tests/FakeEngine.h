// A print engine made of this test's own C functions, and a loader that
// hands them out by name: the binding and the controller run against it
// without any library on disk.
#pragma once

#include "contracts/EngineRecords.h"

#include "platform/DynamicLibraries.h"
#include "platform/Files.h"

#include <array>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace probe::testing {

struct FakeDrive {
    std::u16string name = u"E:";
    std::u16string textA = u"QUILLMRK";
    std::u16string textB = u"QM-5000";
    std::u16string textC = u"1.04";
    int number = 1;
    bool listed = true;
    std::uint16_t driveId = 0x1A2;
    std::uint16_t imagingParameter = 12;
    std::uint8_t manufacturer = 3;
    std::array<EngineLabelParams, kQualityCount> params{};
};

// What the fake engine does and what it was asked.
struct FakeEngineState {
    std::vector<std::string> calls; // entry names, in call order
    int apiVersion = kEngineApiVersion;
    std::map<std::string, int> failures; // entry name -> code it returns
    std::vector<FakeDrive> drives;
    int selected = -1;
    EngineSession nextSession = 0x5150;
    PECallbacks* callbacks = nullptr;
    std::vector<int> selects;
    std::vector<EngineLabelRequest> requests;
};

// The one engine of the test process; reset before each test.
FakeEngineState& fakeEngine();
void resetFakeEngine();

// Every entry of the engine by name, less those in `omit`.
std::map<std::string, void*> fakeEngineExports(const std::set<std::string>& omit = {});

// Loads the modules it was given by name or path; logs every call.
class FakeLibraries final : public qmplatform::DynamicLibraries {
public:
    std::map<std::wstring, std::map<std::string, void*>> modules;
    std::wstring programPath = L"C:\\Tools\\paramscope.exe";
    std::vector<std::string> log;
    std::uint32_t errorMode = 0;
    int openModules = 0;

    qmplatform::ModuleHandle load(std::wstring_view nameOrPath, std::uint32_t flags, long& error) override;
    void* resolve(qmplatform::ModuleHandle module, const char* entryName) override;
    bool free(qmplatform::ModuleHandle module) override;
    long moduleFileName(qmplatform::ModuleHandle module, std::wstring& out) override;
    std::uint32_t setErrorMode(std::uint32_t mode) override;

private:
    std::vector<std::wstring> handles_;
};

// Files that exist, by Windows path.
class FakeFiles final : public qmplatform::Files {
public:
    std::set<std::wstring> existing;
    std::FILE* openForReading(std::wstring_view windowsPath) const override;
    bool listFolder(std::wstring_view, std::vector<qmplatform::FolderEntry>&) const override { return false; }
};

std::string narrow(std::wstring_view text);

// Label parameters as a drive would report them.
EngineLabelParams labelParams(std::uint16_t version, std::uint32_t velocity, std::uint32_t pitch,
                              std::uint32_t spacing, std::uint8_t write, std::uint8_t read,
                              std::int8_t focus);

} // namespace probe::testing
