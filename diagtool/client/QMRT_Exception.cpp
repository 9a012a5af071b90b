#include "diagtool/client/QMRT_Exception.h"

#include <array>

namespace QMRT {

namespace {

// For each 0xC004xxxx row the code is the low word, the catalogue code.
constexpr std::array<HResultMapping, 36> kTable{{
    {0x00000000u, kStatusSuccess},
    {0x80004005u, kStatusFailure},
    {0xC0040201u, 513},
    {0xC0040205u, 517},
    {0xC0040208u, 520},
    {0xC0040209u, 521},
    {0xC0040210u, 528},
    {0xC0040211u, 529},
    {0xC0040212u, 530},
    {0xC0040219u, 537},
    {0xC004021Au, 538},
    {0xC004021Bu, 539},
    {0xC004021Du, 541},
    {0xC004021Eu, 542},
    {0xC0040220u, 544},
    {0xC0040223u, 547},
    {0xC0040226u, 550},
    {0xC0040229u, 553},
    {0xC004022Au, 554},
    {0xC004022Bu, 555},
    {0xC004022Cu, 556},
    {0xC004022Du, 557},
    {0xC004022Eu, 558},
    {0xC004022Fu, 559},
    {0xC0040233u, 563},
    {0xC0040234u, 564},
    {0xC0040237u, 567},
    {0xC0040239u, 569},
    {0xC004023Bu, 571},
    {0xC004023Cu, 572},
    {0xC004023Du, 573},
    {0xC0041012u, 4114},
    {0xC0041080u, 4224},
    {0xC0041081u, 4225},
    {0xC0041087u, 4231},
    {0xC00410AFu, 4271},
}};

} // namespace

std::span<const HResultMapping> hresultTable() {
    return kTable;
}

std::int32_t mapHResult(std::int32_t hresult) {
    const auto wanted = static_cast<std::uint32_t>(hresult);
    for (const HResultMapping& row : kTable) {
        if (row.hresult == wanted) {
            return row.code;
        }
    }
    return kStatusUnmappedComFailure;
}

} // namespace QMRT
