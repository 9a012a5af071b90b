// --redact: the user name, the computer name and user SIDs replaced by
// stable placeholders wherever the bundle would carry them. Names match
// ignoring case and only as whole words, so a user "quill" leaves
// "Quillmark" alone; a user SID (S-1-5-21-a-b-c-RID) keeps its RID and loses
// its domain part, in text and in binary form.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qmbundle {

class Redactor {
public:
    // Inactive: every call gives its input back.
    Redactor() = default;
    Redactor(std::wstring userName, std::wstring computerName);

    bool active() const { return active_; }
    std::wstring text(std::wstring_view text) const;
    std::string utf8(std::string_view text) const;
    // A text file: UTF-16LE when it starts with its byte-order mark,
    // otherwise bytes of an ASCII-compatible encoding (UTF-8, code pages).
    std::vector<std::uint8_t> textFile(std::span<const std::uint8_t> bytes) const;
    // A binary SID (revision, count, authority, sub-authorities).
    std::vector<std::uint8_t> sid(std::span<const std::uint8_t> sid) const;
    // Does a binary file hold one of the names (as UTF-16LE or single bytes)?
    bool mentionedIn(std::span<const std::uint8_t> bytes) const;

private:
    bool active_ = false;
    std::vector<std::pair<std::wstring, std::wstring>> names_; // name -> placeholder
};

} // namespace qmbundle
