// Makes valid DRFs of format 1 to 4 for tests, samples and the sample machine.
// A builder states only what its user cares about; defaults fill the rest:
// format 3, drive 111, a print-engine section and empty other sections.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace drf::testing {

// Which print modes share one record of a kind.
enum class Share { PerMode, PerMedia, AllModes };

class DrfBuilder {
public:
    DrfBuilder();

    // Also picks the print-engine generation of the same number (1-4) unless set explicitly.
    DrfBuilder& formatVersion(std::uint32_t version);
    // Drive identifier of the header and of every section.
    DrfBuilder& driveId(std::uint16_t id);
    // Drive identifier of the sections only (the header keeps its own).
    DrfBuilder& sectionDriveId(std::uint16_t id);
    // Directory generation of a section type; an unsupported one writes the section empty.
    DrfBuilder& generation(int type, std::uint32_t generation);
    // A section of this type with a header, even without modes.
    DrfBuilder& section(int type);
    // Adds sections 1-4, each with one mode for every media and quality of the print-engine modes.
    DrfBuilder& allSections();
    // A print mode of the print-engine section, or of another section.
    DrfBuilder& mode(std::uint16_t media, std::uint16_t quality, std::uint16_t availability = 1);
    DrfBuilder& modeIn(int type, std::uint16_t media, std::uint16_t quality, std::uint16_t availability = 1);
    DrfBuilder& share(std::uint32_t kind, Share share, int type = 5);
    // Every mode's entry gives `kind` the offset of the record its `asKind` uses, so
    // two kinds (of one size) read the same bytes. Sharing follows `asKind`.
    DrfBuilder& sameRecord(std::uint32_t kind, std::uint32_t asKind, int type = 5);
    // The mode has no record of this kind (offset 0xFFFFFFFF).
    DrfBuilder& noRecord(std::uint16_t media, std::uint16_t quality, std::uint32_t kind, int type = 5);
    // A key value in the record a mode uses (shared records: seen by every sharer).
    // For a second mode with the same media and quality, the first one is meant.
    DrfBuilder& value(std::uint16_t media, std::uint16_t quality, std::string_view kind, std::string_view key,
                      std::int64_t value, std::uint32_t index = 0, int type = 5);
    DrfBuilder& unsupported(std::uint16_t media);
    // An explicit supported list; by default the media of the modes, first seen first.
    DrfBuilder& supported(std::vector<std::uint16_t> media);
    DrfBuilder& label(std::string text);
    DrfBuilder& headerWord2(std::uint32_t word);
    DrfBuilder& headerByte142(std::uint8_t byte);
    DrfBuilder& sectionWord4(std::uint32_t word);
    // Pseudo-random record contents (default on) so misplaced bytes show up; off: zeros.
    DrfBuilder& patternFill(bool on);
    // Lays the record areas out in reverse of the order a save normalises them to.
    DrfBuilder& reverseRecords(bool on);

    std::vector<std::uint8_t> build() const;
    // Throws std::runtime_error when the file cannot be written.
    void write(const std::filesystem::path& path) const;

private:
    struct ModeSpec {
        std::uint16_t media;
        std::uint16_t quality;
        std::uint16_t availability;
    };
    struct ValueSpec {
        std::uint16_t media;
        std::uint16_t quality;
        std::string kind;
        std::string key;
        std::int64_t value;
        std::uint32_t index;
    };
    struct SectionSpec {
        bool present = false;
        std::uint32_t generation = 1;
        bool generationSet = false;
        std::vector<ModeSpec> modes;
        std::map<std::uint32_t, Share> shares;
        std::map<std::uint32_t, std::uint32_t> sameRecords; // kind -> kind whose record it uses
        std::vector<ModeSpec> noRecords;                    // availability holds the kind
        std::vector<ValueSpec> values;
    };

    std::vector<std::uint8_t> buildSection(int type, const SectionSpec& spec) const;

    std::uint32_t formatVersion_ = 3;
    std::uint16_t driveId_ = 111;
    std::uint16_t sectionDriveId_ = 111;
    std::map<int, SectionSpec> sections_;
    std::vector<std::uint16_t> unsupported_;
    std::vector<std::uint16_t> supported_;
    bool supportedSet_ = false;
    std::string label_ = "Quillmark test DRF";
    std::uint32_t headerWord2_ = 0x01020304;
    std::uint8_t headerByte142_ = 0x5A;
    std::uint32_t sectionWord4_ = 0x0A0B0C0D;
    bool patternFill_ = true;
    bool reverseRecords_ = false;
};

} // namespace drf::testing
