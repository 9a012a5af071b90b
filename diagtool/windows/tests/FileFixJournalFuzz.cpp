#include "diagtool/windows/FileFixJournal.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<FixRecord> records;
    if (FileFixJournal::parse(std::string_view(reinterpret_cast<const char*>(data), size), records)) {
        std::vector<FixRecord> again;
        if (!FileFixJournal::parse(FileFixJournal::serialise(records), again) || again != records) {
            __builtin_trap();
        }
    }
    return 0;
}
