// Typed codes and search texts come straight from users; neither may crash or
// accept something that does not read back as the same number.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "diagtool/catalogue/ErrorCodeCatalogue.h"
#include "diagtool/catalogue/ErrorCodeParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto value = tryParseErrorCode(text)) {
        if (tryParseErrorCode(std::to_string(*value)) != value)
            std::abort();
    }
    static const ErrorCodeCatalogue catalogue = [] {
        ErrorCodeCatalogue built;
        buildErrorCodeCatalogue(built);
        return built;
    }();
    for (std::uint32_t code : findErrorCodes(catalogue, text)) {
        if (!catalogue.count(code))
            std::abort();
    }
    return 0;
}
