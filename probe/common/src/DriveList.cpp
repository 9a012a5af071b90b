#include "probe/DriveList.h"

#include <algorithm>

namespace probe {

namespace {

unsigned char folded(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

} // namespace

bool sortsBefore(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return folded(x) < folded(y); });
}

std::size_t DriveList::add(std::string text, int engineIndex) {
    const auto at =
        std::upper_bound(items_.begin(), items_.end(), text, [](const std::string& t, const DriveItem& item) {
            return sortsBefore(t, item.text);
        });
    const auto pos = static_cast<std::size_t>(at - items_.begin());
    items_.insert(at, DriveItem{std::move(text), engineIndex});
    return pos;
}

} // namespace probe
