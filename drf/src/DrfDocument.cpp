#include "drf/DrfDocument.h"

#include "drf/ByteOrder.h"
#include "drf/Status.h"
#include "platform/FileReplace.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <limits>
#include <new>
#include <system_error>

namespace drf {

namespace {

bool listed(const std::array<std::uint16_t, kMediaListSize>& list, std::uint16_t mediaId) {
    // Zero marks an unused entry, never a media.
    return mediaId != 0 && std::find(list.begin(), list.end(), mediaId) != list.end();
}

bool appendMedia(std::array<std::uint16_t, kMediaListSize>& list, std::uint16_t mediaId) {
    auto free = std::find(list.begin(), list.end(), std::uint16_t{0});
    if (mediaId == 0 || free == list.end())
        return false;
    *free = mediaId;
    return true;
}

std::vector<std::uint16_t> nonZero(const std::array<std::uint16_t, kMediaListSize>& list) {
    std::vector<std::uint16_t> ids;
    std::copy_if(list.begin(), list.end(), std::back_inserter(ids), [](std::uint16_t id) { return id != 0; });
    return ids;
}

int readWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& image, std::string& reason) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return kCannotOpen;
    in.seekg(0, std::ios::end);
    const std::streamoff length = in.tellg();
    if (length < 0)
        return kCorrupt;
    // Checked before the length becomes a size_t: on a 32-bit build a longer file
    // would be cut to a small buffer.
    static_assert(kMaxDrfFileSize <= std::numeric_limits<std::size_t>::max());
    if (static_cast<std::uint64_t>(length) > kMaxDrfFileSize) {
        reason = "the file is " + std::to_string(length) + " bytes long; drive resource files above " +
                 std::to_string(kMaxDrfFileSize / (1024 * 1024)) + " MiB are refused";
        return kOutOfMemory;
    }
    in.seekg(0, std::ios::beg);
    try {
        image.assign(static_cast<std::size_t>(length), 0);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    if (length > 0 && !in.read(reinterpret_cast<char*>(image.data()), length))
        return kCorrupt;
    return kOk;
}

// A failed write or rename reports as a library that could not be written;
// the target is never touched before the rename.
int replaceFile(const std::filesystem::path& target, const std::vector<std::uint8_t>& bytes,
                std::string& reason) {
    return qmplatform::writeFileReplacing(target, bytes, reason) ? kOk : kLibraryMissing;
}

} // namespace

DrfDocument::DrfDocument() = default;
DrfDocument::~DrfDocument() = default;

void DrfDocument::release() {
    libraries_.clear();
    image_.clear();
    image_.shrink_to_fit();
    path_.clear();
    loaded_ = false;
    header_ = DrfHeader{};
    loadedHeader_ = DrfHeader{};
    mediaChecked_ = false;
    driveId_ = 0;
}

int DrfDocument::finish(int status, std::string reason) {
    lastStatus_ = status;
    lastReason_ = std::move(reason);
    return status;
}

LibraryFactory* DrfDocument::library(int sectionType) const {
    for (const auto& library : libraries_) {
        if (library->sectionType() == sectionType)
            return library.get();
    }
    return nullptr;
}

std::vector<std::uint16_t> DrfDocument::supportedMedia() const {
    return nonZero(header_.supportedMedia);
}
std::vector<std::uint16_t> DrfDocument::unsupportedMedia() const {
    return nonZero(header_.unsupportedMedia);
}

int DrfDocument::Load(const std::filesystem::path& path) {
    if (loaded_ && path == path_ && !image_.empty())
        return finish(kOk);
    release();
    std::vector<std::uint8_t> image;
    std::string reason;
    if (int s = readWholeFile(path, image, reason); s != kOk)
        return finish(s, std::move(reason));
    return loadImage(std::move(image), path);
}

int DrfDocument::loadImage(std::vector<std::uint8_t> image, const std::filesystem::path& path) {
    release();
    image_ = std::move(image);
    int status = kOk;
    if (image_.size() < 8 || !std::equal(kDrfSignature.begin(), kDrfSignature.end(), image_.begin())) {
        status = kCorrupt;
    } else {
        const std::uint32_t version =
            readLe<std::uint32_t>(image_.data() + kHeaderFields[kHdFormatVersion].offset);
        if (version > kMaxFormatVersion)
            status = kVersionTooHigh;
        else if (image_.size() < kDrfHeaderSize)
            status = kHeaderInvalid;
    }
    if (status == kOk) {
        parseDrfHeader(image_, header_);
        if (header_.sectionCount == 0 || header_.sectionCount > kMaxSections ||
            header_.headerSize != kDrfHeaderSize)
            status = kHeaderInvalid;
    }
    if (status == kOk)
        status = parseSections();
    if (status != kOk) {
        release();
        return finish(status);
    }
    loadedHeader_ = header_;
    path_ = path;
    loaded_ = true;
    driveId_ = header_.driveId;
    return finish(kOk);
}

