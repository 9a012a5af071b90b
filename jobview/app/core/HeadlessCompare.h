// `jobview --compare A B [-o DIFF.png] [--json]`: both files rendered as the
// window renders them, the difference picture written, the summary printed.
#pragma once

#include <QString>

#include <ostream>

namespace jobview {

// Exit status as cmp's: 0 equal, 1 different, 2 trouble (a file that does not
// render, pictures that cannot be compared, an output that cannot be written).
inline constexpr int kCompareEqual = 0;
inline constexpr int kCompareDiffer = 1;
inline constexpr int kCompareTrouble = 2;

int compareFiles(const QString& fileA, const QString& fileB, const QString& output, bool json, std::ostream& out,
                 std::ostream& err);

} // namespace jobview
