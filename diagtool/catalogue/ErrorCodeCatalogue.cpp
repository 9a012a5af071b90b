#include "diagtool/catalogue/ErrorCodeCatalogue.h"

#include <algorithm>

#include "diagtool/catalogue/ErrorCodeTable.h"

void buildErrorCodeCatalogue(ErrorCodeCatalogue& catalogue) {
    for (const ErrorCodeRow& row : errorCodeRows()) {
        catalogue[row.code] = ErrorCodeInfo{std::string(row.symbolicName), std::string(row.errorClass),
                                            std::string(row.comment), std::string(row.message)};
    }
}

ErrorCodeInfo lookupErrorCode(std::uint32_t code) {
    ErrorCodeCatalogue catalogue;
    buildErrorCodeCatalogue(catalogue);
    return catalogue[code];
}

namespace {

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool containsIgnoringCase(std::string_view haystack, std::string_view needle) {
    const auto found = std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(),
                                   [](char a, char b) { return lowerAscii(a) == lowerAscii(b); });
    return found != haystack.end() || needle.empty();
}

} // namespace

std::vector<std::uint32_t> findErrorCodes(const ErrorCodeCatalogue& catalogue, std::string_view text) {
    std::vector<std::uint32_t> codes;
    for (const auto& [code, info] : catalogue) {
        if (containsIgnoringCase(info.symbolicName, text) || containsIgnoringCase(info.errorClass, text) ||
            containsIgnoringCase(info.comment, text) || containsIgnoringCase(info.message, text))
            codes.push_back(code);
    }
    return codes;
}
