// Test helper: one process of several writing to one emulated machine.
// registry_writer MACHINE PREFIX COUNT adds COUNT values PREFIX0.. to
// HKLM\SOFTWARE\Concurrent, one change at a time.
#include "platform/machine/EmulatedRegistry.h"
#include "platform/RegKey.h"

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: registry_writer MACHINE PREFIX COUNT\n");
        return 2;
    }
    using namespace qmplatform;
    const std::filesystem::path dir = argv[1];
    const std::string prefix = argv[2];
    const int count = std::stoi(argv[3]);
    emulated::EmulatedRegistry registry({dir / "registry", dir / "machine.lock", true});
    RegKey key;
    if (const long rc =
            key.create(registry, RegRoot::LocalMachine, L"SOFTWARE\\Concurrent", RegAccess::AllAccess);
        rc != kErrorSuccess) {
        std::fprintf(stderr, "registry_writer: create failed with %ld\n", rc);
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        const std::wstring name = std::wstring(prefix.begin(), prefix.end()) + std::to_wstring(i);
        if (const long rc = key.writeDword(name, static_cast<std::uint32_t>(i)); rc != kErrorSuccess) {
            std::fprintf(stderr, "registry_writer: write %d failed with %ld\n", i, rc);
            return 1;
        }
    }
    return 0;
}
