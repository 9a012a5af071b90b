// The job viewer's document: one print job or one floyd picture at a time.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "jobfile/JobFile.h"
#include "jobview/FloydImage.h"
#include "jobview/JobViewPrompter.h"

enum class DocumentKind { Unknown, Job, Floyd };

// Decided by the first of ".tlm", ".tolm", ".fld" found anywhere in the path
// (case-sensitive), in that order.
DocumentKind documentKindForPath(std::string_view path);

struct DocumentKindRule {
    std::string_view substring;
    DocumentKind kind;
};
inline constexpr DocumentKindRule kDocumentKindRules[] = {
    {".tlm", DocumentKind::Job},
    {".tolm", DocumentKind::Job},
    {".fld", DocumentKind::Floyd},
};

class CJobViewDoc {
public:
    static constexpr int kShowFileStatisticsCommand = 32771;

    explicit CJobViewDoc(JobViewPrompter& prompter);
    ~CJobViewDoc();
    CJobViewDoc(const CJobViewDoc&) = delete;
    CJobViewDoc& operator=(const CJobViewDoc&) = delete;

    // False when the file could not be opened; the document is then empty
    // and the user has been told why, except for a job whose header version
    // is not 3, which is refused without a word. A path of no known kind
    // opens as an empty document.
    bool OnOpenDocument(const std::string& path);
    bool OnNewDocument();
    void onShowFileStatistics();

    JobFile::CJobFile* job() const { return jobFile.get(); }
    FloydImage* floyd() const { return floydImage.get(); }

private:
    void clear();
    bool openJob(const std::string& path);
    bool openFloyd(const std::string& path);

    JobViewPrompter& prompter;
    std::unique_ptr<JobFile::CJobFile> jobFile;
    std::unique_ptr<FloydImage> floydImage;
};
