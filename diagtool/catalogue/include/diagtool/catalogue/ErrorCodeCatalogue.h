#pragma once

// The error codes of the labelling system (print engine and labelling API,
// drive-communication layer) with their names and texts. Every program of
// the suite shares this vocabulary, so it stays free of Qt.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

struct ErrorCodeInfo {
    std::string symbolicName; // name of the code in the labelling API's COM interface
    std::string errorClass;   // name of the failure kind inside the system
    std::string comment;      // explanation for support staff and developers
    std::string message;      // short text for the end user
};

// Looking up a code through operator[] is deliberate: a code without an entry
// gets a default entry with four empty texts, which is what the lookup shows.
using ErrorCodeCatalogue = std::map<std::uint32_t, ErrorCodeInfo>;

// Fills the catalogue with every known code; entries of the same code are
// overwritten, so an already filled catalogue ends up the same.
void buildErrorCodeCatalogue(ErrorCodeCatalogue& catalogue);

// Builds a catalogue for this one lookup and returns the entry of the code
// (four empty texts when the code has none).
ErrorCodeInfo lookupErrorCode(std::uint32_t code);

// Codes, ascending, whose name, class, comment or message contains the text,
// ignoring ASCII case.
std::vector<std::uint32_t> findErrorCodes(const ErrorCodeCatalogue& catalogue, std::string_view text);
