// Which keys differ between two DRFs: the records of every print mode of every
// section, compared byte by byte and named by their kind's key table.
#pragma once

#include "drf/DrfDocument.h"
#include "drf/ResourceRecord.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <tuple>

namespace resedit::test {

// (media, quality, "Kind.Key") of every differing named key; unnamed bytes
// show as "Kind.?" so nothing slips through.
using KeyChange = std::tuple<std::uint16_t, std::uint16_t, std::string>;

inline std::set<KeyChange> changedKeys(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::set<KeyChange> changes;
    drf::DrfDocument docA;
    drf::DrfDocument docB;
    EXPECT_EQ(docA.Load(a), 0);
    EXPECT_EQ(docB.Load(b), 0);
    for (int type = 1; type <= 5; ++type) {
        const drf::LibraryFactory* la = docA.library(type);
        const drf::LibraryFactory* lb = docB.library(type);
        EXPECT_EQ(la == nullptr, lb == nullptr);
        if (la == nullptr || lb == nullptr) {
            continue;
        }
        EXPECT_EQ(la->printModes().size(), lb->printModes().size());
        for (std::size_t m = 0; m < std::min(la->printModes().size(), lb->printModes().size()); ++m) {
            const drf::PrintModeInfo& ma = *la->printModes()[m];
            const drf::PrintModeInfo& mb = *lb->printModes()[m];
            EXPECT_TRUE(ma.key() == mb.key());
            for (std::uint32_t k = 0; k < ma.kindCount(); ++k) {
                const drf::ResourceRecord* ra = ma.record(k);
                const drf::ResourceRecord* rb = mb.record(k);
                const bool hasA = ra != nullptr && ra->hasData();
                const bool hasB = rb != nullptr && rb->hasData();
                EXPECT_EQ(hasA, hasB);
                if (!hasA || !hasB || ra->size != rb->size) {
                    continue;
                }
                const drf::ResourceFileKind* kind = la->kind(k);
                for (std::uint32_t i = 0; i < ra->size; ++i) {
                    if (ra->data[i] == rb->data[i]) {
                        continue;
                    }
                    std::string name = std::string(kind ? kind->name : "?") + ".?";
                    if (kind != nullptr) {
                        for (const drf::KeyDescriptor& key : kind->keys) {
                            if (i >= key.offset && i < key.offset + key.byteSize() && key.named()) {
                                name = std::string(kind->name) + "." + std::string(key.name);
                            }
                        }
                    }
                    changes.insert({ma.key().mediaId, ma.key().qualityId, name});
                }
            }
        }
    }
    return changes;
}

} // namespace resedit::test