int DrfDocument::parseSections() {
    for (std::size_t i = 0; i < header_.sectionCount; ++i) {
        const int type = header_.sectionType[i];
        // Sizes and generations are found by type at position type - 1, so any other
        // directory order would read another section's bytes.
        if (type != static_cast<int>(i) + 1)
            return kCorrupt;
        auto library = createLibraryFactory(type, header_.generationOfType(type), this);
        if (!library)
            return kCorrupt;
        if (!library->isValid())
            return kGenerationUnsupported;
        const std::uint64_t offset = header_.offsetOfType(type);
        const std::uint64_t size = header_.sizeOfType(type);
        if (offset + size > image_.size())
            return kCorrupt;
        std::span<std::uint8_t> section(image_.data() + offset, static_cast<std::size_t>(size));
        if (library->parseSection(section) != kOk)
            return kCorrupt;
        libraries_.push_back(std::move(library));
    }
    return kOk;
}

int DrfDocument::query(const std::filesystem::path& path) {
    return Load(path);
}

int DrfDocument::GetDriveId(const std::filesystem::path& path, std::uint16_t& driveId) {
    if (int s = query(path); s != kOk)
        return toResult(s);
    driveId = header_.driveId;
    return toResult(finish(kOk));
}

int DrfDocument::GetFormatVersion(const std::filesystem::path& path, std::uint32_t& version) {
    if (int s = query(path); s != kOk)
        return toResult(s);
    version = header_.formatVersion;
    return toResult(finish(kOk));
}

int DrfDocument::GetSupportedMedia(const std::filesystem::path& path, std::span<std::uint16_t> out) {
    if (int s = query(path); s != kOk)
        return toResult(s);
    std::copy_n(header_.supportedMedia.begin(), std::min(out.size(), kMediaListSize), out.begin());
    return toResult(finish(kOk));
}

int DrfDocument::GetUnsupportedMedia(const std::filesystem::path& path, std::span<std::uint16_t> out) {
    if (int s = query(path); s != kOk)
        return s;
    std::copy_n(header_.unsupportedMedia.begin(), std::min(out.size(), kMediaListSize), out.begin());
    return finish(kOk);
}

int DrfDocument::IsMediaUnsupported(const std::filesystem::path& path, std::uint16_t mediaId,
                                    bool& unsupported) {
    if (int s = query(path); s != kOk)
        return toResult(s);
    unsupported = listed(header_.unsupportedMedia, mediaId);
    return toResult(finish(kOk));
}

int DrfDocument::findPrintModeForRead(std::uint16_t mediaId, std::uint16_t quality,
                                      PrintModeInfo*& mode) const {
    const LibraryFactory* engine = library(kPrintEngineSection);
    if (!engine)
        return kLibraryMissing;
    if (listed(header_.unsupportedMedia, mediaId))
        return kMediaUnsupported;
    bool mediaKnown = false;
    for (const auto& candidate : engine->printModes()) {
        const PrintModeKey& key = candidate->key();
        if (key.mediaId != mediaId)
            continue;
        mediaKnown = true;
        if (key.driveId == header_.driveId && key.qualityId == quality) {
            mode = candidate.get();
            return key.availability > 0 ? kOk : kNoData;
        }
    }
    return mediaKnown ? kNoData : kHeaderCheckFailed;
}

int DrfDocument::findPrintModeForWrite(std::uint16_t mediaId, std::uint16_t quality,
                                       PrintModeInfo*& mode) const {
    const LibraryFactory* engine = library(kPrintEngineSection);
    if (!engine)
        return kLibraryMissing;
    bool mediaKnown = false;
    for (const auto& candidate : engine->printModes()) {
        const PrintModeKey& key = candidate->key();
        if (key.mediaId != mediaId)
            continue;
        mediaKnown = true;
        if (key.qualityId == quality) {
            mode = candidate.get();
            return key.availability > 0 ? kOk : kNoData;
        }
    }
    return mediaKnown ? kNoData : kHeaderCheckFailed;
}

int DrfDocument::FindPrintMode(const std::filesystem::path& path, std::uint16_t mediaId,
                               std::uint16_t quality, PrintModeInfo*& mode) {
    if (int s = query(path); s != kOk)
        return toResult(s);
    return toResult(finish(findPrintModeForRead(mediaId, quality, mode)));
}

