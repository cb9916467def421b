// Marks of the cell heap that a caller takes while another mark may already
// be active. savemark and restoremark (Cell.h) know one mark only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kest {

// A mark: the stack indexes and heap position restoremark returns to.
struct HeapMark {
    int evaltop, vartop, argtop, vlamframe;
    size_t block, used;
    char* next;
    uint32_t stamp;
    bool active = false;
};

// savemark for a mark taken while another may be active (a project file
// read or written, or an undo record made, while a script runs): returns the
// mark it replaces, which popmark makes active again once it has restored
// this one. Without it the outer run's restoremark would find no mark, and
// every cell the run made before the inner mark would stay for the rest of
// the process.
HeapMark pushmark();
// restoremark, then the mark pushmark returned is the active one again (when
// it was active).
void popmark(const HeapMark& outer);

} // namespace kest
