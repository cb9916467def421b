// The member clipboard transfer through the masters clipboard file.
#include "dialogs/sheets/MemberClipboard.h"

#include "document/CCASEDoc.h"
#include "document/DocumentRecords.h"
#include "document/ProjectFile.h"
#include "kernel/Kernel.h"
#include "model/GuidMap.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/Prompt.h"

namespace qm {

using kest::Cell;

namespace {

// The largest member clipboard file read.
constexpr uint64_t kMaxMemberClipboardBytes = uint64_t{64} << 20;

kest::Symbol* HeadOf(MemberKind kind) {
    switch (kind) {
    case MemberKind::Attribute:
        return kest::sym::attribute;
    case MemberKind::Method:
        return kest::sym::method;
    case MemberKind::Type:
        return kest::sym::type;
    case MemberKind::Exception:
        return kest::sym::exception;
    }
    return kest::sym::attribute;
}

Cell* PersistList(Master& container, MemberKind kind, GuidScope* scope, Cell* cells) {
    switch (kind) {
    case MemberKind::Attribute:
        return container.PersistAttributes(scope, cells);
    case MemberKind::Method:
        return container.PersistMethods(scope, cells);
    case MemberKind::Type:
        return container.PersistTypes(scope, cells);
    case MemberKind::Exception:
        return container.PersistExceptions(scope, cells);
    }
    return nullptr;
}

void ClearList(Master& container, MemberKind kind, GuidScope* scope) {
    switch (kind) {
    case MemberKind::Attribute:
        DetachList(scope, container.attributes);
        break;
    case MemberKind::Method:
        DetachList(scope, container.methods);
        break;
    case MemberKind::Type:
        DetachList(scope, container.types);
        break;
    case MemberKind::Exception:
        DetachList(scope, container.exceptions);
        break;
    }
}

void Write(const std::string& path, Master& container, MemberKind kind, GuidScope& scope) {
    std::unique_ptr<ReplacingFile> file;
    try {
        file = std::make_unique<ReplacingFile>(path, "Can't open clipboard file");
    } catch (const CKestException&) {
        throw CKestException(Format("Can't open clipboard file: %s", path.c_str()));
    }
    auto write = [&](Cell* record) {
        kest::LocalChannel out;
        kest::prettyprint(record, out.get(), 0, 0);
        file->Write(out.Text());
        file->Write("\n");
    };
    write(kest::fileheader(false, kest::sym::clipboard, nullptr, nullptr));
    write(kest::mkcons(HeadOf(kind), PersistList(container, kind, &scope, nullptr)));
    file->Commit();
}

void Read(const std::string& path, Master& container, MemberKind kind, GuidScope& scope) {
    std::optional<std::string> text = ReadWholeFile(path, kMaxMemberClipboardBytes);
    if (!text)
        throw CKestException(Format("Can't open clipboard file: %s", path.c_str()));
    kest::LocalChannel in(*text, kest::ChanRead);
    ReadTimeEvaluationOff noEvaluation;
    double version = 0;
    kest::fileheader(false, kest::sym::clipboard, kest::readexpr(in.get()), &version);
    scope.fileVersion = version;
    Cell* record = kest::readexpr(in.get());
    ReportOperationFailure(HasHead(record, HeadOf(kind)),
                           "Data on the clipboard is not of this type!", true);
    // A list of records: anything else after the head is a malformed file.
    if (!kest::islist(kest::cdr(record)))
        throw CKestException("Data on the clipboard is not a list of members");
    PersistList(container, kind, &scope, kest::cdr(record));
}

} // namespace

std::string MemberClipboardPath() {
    return CCASEDoc::ClipboardFile();
}

void ExchangeMemberClipboard(const std::string& path, Master& container, MemberKind kind,
                             int command) {
    // Two maps of the transfer's own: the records never meet a project's map.
    GuidMap projectMap;
    GuidMap templateMap;
    GuidScope scope(&projectMap, &templateMap, &projectMap);
    HeapMark mark;
    try {
        if (command == cmd::MemberPaste)
            Read(path, container, kind, scope);
        else
            Write(path, container, kind, scope);
    } catch (const CKestException& error) {
        // A reader error may leave the kernel's stacks part way.
        kest::resetstacks();
        if (command == cmd::MemberPaste)
            ClearList(container, kind, &scope);
        std::string text = std::string("Can't perform clipboard operation:\n") + error.Message();
        if (text.size() > 128)
            text.resize(128);
        MessageBox(text, PromptIcon::Exclamation);
    } catch (...) {
        kest::resetstacks();
        if (command == cmd::MemberPaste)
            ClearList(container, kind, &scope);
        throw;
    }
}

} // namespace qm
