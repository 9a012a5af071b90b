// The drive list of the probe dialogs: a sorted list whose items remember
// the engine's index of their drive, so a choice in sorted order still
// names the right drive.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace probe {

struct DriveItem {
    std::string text;
    int engineIndex;
};

class DriveList {
public:
    // Inserts in sort order, as a sorted combo box does (case ignored; an
    // item equal to others goes after them). Returns the item's position.
    std::size_t add(std::string text, int engineIndex);
    void clear() { items_.clear(); }
    bool empty() const { return items_.empty(); }
    std::size_t size() const { return items_.size(); }
    const DriveItem& operator[](std::size_t i) const { return items_[i]; }
    const std::vector<DriveItem>& items() const { return items_; }

private:
    std::vector<DriveItem> items_;
};

// The combo box's order: byte-wise on the UTF-8 texts, ASCII letters
// compared without case.
bool sortsBefore(std::string_view a, std::string_view b);

} // namespace probe
