#include "HitCompare.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include <nlohmann/json.hpp>

namespace jobview {

namespace {

bool usable(const HitMap& m) {
    return m.size > 0 && m.pixelsPerMicron > 0.0 && std::isfinite(m.pixelsPerMicron) &&
           m.counts.size() == std::size_t(m.size) * std::size_t(m.size);
}

// A floor division that also floors negative differences.
int floorHalf(int v) {
    return v >= 0 ? v / 2 : -((-v + 1) / 2);
}

std::string pixelsPerMillimetre(double pixelsPerMicron) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", pixelsPerMicron * 1000.0);
    return text;
}

} // namespace

std::optional<HitComparison> HitComparison::make(const HitMap& a, const HitMap& b, std::string* why) {
    const auto refuse = [&](const std::string& text) -> std::optional<HitComparison> {
        if (why)
            *why = text;
        return std::nullopt;
    };
    if (!usable(a) || !usable(b))
        return refuse("one of the pictures holds no rendered canvas");
    if (std::abs(a.pixelsPerMicron - b.pixelsPerMicron) > 1e-9 * a.pixelsPerMicron)
        return refuse("A is drawn at " + pixelsPerMillimetre(a.pixelsPerMicron) + " pixels per mm and B at " +
                      pixelsPerMillimetre(b.pixelsPerMicron) +
                      " (their discs have other outer radii): a pixel's hit count depends on the pixel's size, "
                      "so the counts of the two cannot be compared");

    HitComparison c;
    c.a_ = a;
    c.b_.size = a.size;
    c.b_.pixelsPerMicron = a.pixelsPerMicron;
    CompareSummary& s = c.summary_;
    if (b.size == a.size) {
        c.b_.counts = b.counts;
        c.b_.maxCount = b.maxCount;
    } else {
        // The disc's centre is the middle of either canvas: shift B by half the
        // difference in size, and count what falls off A's canvas.
        c.b_.counts.assign(a.counts.size(), 0u);
        const int shift = floorHalf(a.size - b.size);
        std::uint64_t outside = 0;
        for (int x = 0; x < b.size; ++x)
            for (int y = 0; y < b.size; ++y) {
                const std::uint32_t n = b.at(x, y);
                const int ax = x + shift, ay = y + shift;
                if (ax < 0 || ay < 0 || ax >= a.size || ay >= a.size) {
                    outside += n;
                    continue;
                }
                c.b_.counts[std::size_t(ax) * std::size_t(a.size) + std::size_t(ay)] = n;
                c.b_.maxCount = std::max(c.b_.maxCount, n);
            }
        s.warning = "the canvases differ in size (A " + std::to_string(a.size) + ", B " + std::to_string(b.size) +
                    " pixels): B is compared on A's canvas, centre on centre";
        if ((a.size - b.size) % 2 != 0)
            s.warning += ", half a pixel off";
        s.warning += "; " + std::to_string(outside) + " of B's hits fall outside it";
    }

    const double centre = a.size * 0.5;
    const double pixelsPerMm = a.pixelsPerMicron * 1000.0;
    std::map<int, RingChange> rings;
    std::uint64_t largest = 0;
    for (int x = 0; x < a.size; ++x)
        for (int y = 0; y < a.size; ++y) {
            const std::uint32_t na = c.a_.at(x, y), nb = c.b_.at(x, y);
            s.hitsA += na;
            s.hitsB += nb;
            const int ring = int(std::hypot(x + 0.5 - centre, y + 0.5 - centre) / pixelsPerMm);
            RingChange& r = rings[ring];
            r.innerMillimetres = ring;
            ++r.pixels;
            if (na == nb)
                continue;
            const std::int64_t d = std::int64_t(nb) - std::int64_t(na);
            ++s.pixelsChanged;
            ++r.pixelsChanged;
            if (d > 0) {
                ++s.pixelsMoreInB;
                s.largestIncrease = std::max(s.largestIncrease, d);
            } else {
                ++s.pixelsFewerInB;
                s.largestDecrease = std::min(s.largestDecrease, d);
            }
            const std::uint64_t magnitude = std::uint64_t(d > 0 ? d : -d);
            if (magnitude > largest) {
                largest = magnitude;
                s.largestX = x;
                s.largestY = y;
            }
        }
    for (const auto& [ring, change] : rings)
        if (change.pixelsChanged)
            s.rings.push_back(change);
    return c;
}

