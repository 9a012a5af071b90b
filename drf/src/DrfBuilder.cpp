#include "drf/DrfBuilder.h"

#include "drf/ByteOrder.h"
#include "drf/DrfHeader.h"
#include "drf/LibraryFactory.h"
#include "drf/ResourceRecord.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <tuple>

namespace drf::testing {

namespace {

// Records are grouped by (kind, group); the group follows the kind's sharing rule.
using RecordKey = std::tuple<std::uint32_t, std::uint32_t>;

std::uint32_t groupOf(Share share, std::size_t modeIndex, std::uint16_t media) {
    switch (share) {
    case Share::AllModes:
        return 0;
    case Share::PerMedia:
        return media;
    case Share::PerMode:
        break;
    }
    return 0x10000u + static_cast<std::uint32_t>(modeIndex);
}

void fillPattern(std::vector<std::uint8_t>& bytes, std::uint32_t seed) {
    std::uint32_t state = seed * 2654435761u + 12345u;
    for (auto& b : bytes) {
        state = state * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(state >> 24);
    }
}

} // namespace

DrfBuilder::DrfBuilder() {
    sections_[5].present = true;
}

DrfBuilder& DrfBuilder::formatVersion(std::uint32_t version) {
    formatVersion_ = version;
    return *this;
}
DrfBuilder& DrfBuilder::driveId(std::uint16_t id) {
    driveId_ = id;
    sectionDriveId_ = id;
    return *this;
}
DrfBuilder& DrfBuilder::sectionDriveId(std::uint16_t id) {
    sectionDriveId_ = id;
    return *this;
}
DrfBuilder& DrfBuilder::generation(int type, std::uint32_t generation) {
    sections_[type].generation = generation;
    sections_[type].generationSet = true;
    return *this;
}
DrfBuilder& DrfBuilder::section(int type) {
    sections_[type].present = true;
    return *this;
}
DrfBuilder& DrfBuilder::allSections() {
    for (int type = 1; type <= 4; ++type) {
        auto& spec = sections_[type];
        spec.present = true;
        for (const auto& m : sections_[5].modes) {
            const bool known = std::any_of(spec.modes.begin(), spec.modes.end(), [&](const ModeSpec& s) {
                return s.media == m.media && s.quality == m.quality;
            });
            if (!known)
                spec.modes.push_back({m.media, m.quality, 1});
        }
    }
    return *this;
}
DrfBuilder& DrfBuilder::mode(std::uint16_t media, std::uint16_t quality, std::uint16_t availability) {
    return modeIn(5, media, quality, availability);
}
DrfBuilder& DrfBuilder::modeIn(int type, std::uint16_t media, std::uint16_t quality,
                               std::uint16_t availability) {
    sections_[type].present = true;
    sections_[type].modes.push_back({media, quality, availability});
    return *this;
}
DrfBuilder& DrfBuilder::share(std::uint32_t kind, Share share, int type) {
    sections_[type].shares[kind] = share;
    return *this;
}
DrfBuilder& DrfBuilder::sameRecord(std::uint32_t kind, std::uint32_t asKind, int type) {
    sections_[type].sameRecords[kind] = asKind;
    return *this;
}
DrfBuilder& DrfBuilder::noRecord(std::uint16_t media, std::uint16_t quality, std::uint32_t kind, int type) {
    sections_[type].noRecords.push_back({media, quality, static_cast<std::uint16_t>(kind)});
    return *this;
}
DrfBuilder& DrfBuilder::value(std::uint16_t media, std::uint16_t quality, std::string_view kind,
                              std::string_view key, std::int64_t value, std::uint32_t index, int type) {
    sections_[type].values.push_back({media, quality, std::string(kind), std::string(key), value, index});
    return *this;
}
DrfBuilder& DrfBuilder::unsupported(std::uint16_t media) {
    unsupported_.push_back(media);
    return *this;
}
DrfBuilder& DrfBuilder::supported(std::vector<std::uint16_t> media) {
    supported_ = std::move(media);
    supportedSet_ = true;
    return *this;
}
DrfBuilder& DrfBuilder::label(std::string text) {
    label_ = std::move(text);
    return *this;
}
DrfBuilder& DrfBuilder::headerWord2(std::uint32_t word) {
    headerWord2_ = word;
    return *this;
}
DrfBuilder& DrfBuilder::headerByte142(std::uint8_t byte) {
    headerByte142_ = byte;
    return *this;
}
DrfBuilder& DrfBuilder::sectionWord4(std::uint32_t word) {
    sectionWord4_ = word;
    return *this;
}
DrfBuilder& DrfBuilder::patternFill(bool on) {
    patternFill_ = on;
    return *this;
}
DrfBuilder& DrfBuilder::reverseRecords(bool on) {
    reverseRecords_ = on;
    return *this;
}

std::vector<std::uint8_t> DrfBuilder::buildSection(int type, const SectionSpec& spec) const {
    const LibraryLayout* layout = findLibraryLayout(type, spec.generation);
    if (!spec.present || !layout)
        return {};
    const std::uint32_t count = static_cast<std::uint32_t>(spec.modes.size());
    const std::uint32_t headerSize = kSectionHeaderSize + count * layout->entrySize;

    // Records in the order a save places them: modes in list order, kinds in kind order.
    std::map<RecordKey, std::size_t> recordIndex;
    std::vector<std::uint32_t> recordKinds;
    std::vector<std::vector<std::size_t>> modeRecords(count); // SIZE_MAX: no record
    for (std::uint32_t i = 0; i < count; ++i) {
        const ModeSpec& m = spec.modes[i];
        for (std::uint32_t k = 0; k < layout->kinds.size(); ++k) {
            const bool absent =
                std::any_of(spec.noRecords.begin(), spec.noRecords.end(), [&](const ModeSpec& n) {
                    return n.media == m.media && n.quality == m.quality && n.availability == k;
                });
            if (absent) {
                modeRecords[i].push_back(SIZE_MAX);
                continue;
            }
            // Both kinds of a pair name one key, so whichever comes first in kind
            // order makes the record, as a save places it.
            std::uint32_t owner = k;
            if (auto same = spec.sameRecords.find(k); same != spec.sameRecords.end()) {
                owner = same->second;
                if (owner >= layout->kinds.size() ||
                    layout->kinds[owner].recordSize != layout->kinds[k].recordSize)
                    throw std::invalid_argument("builder: kinds of different sizes cannot share a record");
            }
            auto it = spec.shares.find(owner);
            const Share share = it != spec.shares.end() ? it->second : Share::PerMode;
            const RecordKey key{owner, groupOf(share, i, m.media)};
            auto [pos, inserted] = recordIndex.emplace(key, recordKinds.size());
            if (inserted)
                recordKinds.push_back(k);
            modeRecords[i].push_back(pos->second);
        }
    }

    std::vector<std::vector<std::uint8_t>> records;
    for (std::size_t r = 0; r < recordKinds.size(); ++r) {
        std::vector<std::uint8_t> bytes(layout->kinds[recordKinds[r]].recordSize, 0);
        if (patternFill_)
            fillPattern(bytes, static_cast<std::uint32_t>(r * 31 + static_cast<std::size_t>(type)));
        records.push_back(std::move(bytes));
    }
    for (const auto& v : spec.values) {
        auto m = std::find_if(spec.modes.begin(), spec.modes.end(), [&](const ModeSpec& s) {
            return s.media == v.media && s.quality == v.quality;
        });
        if (m == spec.modes.end())
            throw std::invalid_argument("builder: value for a mode that was not added");
        const auto modeIndex = static_cast<std::size_t>(m - spec.modes.begin());
        bool stored = false;
        for (std::uint32_t k = 0; k < layout->kinds.size(); ++k) {
            const ResourceFileKind& kind = layout->kinds[k];
            const KeyDescriptor* key = kind.findKey(v.key);
            if (kind.name != v.kind || !key || modeRecords[modeIndex][k] == SIZE_MAX)
                continue;
            if (writeKeyValue(*key, records[modeRecords[modeIndex][k]], v.index, v.value) != 0)
                throw std::invalid_argument("builder: value does not fit " + v.key);
            stored = true;
        }
        if (!stored)
            throw std::invalid_argument("builder: no record holds " + v.kind + "." + v.key);
    }

    std::vector<std::size_t> order(records.size());
    for (std::size_t r = 0; r < order.size(); ++r)
        order[r] = r;
    if (reverseRecords_)
        std::reverse(order.begin(), order.end());
    std::vector<std::uint32_t> offsets(records.size());
    std::uint32_t cursor = 0;
    for (std::size_t r : order) {
        offsets[r] = cursor;
        cursor += static_cast<std::uint32_t>(records[r].size());
    }

    std::vector<std::uint8_t> out(headerSize + cursor, 0);
    std::uint8_t* h = out.data();
    writeLe(h + kSectionHeaderFields[kShGeneration].offset, spec.generation);
    writeLe(h + kSectionHeaderFields[kShWord4].offset, sectionWord4_);
    writeLe(h + kSectionHeaderFields[kShDriveId].offset, sectionDriveId_);
    std::copy(kNoticeText.begin(), kNoticeText.end(), h + kSectionHeaderFields[kShNotice].offset);
    writeLe(h + kSectionHeaderFields[kShEntryCount].offset, static_cast<std::uint16_t>(count));
    writeLe(h + kSectionHeaderFields[kShEntrySize].offset, static_cast<std::uint16_t>(layout->entrySize));
    writeLe(h + kSectionHeaderFields[kShHeaderSize].offset, static_cast<std::uint16_t>(headerSize));
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint8_t* e = h + kSectionHeaderSize + i * layout->entrySize;
        writeLe(e + kEntryFields[kEnDriveId].offset, sectionDriveId_);
        writeLe(e + kEntryFields[kEnMediaId].offset, spec.modes[i].media);
        writeLe(e + kEntryFields[kEnQualityId].offset, spec.modes[i].quality);
        writeLe(e + kEntryFields[kEnAvailability].offset, spec.modes[i].availability);
        for (std::uint32_t k = 0; k < layout->kinds.size(); ++k) {
            const std::size_t r = modeRecords[i][k];
            writeLe(e + 4u * layout->entrySlots[k], r == SIZE_MAX ? kNoRecord : offsets[r]);
        }
    }
    for (std::size_t r = 0; r < records.size(); ++r)
        std::copy(records[r].begin(), records[r].end(), out.begin() + headerSize + offsets[r]);
    return out;
}

