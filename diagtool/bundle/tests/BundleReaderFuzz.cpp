// The bundle reader on arbitrary bytes: refusals, never a crash, a hang or
// a read past a buffer. Small limits keep each run quick.
#include "diagtool/bundle/BundleReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qmbundle::ReadLimits limits;
    limits.maxArchiveBytes = 1u << 20;
    limits.maxEntryBytes = 1u << 20;
    limits.maxTotalBytes = 4u << 20;
    limits.maxEntries = 256;
    qmbundle::ReadBundle bundle;
    std::string error;
    (void)qmbundle::readSupportBundle({data, size}, bundle, error, limits);
    return 0;
}