std::uint32_t differenceColour(std::int64_t difference, std::uint64_t largest, std::uint32_t countA,
                               std::uint32_t maxA) {
    if (difference == 0) {
        // A's own grey, faded to a third of its darkness: the label stays
        // recognisable without competing with the changes.
        const std::uint32_t v = maxA ? std::uint32_t(double(countA) / double(maxA) * 255.0) : 0u;
        const std::uint32_t g = 255u - v / 3u;
        return 0xFF000000u + g * 0x10101u;
    }
    const std::uint64_t magnitude = std::uint64_t(difference > 0 ? difference : -difference);
    // The smallest difference still shows clearly; the largest is the full colour.
    const double share = largest ? double(std::min(magnitude, largest)) / double(largest) : 1.0;
    const std::uint32_t strength = 96u + std::uint32_t(share * 159.0 + 0.5);
    const std::uint32_t other = 255u - strength;
    return difference > 0 ? 0xFF000000u | 0x00FF0000u | (other << 8) | other
                          : 0xFF000000u | (other << 16) | (other << 8) | 0x000000FFu;
}

std::vector<std::uint32_t> HitComparison::differencePicture() const {
    const std::size_t n = std::size_t(size());
    std::vector<std::uint32_t> pixels(n * n);
    const std::uint64_t largest = summary_.largestDifference();
    for (int y = 0; y < size(); ++y)
        for (int x = 0; x < size(); ++x)
            pixels[std::size_t(y) * n + std::size_t(x)] =
                differenceColour(differenceAt(x, y), largest, a_.at(x, y), a_.maxCount);
    return pixels;
}

std::string summaryText(const CompareSummary& s) {
    std::string text;
    if (!s.warning.empty())
        text += "warning: " + s.warning + "\n";
    text += "hits: A " + std::to_string(s.hitsA) + ", B " + std::to_string(s.hitsB) + "\n";
    if (s.equal())
        return text + "pixels changed: 0 (the pictures are equal)\n";
    text += "pixels changed: " + std::to_string(s.pixelsChanged) + " (" + std::to_string(s.pixelsMoreInB) +
            " with more hits in B, " + std::to_string(s.pixelsFewerInB) + " with fewer)\n";
    text += "largest difference: " + std::to_string(s.largestDifference()) + " hits at x " +
            std::to_string(s.largestX) + ", y " + std::to_string(s.largestY) + " (B - A from " +
            std::to_string(s.largestDecrease) + " to +" + std::to_string(s.largestIncrease) + ")\n";
    text += "changed pixels per ring:\n";
    for (const RingChange& r : s.rings)
        text += "  " + std::to_string(r.innerMillimetres) + "-" + std::to_string(r.innerMillimetres + 1) +
                " mm: " + std::to_string(r.pixelsChanged) + " of " + std::to_string(r.pixels) + "\n";
    return text;
}

std::string summaryJson(const CompareSummary& s, const std::string& fileA, const std::string& fileB) {
    nlohmann::ordered_json rings = nlohmann::ordered_json::array();
    for (const RingChange& r : s.rings)
        rings.push_back({{"innerMillimetres", r.innerMillimetres},
                         {"outerMillimetres", r.innerMillimetres + 1},
                         {"pixelsChanged", r.pixelsChanged},
                         {"pixels", r.pixels}});
    nlohmann::ordered_json doc{
        {"a", fileA},
        {"b", fileB},
        {"equal", s.equal()},
        {"hitsA", s.hitsA},
        {"hitsB", s.hitsB},
        {"pixelsChanged", s.pixelsChanged},
        {"pixelsMoreInB", s.pixelsMoreInB},
        {"pixelsFewerInB", s.pixelsFewerInB},
        {"largestDifference", s.largestDifference()},
        {"largestIncrease", s.largestIncrease},
        {"largestDecrease", s.largestDecrease},
        {"largestAt", s.equal() ? nlohmann::ordered_json(nullptr)
                                : nlohmann::ordered_json{{"x", s.largestX}, {"y", s.largestY}}},
        {"rings", rings},
        {"warning", s.warning.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(s.warning)},
    };
    return doc.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

} // namespace jobview
