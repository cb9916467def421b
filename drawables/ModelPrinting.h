// What printing a model needs besides the paged device: the job's project
// title and progress report, and the model tree as the explorer shows it
// (reached through ModelTree until the explorer exists). The operations
// themselves are Model's (ModelDrawing.cpp).
#pragma once

#include "platform/Geometry.h"

#include <functional>
#include <string>
#include <vector>

namespace qm {

class Model;
class PagedDevice;

// Print option bits.
constexpr int kPrintFitToPage = 0x40;
constexpr int kPrintPageFooter = 0x80;

// The layout of a printed model tree, in model units.
constexpr int32_t kTreeNameRow = 21;
constexpr int32_t kTreeCommentLine = 17;
constexpr int32_t kTreeIndent = 20;
constexpr int32_t kFooterBand = 25;

struct PrintJob {
    // The project's title, named in the footers.
    std::string title;
    // Called after each model has printed its pages (the main frame's progress).
    std::function<void(const Model&)> modelPrinted;
};

// The model tree of a project: items numbered by the tree's owner.
class ModelTree {
  public:
    virtual ~ModelTree() = default;
    // The model an item carries, or null.
    virtual Model* ItemModel(int item) = 0;
    // The item's children, in order.
    virtual std::vector<int> ChildItems(int item) = 0;
};

// The printable width of the device divided by the page width in model
// units (1 when the page width is 0 or less).
double DeviceScale(const PagedDevice& device, int32_t pageWidth);

} // namespace qm
