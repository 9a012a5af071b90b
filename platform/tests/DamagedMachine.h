// Damage to a machine's own files, as a bad copy, a full disk or a stray
// editor leaves it, for the tests of everything that opens a machine.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace qmtest {

enum class Damage { Truncated, RandomBytes, Missing };

inline const char* damageName(Damage damage) {
    switch (damage) {
    case Damage::Truncated:
        return "truncated";
    case Damage::RandomBytes:
        return "random bytes";
    case Damage::Missing:
        return "missing";
    }
    return "?";
}

// The machine's files that must all be readable for it to open.
inline constexpr const char* kMachineFiles[] = {"machine.json", "HKLM.reg", "HKCU.reg"};

// Damages `file` and returns what the reason for refusing it should hold
// besides the file's name: "line N:" for a text cut off in the middle of
// its last line that holds something (N the line where the text now ends),
// "line 1:" for bytes that are no text of either format, "missing" for a
// removed file.
inline std::string damageMachineFile(const std::filesystem::path& file, Damage damage) {
    std::string whole;
    {
        std::ifstream in(file, std::ios::binary);
        whole.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    switch (damage) {
    case Damage::Truncated: {
        // Cut in the middle of the last line with something in it: a cut at
        // a line's end may leave a shorter file that is still whole.
        std::size_t lineEnd = whole.size();
        std::size_t cut = whole.size() / 4 * 2;
        while (lineEnd > 0) {
            const std::size_t newline = lineEnd > 1 ? whole.rfind('\n', lineEnd - 2) : std::string::npos;
            const std::size_t lineStart = newline == std::string::npos ? 0 : newline + 1;
            if (lineEnd - lineStart >= 12) {
                cut = lineStart + (lineEnd - lineStart) / 2;
                break;
            }
            lineEnd = lineStart;
        }
        // On a whole UTF-16 unit for the hives.
        if (whole.starts_with("\xFF\xFE")) {
            cut -= cut % 2;
        }
        const std::string text = whole.substr(0, cut);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        return "line " + std::to_string(1 + std::count(text.begin(), text.end(), '\n')) + ":";
    }
    case Damage::RandomBytes: {
        std::string noise(96, '\0');
        std::uint32_t seed = 2463534242u;
        for (char& c : noise) {
            seed ^= seed << 13;
            seed ^= seed >> 17;
            seed ^= seed << 5;
            c = static_cast<char>(seed & 0xFF);
        }
        std::ofstream(file, std::ios::binary | std::ios::trunc) << noise;
        return "line 1:";
    }
    case Damage::Missing:
        std::filesystem::remove(file);
        return "missing";
    }
    return {};
}

} // namespace qmtest
