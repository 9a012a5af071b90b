#include "jobview/CJobViewDoc.h"

#include <new>

#include "jobview/JobStatistics.h"
#include "jobview/JobViewTexts.h"

DocumentKind documentKindForPath(std::string_view path) {
    for (const DocumentKindRule& rule : kDocumentKindRules)
        if (path.find(rule.substring) != std::string_view::npos)
            return rule.kind;
    return DocumentKind::Unknown;
}

CJobViewDoc::CJobViewDoc(JobViewPrompter& prompter) : prompter(prompter) {}

CJobViewDoc::~CJobViewDoc() = default;

void CJobViewDoc::clear() {
    jobFile.reset();
    floydImage.reset();
}

bool CJobViewDoc::OnNewDocument() {
    clear();
    return true;
}

bool CJobViewDoc::OnOpenDocument(const std::string& path) {
    clear();
    switch (documentKindForPath(path)) {
    case DocumentKind::Job:
        return openJob(path);
    case DocumentKind::Floyd:
        return openFloyd(path);
    case DocumentKind::Unknown:
        break;
    }
    return true;
}

namespace {

std::unique_ptr<JobFile::CJobFile> createParser(const std::string& path) {
    std::string modifiable = path; // the parser takes a modifiable narrow string
    try {
        return std::unique_ptr<JobFile::CJobFile>(new JobFile::CJobFile(modifiable.data()));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace

bool CJobViewDoc::openJob(const std::string& path) {
    const std::string error(jobViewText(JobViewText::ErrorLoadingTolm));
    std::uint16_t version = 0;
    {
        auto header = createParser(path);
        if (!header) {
            prompter.showMessage(error);
            return false;
        }
        // A file that cannot be read at all is an error the user must hear
        // about; only a readable job of another version is refused quietly.
        if (!header->ParseFileHeader()) {
            prompter.showMessage(error);
            return false;
        }
        version = header->formatVersion;
    }
    if (version != 3)
        return false;

    auto parser = createParser(path);
    if (!parser) {
        prompter.showMessage(error);
        return false;
    }
    // A job that does not parse would otherwise show as an empty label
    // without a word.
    if (!parser->Parse()) {
        prompter.showMessage(error);
        return false;
    }
    jobFile = std::move(parser);
    return true;
}

bool CJobViewDoc::openFloyd(const std::string& path) {
    floydImage = std::make_unique<FloydImage>();
    try {
        floydImage->Load(path);
    } catch (const FloydError& e) {
        floydImage.reset();
        prompter.showMessage(e.what());
        return false;
    }
    return true;
}

void CJobViewDoc::onShowFileStatistics() {
    if (floydImage) {
        prompter.showMessage(std::string(jobViewText(JobViewText::NoFloydStatistics)));
    } else if (jobFile) {
        prompter.showStatistics(computeStatistics(*jobFile));
    } else {
        prompter.showMessage(std::string(jobViewText(JobViewText::OpenTolmFirst)));
    }
}
