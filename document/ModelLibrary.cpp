// The model library.
#include "document/ModelLibrary.h"

#include "document/CCASEDoc.h"
#include "document/ProjectFile.h"
#include "drawables/ToolModel.h"
#include "platform/Files.h"

#include <algorithm>
#include <cctype>
#include <unordered_set>

namespace qm {

namespace {

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) <
               std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

void SortClassMasters(std::vector<Master*>& masters) {
    std::unordered_set<std::string> seen;
    std::vector<Master*> kept;
    for (Master* master : masters) {
        if (seen.insert(master->name).second)
            kept.push_back(master);
    }
    std::stable_sort(kept.begin(), kept.end(), [](const Master* a, const Master* b) {
        return LessIgnoringCase(a->name, b->name);
    });
    masters = std::move(kept);
}

ModelLibrary::ModelLibrary(DocumentContext& context) : context_(context) {}

ModelLibrary::~ModelLibrary() {
    Close();
}

int ModelLibrary::OpenDocumentFile(const std::string& path) {
    if (document_ != nullptr && document_->GetPathName() == path)
        return 0;
    Close();
    document_ = std::make_unique<CCASEDoc>(context_, true);
    std::optional<std::string> text = ReadWholeFile(path, kMaxProjectFileBytes);
    if (!text)
        return 0;
    try {
        ScopedLibraryLoad reading(context_);
        document_->LoadText(*text);
    } catch (...) {
        document_.reset();
        throw;
    }
    document_->SetPathName(path);
    loaded_ = true;
    if (updateLibraryPanes)
        updateLibraryPanes(true);
    return 1;
}

void ModelLibrary::Close() {
    if (document_ != nullptr)
        document_->OnCloseDocument();
    document_.reset();
    loaded_ = false;
    classMasters_.clear();
    collected_ = false;
    if (updateLibraryPanes)
        updateLibraryPanes(false);
}

void ModelLibrary::CollectClassMasters() {
    classMasters_.clear();
    for (const std::unique_ptr<Master>& master : document_->Masters().Masters()) {
        const auto* tool = dynamic_cast<const ToolModel*>(master->tool);
        if (tool != nullptr && tool->semantics == SemClass)
            classMasters_.push_back(master.get());
    }
    SortClassMasters(classMasters_);
    collected_ = true;
}

void ModelLibrary::AddClassNames(std::vector<std::string>& names, int mode) {
    if (!loaded_ || document_ == nullptr || (mode != 1 && mode != 2))
        return;
    if (!collected_)
        CollectClassMasters();
    for (const Master* master : classMasters_)
        names.push_back(master->name);
}

} // namespace qm
