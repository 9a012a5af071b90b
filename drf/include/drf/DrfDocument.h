// A drive resource file in memory: the whole file image, its header, one
// library factory per section. Values are edited in the image in place and
// the whole file is written back.
#pragma once

#include "drf/DrfHeader.h"
#include "drf/LibraryFactory.h"
#include "drf/PrintEngineResources.h"
#include "drf/Status.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace drf {

inline constexpr int kPrintEngineSection = 5;
// Files above this length are refused before anything is allocated for them
// (status 6): no drive resource file comes near it, and a 32-bit build could
// not hold much more.
inline constexpr std::uint64_t kMaxDrfFileSize = 256u * 1024u * 1024u;

class DrfDocument {
public:
    DrfDocument();
    ~DrfDocument();
    DrfDocument(const DrfDocument&) = delete;
    DrfDocument& operator=(const DrfDocument&) = delete;

    // Loads the file unless it is the one already loaded; returns an internal status.
    // A failed load leaves an empty model.
    int Load(const std::filesystem::path& path);

    // Queries: each first loads `path` (as Load) and returns a public result code.
    int GetDriveId(const std::filesystem::path& path, std::uint16_t& driveId);
    int GetFormatVersion(const std::filesystem::path& path, std::uint32_t& version);
    // Copies the first min(out.size(), 512) entries.
    int GetSupportedMedia(const std::filesystem::path& path, std::span<std::uint16_t> out);
    // As GetSupportedMedia for the unsupported list, but returns the internal status.
    int GetUnsupportedMedia(const std::filesystem::path& path, std::span<std::uint16_t> out);
    int IsMediaUnsupported(const std::filesystem::path& path, std::uint16_t mediaId, bool& unsupported);
    int FindPrintMode(const std::filesystem::path& path, std::uint16_t mediaId, std::uint16_t quality,
                      PrintModeInfo*& mode);
    int GetResources(const std::filesystem::path& path, std::uint16_t mediaId, std::uint16_t quality,
                     std::unique_ptr<PrintEngineResourcesImpl>& resources);
    // Writes a resource set into the loaded model (no file is touched). Refused
    // (status 10, lastReason() names the record) when two changed parts of the set
    // lie over the same bytes.
    int SetResources(std::uint16_t mediaId, std::uint16_t quality, const PrintEngineResourcesImpl& resources);
    // Writes the whole DRF to `path` through a temporary file beside it; the old file
    // survives any failure. Public result code. Refused (status 10, lastReason() names
    // the record) when values were changed through two kinds that share a record
    // since the load or the last save: the file could keep only one of them.
    int Save(const std::filesystem::path& path);

    // Internal status of the last Load, query or Save.
    int lastStatus() const { return lastStatus_; }
    // Why the last call failed, where the status alone does not say (a file too
    // long to load, a shared record changed through two kinds); empty otherwise.
    const std::string& lastReason() const { return lastReason_; }

    // ---- the model ----
    bool isLoaded() const { return loaded_; }
    const std::filesystem::path& path() const { return path_; }
    const DrfHeader& header() const { return header_; }
    const DrfHeader& loadedHeader() const { return loadedHeader_; }
    std::uint16_t driveId() const { return driveId_; }
    const std::vector<std::unique_ptr<LibraryFactory>>& libraries() const { return libraries_; }
    // The library of a section type (1-5); nullptr when the DRF has none.
    LibraryFactory* library(int sectionType) const;
    // Non-zero entries of a media list, in list order.
    std::vector<std::uint16_t> supportedMedia() const;
    std::vector<std::uint16_t> unsupportedMedia() const;

    // Print-mode lookups in the print-engine section; internal status.
    int findPrintModeForRead(std::uint16_t mediaId, std::uint16_t quality, PrintModeInfo*& mode) const;
    int findPrintModeForWrite(std::uint16_t mediaId, std::uint16_t quality, PrintModeInfo*& mode) const;

    // Loads from bytes already in memory (the path only names the document); internal status.
    int loadImage(std::vector<std::uint8_t> image, const std::filesystem::path& path);
    // The bytes Save would write; internal status. The header is updated only on success.
    int serialize(std::vector<std::uint8_t>& out, std::uint64_t maxSize = 0xFFFFFFFFu);

    void release();

private:
    int parseSections();
    int build(std::vector<std::uint8_t>& out, DrfHeader& header, bool& checked, std::uint64_t maxSize,
              std::string& reason);
    int checkMediaLists(DrfHeader& header, bool& checked) const;
    int query(const std::filesystem::path& path);
    int finish(int status, std::string reason = {});
    void saved(const DrfHeader& header, bool checked);

    std::filesystem::path path_;
    bool loaded_ = false;
    std::vector<std::uint8_t> image_;
    DrfHeader header_;
    DrfHeader loadedHeader_;
    bool mediaChecked_ = false;
    std::vector<std::unique_ptr<LibraryFactory>> libraries_;
    std::uint16_t driveId_ = 0;
    int lastStatus_ = 0;
    std::string lastReason_;
};

} // namespace drf
