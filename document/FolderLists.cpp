// The file folders' records.
#include "document/FolderLists.h"

#include "kernel/Kernel.h"
#include "model/ListRecords.h"
#include "platform/Errors.h"

namespace qm {

using kest::Cell;

kest::Symbol* FolderSymbol(int folder) {
    switch (folder) {
    case FolderCode:
        return kest::sym::codeFiles;
    case FolderDocs:
        return kest::sym::docFiles;
    case FolderOther:
        return kest::sym::otherFiles;
    case FolderReversed:
        return kest::sym::revFiles;
    default:
        return kest::nil;
    }
}

Cell* FolderItemsScriptor(std::vector<std::string>* items, int folder, Cell* list,
                          const std::string& language) {
    kest::Symbol* head = FolderSymbol(folder);
    if (list == nullptr) {
        Cell* result = kest::nil;
        if (items != nullptr) {
            for (auto it = items->rbegin(); it != items->rend(); ++it)
                result = kest::mkcons(kest::mkstr(it->c_str(), it->size()), result);
        }
        if (folder == FolderReversed)
            result = kest::mkcons(kest::mkstr(language.c_str(), language.size()), result);
        return kest::mkcons(head, result);
    }

    const char* record = head == kest::nil ? "folder" : head->name;
    ReportOperationFailure(kest::ispair(list) && kest::car(list) == head, "", true);
    Cell* rest = kest::cdr(list);
    CheckedLength(rest, record, "files");
    if (folder == FolderReversed && kest::ispair(rest))
        rest = kest::cdr(rest);
    std::vector<std::string> read;
    RecordReader reader(rest, record);
    while (!reader.AtEnd())
        read.push_back(reader.String("file name"));
    if (items != nullptr)
        items->insert(items->end(), read.begin(), read.end());
    return kest::nil;
}

std::vector<std::string>* FolderLists::Of(int folder) {
    switch (folder) {
    case FolderCode:
        return &codeFiles;
    case FolderDocs:
        return &docFiles;
    case FolderOther:
        return &otherFiles;
    case FolderReversed:
        return &revFiles;
    default:
        return nullptr;
    }
}

} // namespace qm
