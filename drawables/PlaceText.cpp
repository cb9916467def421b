// The text a place's symbol shows and the sizes it needs: the compartment
// lines of the master's shown attributes, types and methods, the box of the
// master's template parameters, and the auto size that fits both around the
// place's centre.
//
// Text is built in growable strings; a room limit keeps the rule that the
// first line that does not fit ends its section (the lines before it stay),
// so a master with enormous members gives a long but bounded text. Widths
// are measured only with a device context; without one the fixed parts
// count (10 for the margin, 10 for a parameter line's height).
#include "drawables/FontFaceTable.h"
#include "drawables/NotationTool.h"
#include "drawables/Place.h"
#include "drawables/Primitives.h"
#include "model/Master.h"

#include <algorithm>

namespace qm {

namespace {

const char* const kGuillemetOpen = "\xC2\xAB";
const char* const kGuillemetClose = "\xC2\xBB";

// Selects the looks' font at zoom 1 for the lifetime of the object.
class ScopedLooksFont {
  public:
    ScopedLooksFont(DeviceContext* dc, const Looks& looks) : dc_(dc) {
        if (dc_ == nullptr)
            return;
        FontFaces().UpdateFont(font_, looks, 1.0);
        previous_ = dc_->SelectObject(font_);
    }
    ~ScopedLooksFont() {
        if (dc_ != nullptr)
            dc_->SelectFont(previous_);
    }
    ScopedLooksFont(const ScopedLooksFont&) = delete;
    ScopedLooksFont& operator=(const ScopedLooksFont&) = delete;

  private:
    DeviceContext* dc_;
    CFont font_;
    LogFont previous_;
};

// Appends one line (and its style code) when the whole line with its CR LF
// stays below the room; false when it does not fit.
bool AppendLine(std::string& text, std::string* codes, size_t room, const std::string& line,
                char code) {
    if (text.size() + line.size() + 2 >= room)
        return false;
    text += line;
    text += "\r\n";
    if (codes != nullptr)
        codes->push_back(code);
    return true;
}

std::string AttributeLine(const MasterAttribute& a, bool details) {
    const bool macro = (a.mode & ModeMacro) != 0;
    std::string line;
    if (!macro)
        line += AccessSign(a.access);
    line += a.name;
    if (details) {
        if (!macro && !a.type.empty())
            line += ": " + a.type;
        if (!a.value.empty())
            line += " = " + a.value;
    }
    return line;
}

std::string TypeLine(const MasterType& t, bool details) {
    std::string line(1, AccessSign(t.access));
    line += t.name;
    if (!details)
        return line;
    if (t.kind == TypeSimple) {
        line += ": " + t.definition;
    } else if (t.kind == TypeEnum || t.kind == TypeStruct) {
        line += ": {";
        for (size_t i = 0; i < t.elements.size(); ++i) {
            const Parameter& item = *t.elements[i];
            if (i > 0)
                line += ", ";
            line += item.name;
            if (t.kind == TypeStruct && !item.value.empty())
                line += ":" + item.value;
        }
        line += "}";
    }
    return line;
}

std::string MethodLine(const MasterMethod& m, bool details) {
    std::string line(1, AccessSign(m.access));
    line += m.name + "(";
    if (details) {
        for (size_t i = 0; i < m.parameters.size(); ++i) {
            const Parameter& p = *m.parameters[i];
            if (i > 0)
                line += ", ";
            line += p.name;
            if (!p.type.empty())
                line += ":" + p.type;
        }
    }
    line += ")";
    if (details && !m.returnType.empty())
        line += ": " + m.returnType;
    return line;
}

char MethodCode(const MasterMethod& m) {
    const bool classScope = (m.mode & ModeStatic) != 0;
    if ((m.mode & (ModeAbstract | ModeVirtual)) != 0)
        return classScope ? 'C' : 'I';
    return classScope ? 'U' : ' ';
}

// The widest of the member lines in the DC's current font. Shaping a line
// to measure it is the costly part of laying out a large class, and only
// the widest line counts: the lines are measured longest first, and a line
// of printable ASCII characters that even at the font's widest character
// (plus one for rounding) could not reach the widest so far is not measured.
int64_t WidestLine(DeviceContext& dc, std::vector<std::string>& lines) {
    std::stable_sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
        return a.size() > b.size();
    });
    const int64_t widestChar = dc.GetTextMetrics().maxCharWidth;
    int64_t widest = 0;
    for (const std::string& line : lines) {
        const bool plain = widestChar > 0 && std::all_of(line.begin(), line.end(), [](char c) {
                               return c >= 0x20 && c < 0x7f;
                           });
        if (plain && int64_t(line.size() + 1) * (widestChar + 1) <= widest)
            continue;
        widest = std::max<int64_t>(widest, dc.GetTextExtent(line).cx);
    }
    return widest;
}

