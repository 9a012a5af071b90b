#include "PrintJob.h"

#include "jobfile/JobWriter.h"
#include "jobgen/JobGenerator.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace discprintmgr {

namespace fs = std::filesystem;

namespace {

constexpr HRESULT kImageUnsupported = static_cast<HRESULT>(0xC0040211u);
constexpr HRESULT kInternalError = static_cast<HRESULT>(0xC004022Fu);
constexpr std::int32_t kLargestSide = 8192;
// Tracks between two progress events (and cancel questions).
constexpr std::size_t kProgressStep = 64;

std::uint32_t u32(const BYTE* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t u16(const BYTE* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// The picture a client hands over: a BITMAPINFOHEADER (uncompressed, 8, 24
// or 32 bits per pixel, rows bottom-up unless the height is negative) and
// its pixel rows. Everything is checked against the lengths given.
HRESULT readPicture(const PrintRequest& r, jobgen::GreyPicture& picture) {
    if (r.imageType != 0) {
        return kImageUnsupported;
    }
    if (r.header == nullptr || r.headerLength < 40 || r.bits == nullptr || r.bitsLength <= 0 ||
        u32(r.header) < 40 || static_cast<LONG>(u32(r.header)) > r.headerLength) {
        return QMCAPILib::QMCAPI_E_IMAGE_INVALID;
    }
    const auto width = static_cast<std::int32_t>(u32(r.header + 4));
    const auto rawHeight = static_cast<std::int32_t>(u32(r.header + 8));
    const std::uint16_t bitCount = u16(r.header + 14);
    const std::uint32_t compression = u32(r.header + 16);
    if (rawHeight == INT32_MIN || width < 1 || width > kLargestSide || rawHeight == 0 ||
        std::abs(rawHeight) > kLargestSide) {
        return QMCAPILib::QMCAPI_E_IMAGE_INVALID;
    }
    if (compression != 0 || (bitCount != 8 && bitCount != 24 && bitCount != 32)) {
        return kImageUnsupported;
    }
    const int height = std::abs(rawHeight);
    const std::size_t stride = ((static_cast<std::size_t>(width) * bitCount + 31) / 32) * 4;
    if (stride * static_cast<std::size_t>(height) > static_cast<std::size_t>(r.bitsLength)) {
        return QMCAPILib::QMCAPI_E_IMAGE_INVALID;
    }
    picture.width = width;
    picture.height = height;
    picture.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    const int step = bitCount / 8;
    for (int y = 0; y < height; ++y) {
        const BYTE* row = r.bits + stride * static_cast<std::size_t>(rawHeight > 0 ? height - 1 - y : y);
        for (int x = 0; x < width; ++x) {
            const BYTE* p = row + static_cast<std::size_t>(x) * static_cast<std::size_t>(step);
            // 8 bits: the grey level itself; otherwise BGR by the usual weights.
            const unsigned grey = step == 1 ? p[0] : (p[2] * 299u + p[1] * 587u + p[0] * 114u + 500u) / 1000u;
            picture.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                           static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(grey);
        }
    }
    return S_OK;
}

// The label the drive burns for this request, from its radii (as
// GetLabelRegion*Radius and GetPrintResolution report them).
HRESULT labelOptions(const PrintRequest& r, const SimulatedDrive& drive, jobgen::LabelOptions& options) {
    constexpr unsigned kResolutions[] = {1200, 1000, 600};
    if (r.quality < 0 || r.quality > 2 || r.labelMode < 0 || r.labelMode > 2) {
        return QMCAPILib::QMCAPI_E_BAD_ARGUMENT;
    }
    const long outer = static_cast<long>(drive.outerRadius) - 1400;
    const long inner = r.labelMode == 1 ? outer - 10600 : static_cast<long>(drive.innerRadius) + 8000;
    if (inner <= 0 || outer <= inner) {
        return QMCAPILib::QMCAPI_E_BAD_ARGUMENT;
    }
    options.innerRadius = static_cast<unsigned>(inner);
    options.outerRadius = static_cast<unsigned>(outer);
    options.firstTrackRadius = static_cast<unsigned>(inner);
    options.dotsPerInch = kResolutions[r.quality];
    options.spiral = r.optimize;
    return S_OK;
}

bool cancelled(QMCAPILib::IQMDiscPrintProgressEvents* events) {
    VARIANT_BOOL cancel = VARIANT_FALSE;
    return events != nullptr && SUCCEEDED(events->QueryCancel(&cancel)) && cancel != VARIANT_FALSE;
}

} // namespace

HRESULT printJob(const PrintRequest& request, const SimulatedDrive& drive, const fs::path& spoolFolder,
                 QMCAPILib::IQMDiscPrintProgressEvents* events) {
    jobgen::GreyPicture picture;
    jobgen::LabelOptions options;
    HRESULT hr = readPicture(request, picture);
    if (SUCCEEDED(hr)) {
        hr = labelOptions(request, drive, options);
    }
    if (FAILED(hr)) {
        return hr;
    }
    if (spoolFolder.empty()) {
        return QMCAPILib::QMCAPI_E_PRINT_FILE;
    }
    try {
        const JobFile::Job job = jobgen::makeJob(picture, options);
        const std::size_t total = job.tracks.size();
        // The burn, track by track, as far as progress and cancelling go.
        for (std::size_t done = 0; done < total; done += kProgressStep) {
            if (events != nullptr) {
                events->OnProgressA(static_cast<LONG>(done), static_cast<LONG>(total));
            }
            if (cancelled(events)) {
                return QMCAPILib::QMCAPI_E_ABORTPRINT;
            }
        }
        if (events != nullptr) {
            events->OnProgressA(static_cast<LONG>(total), static_cast<LONG>(total));
        }
        std::error_code ec;
        fs::create_directories(spoolFolder, ec);
        fs::path target;
        for (int n = 1; n < 10000 && target.empty(); ++n) {
            std::string name = std::to_string(n);
            name = "label-" + std::string(4 - std::min<std::size_t>(4, name.size()), '0') + name + ".tolm";
            if (!fs::exists(spoolFolder / name, ec)) {
                target = spoolFolder / name;
            }
        }
        std::string error;
        if (target.empty() || !JobFile::JobWriter::save(job, target, &error)) {
            return QMCAPILib::QMCAPI_E_PRINT_FILE;
        }
        if (events != nullptr) {
            const auto bytes = static_cast<LONG>(fs::file_size(target, ec));
            events->OnProgressB(bytes, bytes);
        }
        return S_OK;
    } catch (const jobgen::OptionError&) {
        return QMCAPILib::QMCAPI_E_BAD_ARGUMENT;
    } catch (const std::exception&) {
        return kInternalError;
    }
}

HRESULT printPreview(const PrintRequest& request, const fs::path& output, LONG* size) {
    jobgen::GreyPicture picture;
    const HRESULT hr = readPicture(request, picture);
    if (FAILED(hr)) {
        return hr;
    }
    size[0] = picture.width;
    size[1] = picture.height;
    if (output.empty()) {
        return S_OK;
    }
    // The picture as the drive sees it: its grey levels, as a 24-bit BMP.
    const std::size_t stride = ((static_cast<std::size_t>(picture.width) * 24 + 31) / 32) * 4;
    const std::size_t imageBytes = stride * static_cast<std::size_t>(picture.height);
    std::vector<std::uint8_t> file(54 + imageBytes, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            file[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
        }
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<std::uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(picture.width));
    put32(22, static_cast<std::uint32_t>(picture.height));
    file[26] = 1;
    file[28] = 24;
    put32(34, static_cast<std::uint32_t>(imageBytes));
    for (int y = 0; y < picture.height; ++y) {
        std::uint8_t* row = file.data() + 54 + stride * static_cast<std::size_t>(picture.height - 1 - y);
        for (int x = 0; x < picture.width; ++x) {
            std::memset(row + static_cast<std::size_t>(x) * 3, picture.at(x, y), 3);
        }
    }
    std::error_code ec;
    fs::create_directories(output.parent_path(), ec);
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    return out.good() ? S_OK : QMCAPILib::QMCAPI_E_PRINT_FILE;
}

} // namespace discprintmgr
