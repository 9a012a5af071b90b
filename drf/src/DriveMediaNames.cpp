#include "drf/DriveMediaNames.h"

#include <array>
#include <cctype>
#include <string>

namespace drf {

namespace {

constexpr NameRow kMediaNames[] = {
    {101, "Generic"},
    {102, "MKM Gen 1.0 CD"},
    {103, "MKM Gen 1.0 DVD Undercoat"},
    {104, "MBI Gen 1.0 CD"},
    {105, "MBI Gen 1.0 DVD 2nd Sputter"},
    {106, "MKM Gen 1.0 DVD No Undercoat"},
    {107, "CMC Gen 1.0 CD"},
    {108, "MBI Gen 1.0 DVD No Undercoat"},
    {109, "CMC Gen 1.0 DVD No Undercoat"},
    {110, "MBI Gen 1.0 DVD pitted dummy"},
    {111, "MKM MV1.2 CD"},
    {112, "MKM MV1.2 DVD No Undercoat"},
    {113, "MBI MV1.2 CD"},
    {114, "MBI MV1.2 DVD No Undercoat"},
    {115, "CMC MV1.2 CD"},
    {116, "CMC MV1.2 DVD No Undercoat"},
    {117, "Prodisc MV1.2 CD"},
    {118, "Prodisc MV1.2 DVD No Undercoat"},
    {119, "MBI MV1.2 CD Color Background"},
    {120, "CMC MV1.2 CD Color Background"},
    {4090, "Prodisc Development CD"},
    {4091, "Prodisc Development DVD"},
    {4095, "Developmental Media"},
};

constexpr NameRow kDriveNames[] = {
    {101, "Generic"},
    {102, "Tolm"},
    {103, "HLDS CD"},
    {104, "HLDS JW1-1"},
    {105, "Philips 8651"},
    {106, "Toshiba TS-L532L"},
    {107, "HLDS JW2-1"},
    {108, "Lite-On SHW-16H5S"},
    {109, "HLDS JW3-1"},
    {110, "TSST K-Co TSH552L"},
    {111, "HLDS JW3+"},
    {112, "HLDS JR6"},
    {113, "Phillips 8851"},
    {114, "QSI Slimline"},
    {115, "HLDS JW3+ - Spiral Tracking"},
    {116, "TSST SuperMulti Slim (TS-L632L)"},
    {118, "MEI (Panasonic) Slim Multi (UJ-851)"},
    {119, "MEI (Panasonic) HH Multi (SW-9586)"},
    {120, "HLDS Slim JRS5"},
    {121, "TSST Super Multi Slim (TS-H652L)"},
    {122, "Liteon HH (165H6S)"},
    {123, "Liteon Slim (SSM-85H5S)"},
    {124, "HLDS HH JW5"},
    {125, "HLDS HH JW6 Seria ATA"},
    {126, "HLDS JR7"},
    {127, "TSST K-Co Slim (TS-L632M)"},
    {128, "TSST K-Co HH (TS-H652M)"},
    {129, "TSST K-Co HH (TS-H653L"},
    {130, "TSST K-Co Slot Load (TS-T632L)"},
    {131, "Pioneer HH (DVR-111)"},
    {132, "ASUS HH (DRW-1612BLT"},
    {133, "ME (Panasonic) HH S-ATA"},
    {134, "Liteon HH S-ATA (SHM-166H6S)"},
    {135, "Liteon S-ATA (SH-16A7L)"},
    {136, "Liteon P-ATA (SH-16A7H)"},
    {137, "Pioneer (DVR-K17C)"},
    {138, "Panasonic S-ATA (SW-9588)"},
    {139, "ASUS P-ATA (DRW-1612BL)"},
    {140, "TEAC (DV-W28EC)"},
    {141, "HLDS JR8 (GSA-H40L/GSA-H42L)"},
    {142, "HLDS (GSA-H60L/GSA-H62L)"},
    {143, "TSST Ultra Slim (TS-U632L)"},
    {144, "HLDS JW7-1 (GSA-H50L)"},
    {145, "Pioneer (DVR-K17C)"},
    {147, "HLDS Slim DVD Writer (GSA-T20L)"},
    {149, "Lite-ON DS-8A1H (DS-8A1H)"},
    {150, "Panasonic UJ-861B Slim (UJ-861B)"},
    {151, "Samsung TS-H653M (TS-H653M)"},
    {152, "Samsung TS-L632N (TS-L632N)"},
    {153, "Sony AD-7541A Slim (AD-7541A)"},
    {154, "Pioneer DVR-112C (DVR-112C)"},
    {155, "Lite-On DH-16A3H (DH-16A3H)"},
    {156, "Lite-On DH-16A3L (DH-16A3L)"},
    {157, "QSI AD-7561A (AD-7561A)"},
    {158, "TSST TS-L633L (TS-L633L)"},
    {159, "Asus DRW-2014L1T (DRW-2014L1T)"},
    {160, "HLDS K-Co GSA-H70L (GSA-H70L)"},
    {161, "HLDS K-Co GSA-H80L(GSA-H80L)"},
    {162, "HLDS K-Co GSA-H90L(GSA-H90L)"},
    {164, "TSST - Samsung TS-H653N (TS-H653N)"},
    {165, "TSST - Samsung TS-U633L (TS-U633L)"},
    {166, "TSST- Samsung TS-T633L (TS-T633L)"},
    {167, "HLDS GGW-H20L (GGW-H20L)"},
    {168, "HLDS GGC-H20L (GGC-H20L)"},
};

std::string displayText(std::int32_t id, std::string_view name, bool withNumber) {
    if (!withNumber)
        return std::string(name);
    return std::to_string(id) + ": " + std::string(name);
}

// Decimal value the way the C library's atoi reads it: blanks, sign, digits.
std::int32_t leadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > 0x7FFFFFFF)
            return 0;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

} // namespace

std::span<const NameRow> mediaNameRows() {
    return kMediaNames;
}
std::span<const NameRow> driveNameRows() {
    return kDriveNames;
}

DriveMediaNames::DriveMediaNames() {
    // emplace keeps the first name of an identifier that appears twice.
    for (const auto& row : kMediaNames)
        media_.emplace(row.id, std::string(row.name));
    for (const auto& row : kDriveNames)
        drives_.emplace(row.id, std::string(row.name));
}

std::string MediaDisplayText(std::int32_t mediaId, bool withNumber) {
    const DriveMediaNames names;
    const auto it = names.mediaNames().find(mediaId);
    return displayText(mediaId, it == names.mediaNames().end() ? kUnrecognizedMedia : it->second, withNumber);
}

std::int32_t MediaIdFromText(std::string_view text, bool withNumber) {
    const DriveMediaNames names;
    for (const auto& [id, name] : names.mediaNames()) {
        if (displayText(id, name, withNumber) == text)
            return id;
    }
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return 0;
    return leadingNumber(text.substr(0, colon));
}

std::string DriveName(std::int32_t driveId) {
    const DriveMediaNames names;
    const auto it = names.driveNames().find(driveId);
    return it == names.driveNames().end() ? std::string{} : it->second;
}

} // namespace drf