int32_t Finish(int64_t width) {
    return int32_t(std::min<int64_t>(width + 10, kMaxCompartmentWidth));
}

} // namespace

int32_t Place::LayoutCompartments(std::string& text, std::string* codes, size_t room,
                                  uint32_t flagsShown, DeviceContext* dc, const Looks& placeLooks,
                                  CompartmentLayout& out) const {
    out = CompartmentLayout();
    if (master == nullptr)
        return Finish(0);
    ScopedLooksFont font(dc, placeLooks);
    int64_t width = 0;
    if (dc != nullptr) {
        const std::string name = master->FormatName(label, (style & DsScenarioPlace) != 0);
        const CSize extent = dc->GetTextExtent(name);
        width = extent.cx;
        out.nameHeight = extent.cy;
        out.lineHeight = extent.cy;
        if (!master->stereotype.empty()) {
            out.nameHeight *= 2;
            const CSize stereo = dc->GetTextExtent(std::string(kGuillemetOpen) +
                                                   master->stereotype + kGuillemetClose);
            width = std::max<int64_t>(width, stereo.cx);
        }
    }
    if ((flagsShown & PfCompartments) == 0)
        return Finish(width);
    if (dc != nullptr)
        out.lineHeight = dc->GetTextExtent("X").cy;
    const bool details = (flagsShown & PfDetails) != 0;
    std::vector<std::string> lines; // measured at the end, widest first
    auto measure = [&](const std::string& line) {
        if (dc != nullptr)
            lines.push_back(line);
    };

    const size_t attributeStart = text.size();
    bool fits = true;
    for (const auto& a : master->attributes) {
        if (!fits || (a->mode & ModeAnnotate) == 0)
            continue;
        const std::string line = AttributeLine(*a, details);
        fits = AppendLine(text, codes, room, line, (a->mode & ModeStatic) != 0 ? 'U' : ' ');
        if (fits) {
            ++out.attributeLines;
            measure(line);
        }
    }
    for (const auto& t : master->types) {
        if (!fits || (t->mode & ModeAnnotate) == 0)
            continue;
        const std::string line = TypeLine(*t, details);
        fits = AppendLine(text, codes, room, line, 'I');
        if (fits) {
            ++out.attributeLines;
            measure(line);
        }
    }
    out.attributeChars = int32_t(text.size() - attributeStart);
    const size_t methodStart = text.size();
    fits = true;
    for (const auto& m : master->methods) {
        if (!fits || (m->mode & ModeAnnotate) == 0)
            continue;
        const std::string line = MethodLine(*m, details);
        fits = AppendLine(text, codes, room, line, MethodCode(*m));
        if (fits) {
            ++out.methodLines;
            measure(line);
        }
    }
    out.methodChars = int32_t(text.size() - methodStart);
    if (dc != nullptr && !lines.empty())
        width = std::max(width, WidestLine(*dc, lines));
    return Finish(width);
}

int32_t Place::LayoutParameterText(std::string& text, size_t room, DeviceContext* dc,
                                   const Looks& placeLooks, int32_t& boxHeight,
                                   int32_t& lineHeight) const {
    ScopedLooksFont font(dc, placeLooks);
    lineHeight = dc != nullptr ? dc->GetTextExtent("X").cy : 10;
    int64_t width = std::min<int64_t>(20, bounds.Width() / 2);
    int64_t lines = 0;
    if (master != nullptr) {
        for (const auto& p : master->parameters) {
            std::string line = p->name;
            if (!p->type.empty())
                line += ": " + p->type;
            if (!AppendLine(text, nullptr, room, line, ' '))
                break;
            ++lines;
            if (dc != nullptr)
                width = std::max<int64_t>(width, dc->GetTextExtent(line).cx);
        }
    }
    boxHeight = lines > 0 ? int32_t(std::min<int64_t>(lines * lineHeight, kMaxCoordinate))
                          : std::min(10, bounds.Height() / 2);
    return int32_t(std::min<int64_t>(width + 2, kMaxCoordinate));
}

