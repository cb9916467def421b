// Drawing a model, its page matrix and printing it page by page, with its
// submodels or as the model tree.
#include "drawables/DrawingSwitches.h"
#include "drawables/Model.h"
#include "drawables/ModelPrinting.h"
#include "drawables/TextDrawing.h"
#include "drawables/ZoomScaling.h"
#include "platform/Errors.h"
#include "platform/Format.h"
#include "platform/PagedDevice.h"

#include <algorithm>

namespace qm {

namespace {

// Model trees deeper than this are not printed further.
constexpr int kMaxTreeDepth = 1000;

int32_t AtLeast1(int32_t size) {
    return size > 0 ? size : 1;
}

// Pages of size needed for extent: (extent + size - 1) / size, at least 1.
int32_t PagesFor(int64_t extent, int32_t size) {
    const int64_t n = (extent + AtLeast1(size) - 1) / AtLeast1(size);
    return int32_t(std::clamp<int64_t>(n, 1, 1 << 20));
}

void DrawFooter(DeviceContext& dc, const std::string& text, int32_t pageWidth, int32_t pageHeight,
                double scale) {
    Looks plain;
    plain.Init(false, nullptr);
    const CRect band(0, pageHeight, pageWidth, ClampCoordinate(int64_t(pageHeight) + kFooterBand));
    DrawLooksText(dc, plain, plain, text, band, scale);
}

int depth = 0;

struct DepthGuard {
    DepthGuard() { ++depth; }
    ~DepthGuard() { --depth; }
};

} // namespace

double DeviceScale(const PagedDevice& device, int32_t pageWidth) {
    if (pageWidth <= 0)
        return 1.0;
    return double(device.PrintableWidth()) / double(pageWidth);
}

namespace {

// True when the drawable's picture at the zoom may reach into clip: its
// repaint rectangle (which holds everything it draws) widened by a margin for
// pens that grow with the zoom.
bool MayReach(const Drawable& drawable, const CRect& clip, double zoom) {
    CRect extent = drawable.repaintRect;
    extent.NormalizeRect();
    extent = ScaleByZoom(extent, zoom);
    const int32_t margin = kRepaintMargin + std::max(1, TruncToInt32(zoom));
    extent.InflateRect(margin, margin);
    CRect meet;
    return meet.IntersectRect(extent, clip);
}

} // namespace

void Model::Draw(DeviceContext& dc, bool selectedOnly) {
    ScopedDrawingFlag flag(modelFlags & MfRenumber);
    CRect clip;
    const bool clipped = dc.GetClipBox(&clip);
    for (const auto& drawable : drawables_) {
        if (selectedOnly && !drawable->IsSelected(false))
            continue;
        // Outside the clip nothing would show: the drawable only computes
        // what its drawing leaves for later hit tests.
        if (clipped && !MayReach(*drawable, clip, zoom)) {
            drawable->PrepareDrawing();
            continue;
        }
        drawable->Draw(dc, &drawable->looks, zoom, nullptr, nullptr, 0);
    }
}

CSize Model::GetPageSize(bool unzoomed) const {
    const CRect& page = unzoomed ? pageMatrix : zoomedPageMatrix;
    return CSize(page.Width(), page.Height());
}

CSize Model::BestPageMatrix(int32_t pageWidth, int32_t pageHeight) {
    CRect drawing;
    GetBounds(drawing);
    const int32_t columns = PagesFor(drawing.right, pageWidth);
    const int32_t rows = PagesFor(drawing.bottom, pageHeight);
    SetPageMatrix(CRect(0, 0, ClampCoordinate(int64_t(columns) * AtLeast1(pageWidth)),
                        ClampCoordinate(int64_t(rows) * AtLeast1(pageHeight))));
    return CSize(columns, rows);
}

void Model::PrintWithSubmodels(const PrintJob& job, PagedDevice& device, int options,
                               int& pageNumber, int32_t pageWidth, int32_t pageHeight,
                               double atZoom) {
    if (depth >= kMaxTreeDepth)
        return;
    DepthGuard guard;
    PrintPages(job, device, options, pageNumber, pageWidth, pageHeight, atZoom);
    for (const auto& drawable : drawables_) {
        if (!drawable->IsPlace())
            continue;
        auto* node = dynamic_cast<NodeDrawable*>(drawable.get());
        Master* master = node != nullptr ? node->GetMaster() : nullptr;
        auto* submodel = master != nullptr ? dynamic_cast<Model*>(master->submodel) : nullptr;
        if (submodel == nullptr || submodel->IsMarked())
            continue;
        submodel->ModelObject::Mark(1, 1, 0);
        submodel->PrintWithSubmodels(job, device, options, pageNumber, pageWidth, pageHeight,
                                     atZoom);
    }
}

void Model::PrintPages(const PrintJob& job, PagedDevice& device, int options, int& pageNumber,
                       int32_t pageWidth, int32_t pageHeight, double atZoom) {
    if (atZoom == 0.0)
        atZoom = 1.0;
    const CRect zoomed = ScaleByZoom(pageMatrix, atZoom);
    const int32_t columns = PagesFor(zoomed.Width(), pageWidth);
    const int32_t rows = PagesFor(zoomed.Height(), pageHeight);
    const bool fit = (options & kPrintFitToPage) != 0;
    for (int32_t row = 0, column = 0; row < rows;) {
        ReportOperationFailure(device.StartPage(), "can't start page");
        if (fit) {
            PrintPage(job, device, options, pageNumber, CRect(0, 0, pageWidth, pageHeight), 1.0);
        } else {
            const int64_t left = int64_t(column) * pageWidth;
            const int64_t top = int64_t(row) * pageHeight;
            PrintPage(job, device, options, pageNumber,
                      CRect(ClampCoordinate(left), ClampCoordinate(top),
                            ClampCoordinate(left + pageWidth), ClampCoordinate(top + pageHeight)),
                      atZoom);
        }
        ReportOperationFailure(device.EndPage(), "can't end page");
        ++pageNumber;
        if (fit)
            break;
        if (++column == columns) {
            column = 0;
            ++row;
        }
    }
    if (job.modelPrinted)
        job.modelPrinted(*this);
}

void Model::PrintPage(const PrintJob& job, PagedDevice& device, int options, int pageNumber,
                      const CRect& pageRect, double atZoom) {
    DeviceContext& dc = device.DC();
    double scale = DeviceScale(device, pageRect.Width()) * atZoom;
    const CPoint oldOrigin = dc.GetViewportOrg();
    if ((options & kPrintPageFooter) != 0)
        DrawFooter(dc,
                   Format("Project <%s>    ~~~    Model <%s>    ~~~    Page <%d>",
                          job.title.c_str(), name.c_str(), pageNumber),
                   pageRect.Width(), pageRect.Height(), scale);
    if ((options & kPrintFitToPage) != 0) {
        CRect drawing;
        GetBounds(drawing);
        if (drawing.Width() > pageRect.Width() || drawing.Height() > pageRect.Height()) {
            const double w = AtLeast1(drawing.right), h = AtLeast1(drawing.bottom);
            scale *= std::min(pageRect.Width() / w, pageRect.Height() / h);
        }
    }
    const CPoint corner = ScaleByZoom(pageRect, scale).TopLeft();
    dc.SetViewportOrg(CPoint(oldOrigin.x - corner.x, oldOrigin.y - corner.y));
    for (const auto& drawable : drawables_)
        drawable->Draw(dc, &drawable->looks, scale, nullptr, nullptr, 0);
    dc.SetViewportOrg(oldOrigin);
}

void Model::PrintTreeItem(const PrintJob& job, ModelTree& tree, int item, PagedDevice& device,
                          int options, int& pageNumber, CPoint& position, int32_t pageWidth,
                          int32_t pageHeight) {
    if (depth >= kMaxTreeDepth)
        return;
    DepthGuard guard;
    DeviceContext& dc = device.DC();
    const double scale = DeviceScale(device, pageWidth);
    const int32_t lines =
        comment.empty() ? 0 : 1 + int32_t(std::count(comment.begin(), comment.end(), '\n'));
    const int32_t commentHeight = lines * kTreeCommentLine;
    if (int64_t(position.y) + kTreeNameRow + commentHeight >= pageHeight) {
        position.y = 0;
        ++pageNumber;
    }
    if (position.y == 0) {
        if (pageNumber > 1)
            ReportOperationFailure(device.EndPage(), "can't end page");
        ReportOperationFailure(device.StartPage(), "can't start page");
        if ((options & kPrintPageFooter) != 0)
            DrawFooter(dc,
                       Format("Project <%s>    ~~~    Model Tree    ~~~    Page <%d>",
                              job.title.c_str(), pageNumber),
                       pageWidth, pageHeight, scale);
    }
    Looks plain;
    plain.Init(false, nullptr);
    Looks bold = plain;
    bold.height = int16_t(plain.height - 4);
    bold.style |= kStyleBold;
    const LogPen oldPen = dc.SelectPen(PS_SOLID, 1, RGB(0, 0, 0));
    const LogBrush oldBrush = dc.SelectSolidBrush(RGB(0, 0, 0));
    for (int32_t x = 0; x <= position.x; x += kTreeIndent)
        dc.Ellipse(ScaleByZoom(CRect(x, position.y + 5, x + 2, position.y + 7), scale));
    dc.SelectPen(oldPen);
    dc.SelectBrush(oldBrush);
    DrawLooksText(dc, bold, bold, name,
                  CRect(position.x + 8, position.y, pageWidth, position.y + kTreeNameRow), scale);
    position.y += kTreeNameRow;
    if (lines > 0) {
        Looks italic = plain;
        italic.style |= kStyleItalic;
        DrawLooksText(dc, italic, italic, comment,
                      CRect(position.x + 28, position.y, pageWidth, position.y + commentHeight),
                      scale);
        position.y += commentHeight;
    }
    position.x += kTreeIndent;
    for (int child : tree.ChildItems(item)) {
        if (Model* model = tree.ItemModel(child))
            model->PrintTreeItem(job, tree, child, device, options, pageNumber, position, pageWidth,
                                 pageHeight);
    }
    position.x -= kTreeIndent;
}

} // namespace qm
