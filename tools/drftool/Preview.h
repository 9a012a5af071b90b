// `drftool preview`: a label with the values of a DRF's print mode and with
// some of them changed, as two print jobs and their difference picture.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace drftool {

// args after the word "preview". Exit status as drftool's: 0, 1 usage, 2 failure.
int preview(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace drftool