int DrfDocument::GetResources(const std::filesystem::path& path, std::uint16_t mediaId, std::uint16_t quality,
                              std::unique_ptr<PrintEngineResourcesImpl>& resources) {
    if (int s = query(path); s != kOk)
        return toResult(s);
    const LibraryFactory* engine = library(kPrintEngineSection);
    if (!engine)
        return toResult(finish(kLibraryMissing));
    PrintModeInfo* mode = nullptr;
    if (int s = findPrintModeForRead(mediaId, quality, mode); s != kOk)
        return toResult(finish(s));
    auto set = createPrintEngineResources(engine->generation());
    if (!set)
        return toResult(finish(kGenerationUnsupported));
    const int status = readResourceSet(*engine, *mode, *set);
    resources = std::move(set);
    return toResult(finish(status));
}

int DrfDocument::SetResources(std::uint16_t mediaId, std::uint16_t quality,
                              const PrintEngineResourcesImpl& resources) {
    const LibraryFactory* engine = library(kPrintEngineSection);
    if (!engine)
        return toResult(finish(kLibraryMissing));
    PrintModeInfo* mode = nullptr;
    if (int s = findPrintModeForWrite(mediaId, quality, mode); s != kOk)
        return toResult(finish(s));
    std::string reason;
    const int status = writeResourceSet(*engine, *mode, resources, &reason);
    return toResult(finish(status, std::move(reason)));
}

int DrfDocument::checkMediaLists(DrfHeader& header, bool& checked) const {
    for (const auto& library : libraries_) {
        for (const auto& mode : library->printModes()) {
            const std::uint16_t mediaId = mode->key().mediaId;
            if (listed(header.unsupportedMedia, mediaId)) {
                std::printf("Media %d is listed as an unsupported media type\n", static_cast<int>(mediaId));
                std::fflush(stdout);
                return kMediaListInconsistent;
            }
            if (listed(header.supportedMedia, mediaId))
                continue;
            // Only the first library on the first save may extend the supported list.
            if (checked || !appendMedia(header.supportedMedia, mediaId))
                return kMediaListInconsistent;
        }
        checked = true;
    }
    return kOk;
}

int DrfDocument::build(std::vector<std::uint8_t>& out, DrfHeader& header, bool& checked,
                       std::uint64_t maxSize, std::string& reason) {
    header = header_;
    checked = mediaChecked_;
    for (const auto& library : libraries_) {
        if (int s = library->checkSharedEdits(reason); s != kOk)
            return s;
    }
    std::vector<std::uint64_t> sizes;
    std::uint64_t total = kDrfHeaderSize;
    for (const auto& library : libraries_) {
        std::uint64_t size = 0;
        if (int s = library->planSection(size); s != kOk)
            return s;
        const auto position = static_cast<std::size_t>(library->sectionType() - 1);
        header.sectionSize[position] = static_cast<std::uint32_t>(size);
        header.sectionGeneration[position] = library->generation();
        sizes.push_back(size);
        total += size;
    }
    if (total > maxSize)
        return kOutOfMemory;
    if (int s = checkMediaLists(header, checked); s != kOk)
        return s;
    header.headerSize = kDrfHeaderSize;
    header.noticeText.fill(0);
    std::copy_n(kNoticeText.begin(), std::min(kNoticeText.size(), header.noticeText.size() - 1),
                header.noticeText.begin());

    std::vector<std::uint8_t> bytes;
    try {
        bytes.assign(static_cast<std::size_t>(total), 0);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
    writeDrfHeader(header, std::span<std::uint8_t, kDrfHeaderSize>(bytes.data(), kDrfHeaderSize));
    std::size_t offset = kDrfHeaderSize;
    for (std::size_t i = 0; i < libraries_.size(); ++i) {
        std::span<std::uint8_t> section(bytes.data() + offset, static_cast<std::size_t>(sizes[i]));
        if (int s = libraries_[i]->serializeSection(section); s != kOk)
            return s;
        offset += section.size();
    }
    out = std::move(bytes);
    return kOk;
}

void DrfDocument::saved(const DrfHeader& header, bool checked) {
    header_ = header;
    mediaChecked_ = checked;
    for (const auto& library : libraries_)
        library->markSaved();
}

int DrfDocument::serialize(std::vector<std::uint8_t>& out, std::uint64_t maxSize) {
    DrfHeader header;
    bool checked = false;
    std::string reason;
    if (int s = build(out, header, checked, maxSize, reason); s != kOk)
        return finish(s, std::move(reason));
    saved(header, checked);
    return finish(kOk);
}

int DrfDocument::Save(const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes;
    DrfHeader header;
    bool checked = false;
    std::string reason;
    if (int s = build(bytes, header, checked, 0xFFFFFFFFu, reason); s != kOk)
        return toResult(finish(s, std::move(reason)));
    if (int s = replaceFile(path, bytes, reason); s != kOk)
        return toResult(finish(s, std::move(reason)));
    saved(header, checked);
    return toResult(finish(kOk));
}

} // namespace drf
