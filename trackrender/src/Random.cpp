#include "trackrender/TrackRender.h"

namespace trackrender {
namespace {
thread_local std::uint32_t t_state = 1;
}

void Srand(unsigned int seed) {
    t_state = seed;
}

int Rand() {
    t_state = t_state * 214013u + 2531011u;
    return int((t_state >> 16) & 0x7FFFu);
}

} // namespace trackrender