std::vector<std::uint8_t> DrfBuilder::build() const {
    DrfHeader header;
    header.formatVersion = formatVersion_;
    header.headerWord2 = headerWord2_;
    std::copy_n(label_.begin(), std::min<std::size_t>(label_.size(), 127), header.labelText.begin());
    header.driveId = driveId_;
    header.headerByte142 = headerByte142_;
    header.headerSize = static_cast<std::uint16_t>(kDrfHeaderSize);
    std::copy(kNoticeText.begin(), kNoticeText.end(), header.noticeText.begin());

    std::vector<std::uint16_t> supported = supported_;
    if (!supportedSet_) {
        for (int type = 1; type <= 5; ++type) {
            auto it = sections_.find(type);
            if (it == sections_.end())
                continue;
            for (const auto& m : it->second.modes) {
                const bool skip =
                    std::find(unsupported_.begin(), unsupported_.end(), m.media) != unsupported_.end() ||
                    std::find(supported.begin(), supported.end(), m.media) != supported.end();
                if (!skip)
                    supported.push_back(m.media);
            }
        }
    }
    std::copy_n(supported.begin(), std::min(supported.size(), kMediaListSize), header.supportedMedia.begin());
    std::copy_n(unsupported_.begin(), std::min(unsupported_.size(), kMediaListSize),
                header.unsupportedMedia.begin());

    std::vector<std::vector<std::uint8_t>> sections;
    for (int type = 1; type <= 5; ++type) {
        SectionSpec spec;
        if (auto it = sections_.find(type); it != sections_.end())
            spec = it->second;
        if (!spec.generationSet)
            spec.generation = type == 5 ? formatVersion_ : 1;
        sections.push_back(buildSection(type, spec));
        header.sectionSize[static_cast<std::size_t>(type - 1)] =
            static_cast<std::uint32_t>(sections.back().size());
        header.sectionGeneration[static_cast<std::size_t>(type - 1)] = spec.generation;
    }

    std::vector<std::uint8_t> out(kDrfHeaderSize, 0);
    writeDrfHeader(header, std::span<std::uint8_t, kDrfHeaderSize>(out.data(), kDrfHeaderSize));
    for (const auto& s : sections)
        out.insert(out.end(), s.begin(), s.end());
    return out;
}

void DrfBuilder::write(const std::filesystem::path& path) const {
    const auto bytes = build();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("builder: cannot write " + path.string());
}

} // namespace drf::testing
