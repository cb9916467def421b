// The member clipboard: the Cut, Copy, Copy All and Paste of the member pages
// move member records through the masters clipboard file in the private
// temporary folder, so that another running instance of the same user can
// paste them. The file holds the clipboard header and one list headed by the
// member symbol of the page.
#pragma once

#include "dialogs/sheets/MemberRows.h"
#include "model/CommandIds.h"

#include <string>

namespace qm {

// Writes (Cut, Copy, Copy All) the matching member list of container into
// path, or reads (Paste) it from path into that list. Records are written
// and read in a scope of their own, so nothing is looked up in or entered
// into a project's id map. A kernel error (no file, a bad header, a reader
// error) is shown as "Can't perform clipboard operation:\n" and its message
// and the call returns; a file of another member kind is reported through
// the failure check, whose exception is passed on. A failed paste leaves
// the container's list empty.
void ExchangeMemberClipboard(const std::string& path, Master& container, MemberKind kind,
                             int command);

// The path of the clipboard file: the document's masters clipboard file.
std::string MemberClipboardPath();

} // namespace qm
