// The document manager.
#include "document/DocumentManager.h"

#include "platform/Format.h"
#include "platform/PathHelpers.h"
#include "platform/Prompt.h"
#include "platform/Registry.h"

#include <algorithm>

namespace qm {

DocumentManager::DocumentManager(DocumentContext& context) : context_(context) {
    if (!context_.recentFiles)
        context_.recentFiles = [this](const std::string& path) { AddToRecentFiles(path); };
}

DocumentManager::~DocumentManager() {
    while (!documents_.empty())
        Destroy(documents_.back().get());
    context_.recentFiles = nullptr;
}

CCASEDoc* DocumentManager::Adopt(std::unique_ptr<CCASEDoc> document) {
    documents_.push_back(std::move(document));
    return documents_.back().get();
}

void DocumentManager::Destroy(CCASEDoc* document) {
    auto it = std::find_if(documents_.begin(), documents_.end(),
                           [&](const std::unique_ptr<CCASEDoc>& d) { return d.get() == document; });
    if (it == documents_.end())
        return;
    if (detachWindow)
        detachWindow(*document);
    document->SetFrame(nullptr);
    document->OnCloseDocument();
    documents_.erase(it);
}

CCASEDoc* DocumentManager::NewDocument() {
    auto document = std::make_unique<CCASEDoc>(context_);
    if (attachWindow)
        document->SetFrame(attachWindow(*document));
    if (!document->OnNewDocument()) {
        if (detachWindow)
            detachWindow(*document);
        document->OnCloseDocument();
        return nullptr;
    }
    return Adopt(std::move(document));
}

CCASEDoc* DocumentManager::OpenDocument(const std::string& path) {
    for (const std::unique_ptr<CCASEDoc>& open : documents_) {
        if (open->GetPathName() == path)
            return open.get();
    }
    auto document = std::make_unique<CCASEDoc>(context_);
    if (attachWindow)
        document->SetFrame(attachWindow(*document));
    if (std::exception_ptr failure = document->ReadDocument(path)) {
        // The half-read project and its window go first: the failure is
        // shown over what was there before the open.
        if (detachWindow)
            detachWindow(*document);
        document->OnCloseDocument();
        document.reset();
        CCASEDoc::ReportOpenFailure(failure);
        return nullptr;
    }
    AddToRecentFiles(path);
    return Adopt(std::move(document));
}

CCASEDoc* DocumentManager::OpenDocumentWithDialog() {
    if (context_.dialogs == nullptr)
        return nullptr;
    std::optional<std::string> path =
        context_.dialogs->AskOpenFile({"pro", "*.pro", "Project Files (*.pro) | *.pro ||"});
    return path ? OpenDocument(*path) : nullptr;
}

bool DocumentManager::SaveDocument(CCASEDoc& document) {
    return document.OnFileSave();
}

bool DocumentManager::SaveDocumentAs(CCASEDoc& document) {
    return document.OnFileSaveAs();
}

bool DocumentManager::SaveModified(CCASEDoc& document) {
    if (!document.IsModified())
        return true;
    std::string name = document.GetPathName().empty() ? std::string("Untitled")
                                                      : FileNameOfPath(document.GetPathName());
    switch (MessageBox(Format("Save changes to %s?", name.c_str()), PromptIcon::Exclamation,
                       PromptButtons::YesNoCancel)) {
    case PromptAnswer::Yes:
        return document.OnFileSave();
    case PromptAnswer::No:
        return true;
    case PromptAnswer::Ok:
    case PromptAnswer::Cancel:
    case PromptAnswer::Abort:
    case PromptAnswer::Retry:
    case PromptAnswer::Ignore:
        return false;
    }
    return false;
}

bool DocumentManager::CloseDocument(CCASEDoc* document) {
    if (document == nullptr || !SaveModified(*document))
        return false;
    Destroy(document);
    return true;
}

bool DocumentManager::CloseAll() {
    while (!documents_.empty()) {
        if (!CloseDocument(documents_.front().get()))
            return false;
    }
    return true;
}

void DocumentManager::AddToRecentFiles(const std::string& path) {
    recent_.erase(std::remove(recent_.begin(), recent_.end(), path), recent_.end());
    recent_.insert(recent_.begin(), path);
    if (recent_.size() > kRecentFileCount)
        recent_.resize(kRecentFileCount);
    SaveRecentFiles();
}

void DocumentManager::LoadRecentFiles() {
    Registry registry(RegistryRoot::CurrentUser);
    recent_.clear();
    for (size_t i = 1; i <= kRecentFileCount; ++i) {
        std::optional<std::string> value = registry.GetValue(kRecentFileKey, Format("File%zu", i));
        if (value && !value->empty())
            recent_.push_back(*value);
    }
}

void DocumentManager::SaveRecentFiles() const {
    if (!storeRecentFiles)
        return;
    Registry registry(RegistryRoot::CurrentUser);
    for (size_t i = 0; i < kRecentFileCount; ++i)
        registry.SetValue(kRecentFileKey, Format("File%zu", i + 1),
                          i < recent_.size() ? recent_[i] : std::string());
    registry.Flush();
}

} // namespace qm