int Place::LayoutParameterBox(DeviceContext* dc, const Looks& placeLooks) {
    parameterBox.SetRectEmpty();
    NotationTool* tool = ToolOf(master);
    const TextPrimitive* frame = tool != nullptr ? tool->FindCompartmentText() : nullptr;
    if (frame == nullptr)
        return 0;
    const CRect sample = tool->SampleFrame();
    const CPoint p = frame->bounds.TopLeft();
    const bool upper = int64_t(p.y) - sample.top < int64_t(sample.bottom) - p.y;
    const bool left = int64_t(p.x) - sample.left < int64_t(sample.right) - p.x;
    std::string text;
    int32_t h = 0, lineHeight = 0;
    const int32_t w = LayoutParameterText(text, kPlaceTextRoom, dc, placeLooks, h, lineHeight);
    const int32_t dy = std::min(4, bounds.Height() / 2);
    const int32_t dx = std::min(w / 2, bounds.Width() / 2);
    CRect box;
    if (upper) {
        box.bottom = bounds.top + dy;
        box.top = box.bottom - h;
    } else {
        box.top = bounds.bottom - dy;
        box.bottom = box.top + h;
    }
    if (left) {
        box.right = bounds.left + dx;
        box.left = box.right - w;
    } else {
        box.left = bounds.right - dx;
        box.right = box.left + w;
    }
    parameterBox = ClampRect(box);
    UpdateRepaintRect();
    return lineHeight;
}

bool Place::FitTextSize(DeviceContext* dc, CRect& label, CSize& fitted) const {
    NotationTool* tool = ToolOf(master);
    if (tool == nullptr)
        return false;
    std::string text;
    CompartmentLayout layout;
    const int32_t w =
        LayoutCompartments(text, nullptr, kPlaceTextRoom, placeFlags, dc, looks, layout);
    const int64_t n = (placeFlags & PfCompartments) != 0
                          ? int64_t(layout.attributeLines) + layout.methodLines
                          : 0;
    const int64_t h = int64_t(layout.nameHeight) + (n > 0 ? (n + 1) * layout.lineHeight : 0);
    if (label.IsRectEmpty())
        label.InflateRect(1, 1);
    label.InflateRect(int32_t((w - int64_t(label.Width())) / 2),
                      int32_t((std::min<int64_t>(h, kMaxCoordinate) - label.Height()) / 2));
    label = ClampRect(label);
    CRect placeRect;
    tool->ComputeNameRect(label, placeRect);
    fitted = CSize(placeRect.Width(), placeRect.Height());
    return true;
}

void Place::ComputeAutoSize(DeviceContext* dc, CRect& rect) {
    rect = bounds;
    if (master == nullptr)
        return;
    if ((master->flags & MoToolMissing) != 0) {
        const CPoint c = bounds.CenterPoint();
        bounds = CRect(c.x - 35, c.y - 25, c.x + 35, c.y + 25);
        rect = bounds;
        labelRect = rect;
        labelRect.DeflateRect(2, 2);
        return;
    }
    CSize fitted;
    if (!FitTextSize(dc, labelRect, fitted))
        return;
    const CRect sample = ToolOf(master)->SampleFrame();
    const int64_t width = std::max<int64_t>(fitted.cx, sample.Width() / 2);
    const int64_t height = std::max<int64_t>(fitted.cy, sample.Height() / 2);
    rect = bounds;
    rect.InflateRect(int32_t((width - bounds.Width()) / 2),
                     int32_t((height - bounds.Height()) / 2));
    rect = ClampRect(rect);
}

void Place::ComputeGrownToText(DeviceContext* dc, CRect& rect) const {
    rect = bounds;
    if (master == nullptr || (master->flags & MoToolMissing) != 0)
        return;
    CRect label = labelRect;
    CSize fitted;
    if (!FitTextSize(dc, label, fitted))
        return;
    const int32_t dx = std::max(0, int32_t((int64_t(fitted.cx) - bounds.Width() + 1) / 2));
    const int32_t dy = std::max(0, int32_t((int64_t(fitted.cy) - bounds.Height() + 1) / 2));
    rect.InflateRect(dx, dy);
    rect = ClampRect(rect);
}

} // namespace qm
