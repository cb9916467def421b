// The notation template file: reading and writing it list by list, each
// under its own heap mark; the icon strip's bitmap list; the built-in
// template with its 24 tools and its icon strip.
#include "drawables/TemplateFile.h"

#include "kernel/Kernel.h"
#include "kernel/Mark.h"
#include "platform/Colors.h"
#include "platform/Errors.h"
#include "platform/FileInRead.h"
#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/PathHelpers.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace qm {

using kest::Cell;
using kest::mkcons;
using kest::mkint;
using kest::nil;

namespace {

// The largest template file read: far beyond any template, small enough to
// be held in memory at once.
constexpr uint64_t kMaxTemplateFileBytes = uint64_t(256) << 20;
constexpr size_t kColourTableBytes = 4 * ToolBitmap::kColours;
constexpr size_t kBlockBytes = 256;

// Holds a heap mark for one top-level list: the list's cells are released
// when the list has become objects (or its reading failed).
class ListMark {
  public:
    ListMark() : outer_(kest::pushmark()) {}
    ~ListMark() { kest::popmark(outer_); }
    ListMark(const ListMark&) = delete;
    ListMark& operator=(const ListMark&) = delete;

  private:
    kest::HeapMark outer_;
};

// The 16 colours of the built-in strip, as palette entries 0 to 15.
const COLORREF kSixteenColours[16] = {
    RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
    RGB(0, 0, 128),     RGB(128, 0, 128), RGB(0, 128, 128), RGB(192, 192, 192),
    RGB(128, 128, 128), RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
    RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255),
};

// The palette entry of each character of the icon pictures below.
int IconColourOf(char c) {
    switch (c) {
    case '#':
        return 0; // black
    case 'R':
        return 1; // dark red
    case 'G':
        return 2; // dark green
    case 'Y':
        return 3; // dark yellow
    case 'B':
        return 4; // dark blue
    case 'M':
        return 5; // dark magenta
    case 'C':
        return 6; // dark cyan
    case '.':
        return 7; // light grey: the background, the button face
    case 'g':
        return 8; // grey
    case 'r':
        return 9; // red
    case 'e':
        return 10; // green
    case 'y':
        return 11; // yellow
    case 'b':
        return 12; // blue
    case 'm':
        return 13; // magenta
    case 'c':
        return 14; // cyan
    default:
        return 15; // 'w' white
    }
}

// The built-in icons, 16 x 15 pixels each: one per built-in tool, then the
// pointer, the tag and the line buttons.
const char* const kBuiltinIcons[27][kIconHeight] = {
    // 0 Inheritance
    {
        "................",
        "................",
        "................",
        "..........#.....",
        "..........##....",
        "..........###...",
        "..........####..",
        "###############.",
        "..........####..",
        "..........###...",
        "..........##....",
        "..........#.....",
        "................",
        "................",
        "................",
    },
    // 1 Has
    {
        "................",
        "................",
        "................",
        "................",
        "...........###..",
        "..........#####.",
        "..........#####.",
        "################",
        "..........#####.",
        "..........#####.",
        "...........###..",
        "................",
        "................",
        "................",
        "................",
    },
    // 2 Uses
    {
        "................",
        "................",
        "................",
        "................",
        "...........###..",
        "..........#www#.",
        "..........#www#.",
        "###########www##",
        "..........#www#.",
        "..........#www#.",
        "...........###..",
        "................",
        "................",
        "................",
        "................",
    },
    // 3 Association
    {
        "................",
        "................",
        "................",
        "................",
        "................",
        "................",
        "................",
        "################",
        "................",
        "................",
        "................",
        "................",
        "................",
        "................",
        "................",
    },
    // 4 Control Flow/Transition
    {
        "................",
        "................",
        "................",
        "...........#....",
        "............#...",
        ".............#..",
        "..............#.",
        "###############.",
        "..............#.",
        ".............#..",
        "............#...",
        "...........#....",
        "................",
        "................",
        "................",
    },
    // 5 Data Flow
    {
        "................",
        "................",
        "................",
        "..........#.....",
        "..........##....",
        "..........#w#...",
        "..........#ww#..",
        "###########ww##.",
        "..........#ww#..",
        "..........#w#...",
        "..........##....",
        "..........#.....",
        "................",
        "................",
        "................",
    },
    // 6 Message
    {
        "................",
        "................",
        "................",
        "................",
        "......#......#..",
        "......##.....##.",
        "......###....###",
        "################",
        "......###....###",
        "......##.....##.",
        "......#......#..",
        "................",
        "................",
        "................",
        "................",
    },
    // 7 Duplex
    {
        "................",
        "................",
        "................",
        "................",
        "...#........#...",
        "..##........##..",
        ".###........###.",
        "################",
        ".###........###.",
        "..##........##..",
        "...#........#...",
        "................",
        "................",
        "................",
        "................",
    },
    // 8 Binding
    {
        "................",
        "................",
        "................",
        "..........#.....",
        "..........##....",
        "..........###...",
        "..........####..",
        "##.##.##.######.",
        "..........####..",
        "..........###...",
        "..........##....",
        "..........#.....",
        "................",
        "................",
        "................",
    },
    // 9 Dependency
    {
        "................",
        "................",
        "................",
        "..........#.....",
        "..........##....",
        ".###......###...",
        "#www#.....####..",
        "#www#.##.######.",
        "#www#.....####..",
        ".###......###...",
        "..........##....",
        "..........#.....",
        "................",
        "................",
        "................",
    },
    // 10 Class
    {
        "................",
        ".##############.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".##############.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".##############.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".##############.",
        "................",
    },
    // 11 Object
    {
        "................",
        ".##############.",
        ".#wwwwwwwwwwww#.",
        ".#ww########ww#.",
        ".#wwwwwwwwwwww#.",
        ".##############.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".##############.",
        "................",
    },
    // 12 Category
    {
        "................",
        ".######.........",
        ".#yyyy#.........",
        ".##############.",
        ".#yyyyyyyyyyyy#.",
        ".#yyyyyyyyyyyy#.",
        ".#yyyyyyyyyyyy#.",
        ".#yyyyyyyyyyyy#.",
        ".#yyyyyyyyyyyy#.",
        ".#yyyyyyyyyyyy#.",
        ".#yyyyyyyyyyyy#.",
        ".#yyyyyyyyyyyy#.",
        ".##############.",
        "................",
        "................",
    },
    // 13 State
    {
        "................",
        "................",
        "...##########...",
        "..#wwwwwwwwww#..",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        "..#wwwwwwwwww#..",
        "...##########...",
        "................",
        "................",
    },
    // 14 Program
    {
        "................",
        ".###########....",
        ".#wwwwwwwww#....",
        ".#w#####www#g...",
        ".#wwwwwwwww#g...",
        ".#w#######w#g...",
        ".#wwwwwwwww#g...",
        ".#w####wwww#g...",
        ".#wwwwwwwww#g...",
        ".#w######ww#g...",
        ".#wwwwwwwww#g...",
        ".###########g...",
        "...gggggggggg...",
        "................",
        "................",
    },
    // 15 Module Spec
    {
        "................",
        "...###########..",
        "...#wwwwwww###..",
        "...#wwwwww#www#.",
        ".####wwwww#www#.",
        ".#ww#wwwwww###..",
        ".####wwwwwwww#..",
        "...#wwwwwwwww#..",
        ".####wwwwwwww#..",
        ".#ww#wwwwwwww#..",
        ".####wwwwwwww#..",
        "...#wwwwwwwww#..",
        "...###########..",
        "................",
        "................",
    },
    // 16 Module Body
    {
        "................",
        "...###########..",
        "...#ggggggg###..",
        "...#gggggg#www#.",
        ".####ggggg#www#.",
        ".#ww#gggggg###..",
        ".####gggggggg#..",
        "...#ggggggggg#..",
        ".####gggggggg#..",
        ".#ww#gggggggg#..",
        ".####gggggggg#..",
        "...#ggggggggg#..",
        "...###########..",
        "................",
        "................",
    },
    // 17 Subsystem
    {
        "................",
        "..##########....",
        ".#wwwwwwwwww#...",
        ".#wwwwwwwwww##..",
        ".#wwwwwwwwww##..",
        ".#wwwwwwwwww##..",
        ".#wwwwwwwwww##..",
        ".#wwwwwwwwww##..",
        ".#wwwwwwwwww##..",
        ".#wwwwwwwwww##..",
        ".#wwwwwwwwww##..",
        "..##########.#..",
        "...###########..",
        "................",
        "................",
    },
    // 18 Device
    {
        "................",
        "....###########.",
        "...#www.www.w##.",
        "..#www.www.w#w#.",
        ".############w#.",
        ".#wwwwwwwwww#w#.",
        ".#wwwwwwwwww#w#.",
        ".#wwwwwwwwww#w#.",
        ".#wwwwwwwwww#w#.",
        ".#wwwwwwwwww#w#.",
        ".#wwwwwwwwww#w#.",
        ".#wwwwwwwwww##..",
        ".############...",
        "................",
        "................",
    },
    // 19 Processor
    {
        "................",
        "....###########.",
        "...#ggggggggg##.",
        "..#ggggggggg#g#.",
        ".############g#.",
        ".#wwwwwwwwww#g#.",
        ".#wwwwwwwwww#g#.",
        ".#wwwwwwwwww#g#.",
        ".#wwwwwwwwww#g#.",
        ".#wwwwwwwwww#g#.",
        ".#wwwwwwwwww#g#.",
        ".#wwwwwwwwww##..",
        ".############...",
        "................",
        "................",
    },
    // 20 Output
    {
        "................",
        ".##########.....",
        ".#wwwwwwwww#....",
        ".#wwwwwwwwww#...",
        ".#wwwwwwwwwww#..",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwwww#",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwww#..",
        ".#wwwwwwwwww#...",
        ".#wwwwwwwww#....",
        ".##########.....",
        "................",
    },
    // 21 Input
    {
        "................",
        ".##############.",
        "..#wwwwwwwwwww#.",
        "...#wwwwwwwwww#.",
        "....#wwwwwwwww#.",
        ".....#wwwwwwww#.",
        "......#wwwwwww#.",
        ".......#wwwwww#.",
        "......#wwwwwww#.",
        ".....#wwwwwwww#.",
        "....#wwwwwwwww#.",
        "...#wwwwwwwwww#.",
        "..#wwwwwwwwwww#.",
        ".##############.",
        "................",
    },
    // 22 Interaction Point
    {
        "................",
        ".....######.....",
        "...##wwwwww##...",
        "..#wwwwwwwwww#..",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        "#wwwwwwwwwwwwww#",
        "#wwwwwwwwwwwwww#",
        "#wwwwwwwwwwwwww#",
        ".#wwwwwwwwwwww#.",
        ".#wwwwwwwwwwww#.",
        "..#wwwwwwwwww#..",
        "...##wwwwww##...",
        ".....######.....",
        "................",
    },
    // 23 Decision
    {
        ".......##.......",
        "......#ww#......",
        ".....#wwww#.....",
        "....#wwwwww#....",
        "...#wwwwwwww#...",
        "..#wwwwwwwwww#..",
        ".#wwwwwwwwwwww#.",
        "#wwwwwwwwwwwwww#",
        ".#wwwwwwwwwwww#.",
        "..#wwwwwwwwww#..",
        "...#wwwwwwww#...",
        "....#wwwwww#....",
        ".....#wwww#.....",
        "......#ww#......",
        ".......##.......",
    },
    // 24 Pointer
    {
        "................",
        "..#.............",
        "..##............",
        "..#w#...........",
        "..#ww#..........",
        "..#www#.........",
        "..#wwww#........",
        "..#wwwww#.......",
        "..#wwwwww#......",
        "..#www#####.....",
        "..#w#w#.........",
        "..##.#w#........",
        "..#..#w#........",
        "......#w#.......",
        ".......##.......",
    },
    // 25 Tag
    {
        "................",
        ".##########.....",
        ".#yyyyyyyy##....",
        ".#y######y#y#...",
        ".#yyyyyyyy#yy#..",
        ".#y###########..",
        ".#yyyyyyyyyyy#..",
        ".#y#########y#..",
        ".#yyyyyyyyyyy#..",
        ".#y#######yyy#..",
        ".#yyyyyyyyyyy#..",
        ".#yyyyyyyyyyy#..",
        ".#############..",
        "................",
        "................",
    },
    // 26 Line
    {
        "................",
        "................",
        ".............##.",
        "............##..",
        "...........##...",
        "..........##....",
        ".........##.....",
        "........##......",
        ".......##.......",
        "......##........",
        ".....##.........",
        "....##..........",
        "...##...........",
        "..##............",
        "................",
    },
};

// ---- reading ----

[[noreturn]] void Malformed(const char* what) {
    ReportOperationFailure(false, what);
    throw CIgnoreException(); // not reached: the fatal failure check throws
}

void ReadDiagrams(NotationTemplate& notation, Cell* list) {
    RecordReader r(kest::cdr(list), "diagrams");
    CheckedLength(r.Rest(), "diagrams", "records");
    // Records fill entries 0, 1, 2 ... in order (not matched by kind), at
    // most eight; all are checked before any entry changes.
    std::vector<std::unique_ptr<DiagramType>> read;
    while (!r.AtEnd() && read.size() < kDiagramTypeCount) {
        RecordReader entry(r.List("diagram type"), "diagram type");
        auto type = std::make_unique<DiagramType>();
        type->SetDetached();
        type->name = entry.String("name");
        type->description = entry.String("description");
        type->kind = entry.Int("kind");
        type->newModelSetting = entry.Int("new model setting");
        type->newModelFlags = entry.Int("new model flags");
        type->toolMask = uint32_t(entry.Int("tool mask"));
        read.push_back(std::move(type));
    }
    for (size_t i = 0; i < read.size(); ++i) {
        notation.diagramTypes[i].Assign(read[i].get());
        notation.guidMap.Add(&notation.diagramTypes[i]);
    }
}

// Takes a tool that failed to read out of the template's map again.
void DiscardTool(NotationTemplate& notation, std::unique_ptr<ToolModel> tool) {
    GuidScope scope = notation.Scope();
    tool->Detach(&scope);
}

void ReadTool(NotationTemplate& notation, Cell* list, double fileVersion) {
    GuidScope scope = notation.Scope();
    scope.fileVersion = fileVersion;
    auto tool = std::make_unique<ToolModel>(nullptr);
    try {
        tool->PersistTool(&scope, list);
    } catch (...) {
        DiscardTool(notation, std::move(tool));
        throw;
    }
    notation.AppendTool(std::move(tool));
}

// The strip's size and data, checked whole before anything changes.
struct BitmapRecord {
    int32_t width = 0;
    int32_t height = 0;
    int32_t parameter = 100;
    std::vector<uint8_t> bytes;
};

// (bitmap width height planes bitsPerPixel parameter byteCount block...):
// checks the list whole and fills b. Answers the problem of a list that does
// not hold, else null; a field of the wrong type throws the record reader's
// CKestException.
const char* CheckBitmap(Cell* list, BitmapRecord& b) {
    if (!kest::ispair(list) || kest::car(list) != kest::sym::bitmap)
        return "bitmap expected";
    RecordReader r(kest::cdr(list), "bitmap");
    b.width = r.Int("width");
    b.height = r.Int("height");
    r.Int("planes");
    r.Int("bits per pixel");
    b.parameter = r.Int("parameter");
    if (b.parameter < 1)
        b.parameter = 100;
    const int32_t count = r.Int("byte count");
    Cell* blocks = r.Rest();
    const int32_t blockCount = CheckedLength(blocks, "bitmap", "data blocks");
    const int64_t pixels = int64_t(b.width) * b.height;
    const bool sane = b.width > 0 && b.width % kIconWidth == 0 && b.height > 0 && count >= 0 &&
                      int64_t(count) >= pixels &&
                      int64_t(blockCount) == (int64_t(count) + 255) / 256;
    if (!sane)
        return "bad bitmap record in template";
    b.bytes.resize(size_t(blockCount) * kBlockBytes);
    size_t at = 0;
    for (Cell* c = blocks; c != nil; c = kest::cdr(c), at += kBlockBytes) {
        Cell* block = kest::car(c);
        if (block->type != kest::TChunk)
            return "bad bitmap record in template";
        std::memcpy(&b.bytes[at], block->a.chunk, kBlockBytes);
    }
    b.bytes.resize(size_t(count));
    return nullptr;
}

BitmapRecord ParseBitmap(Cell* list) {
    BitmapRecord b;
    if (const char* problem = CheckBitmap(list, b))
        Malformed(problem);
    return b;
}

// The bitmap list of width x height pixels followed by the colour table.
Cell* BitmapList(int32_t width, int32_t height, int32_t parameter,
                 const std::vector<uint8_t>& pixels,
                 const std::array<uint8_t, kColourTableBytes>& table) {
    std::vector<uint8_t> bytes(pixels);
    bytes.insert(bytes.end(), table.begin(), table.end());
    Cell* data = kest::mkbinary(bytes.size(), bytes.data());
    Cell* head = kest::mklist(kest::sym::bitmap, mkint(width), mkint(height), mkint(1), mkint(8),
                              mkint(parameter), nullptr);
    return kest::nconc(head, data);
}

// The colour table follows the pixels when the record holds it; a shorter
// tail replaces only the entries it holds.
void CopyColourTable(const BitmapRecord& b, size_t pixels, ToolBitmap& strip) {
    const size_t tail = std::min(kColourTableBytes, b.bytes.size() - pixels);
    std::copy_n(b.bytes.begin() + std::ptrdiff_t(pixels), tail, strip.ColourTable().begin());
}

// Built-in tool i as the built-in template holds it, not yet in the array.
std::unique_ptr<ToolModel> MakeBuiltinTool(NotationTemplate& notation, int i) {
    auto tool = std::make_unique<ToolModel>(&notation.guidMap);
    tool->Init(CSize(32, 32), "");
    tool->SetTool(int16_t(i), &notation.toolBitmap,
                  i < kBuiltinLinkTools ? ToolTypeLink : ToolTypePlace, kToolScale);
    BuildDefaultToolPalette(*tool, notation, i);
    return tool;
}

bool HasTool(const NotationTemplate& notation, int id) {
    for (const auto& tool : notation.tools) {
        if (tool->id == id)
            return true;
    }
    return false;
}

// Entries 0..23 must be the built-in tools, in order: they are indexed by id.
// Hidden tools are not written, so a built-in tool deleted from the explorer
// is missing from its file: it is put back at its entry, hidden again and
// registered under its id. A built-in tool that is present but out of its
// place still makes the file malformed.
void RestoreHiddenBuiltins(NotationTemplate& notation) {
    for (int i = 0; i < kBuiltinToolCount; ++i) {
        if (i < notation.ToolCount() && notation.ToolAt(i)->id == i)
            continue;
        if (HasTool(notation, i))
            Malformed("incorrect no. of tools in template");
        ToolModel* tool = notation.InsertTool(i, MakeBuiltinTool(notation, i));
        notation.HideTool(*tool);
        notation.guidMap.Register(i, nullptr, false, tool);
    }
}

void ReadTemplateLists(NotationTemplate& notation, kest::Channel* in) {
    double version = kCurrentFileVersion;
    {
        ListMark mark;
        Cell* header = kest::readexpr(in);
        kest::fileheader(false, kest::sym::notation, kest::ispair(header) ? header : nil, &version);
    }
    for (;;) {
        ListMark mark;
        Cell* list = kest::readexpr(in);
        if (list == kest::KernelSyms.eof)
            break;
        Cell* head = kest::ispair(list) ? kest::car(list) : nullptr;
        if (head == kest::sym::diagrams)
            ReadDiagrams(notation, list);
        else if (head == kest::sym::toolModel)
            ReadTool(notation, list, version);
        else if (head == kest::sym::bitmap)
            BitmapScriptor(notation, notation.toolBitmap, list, true);
        else
            Malformed("diagrams, toolModel, or bitmap expected");
    }
    RestoreHiddenBuiltins(notation);
    GuidScope scope = notation.Scope();
    for (auto& tool : notation.tools) {
        tool->ResolveRefs(nullptr, &scope, false);
        tool->iconStrip = &notation.toolBitmap;
    }
}

} // namespace

// ======================= the file =======================

void ReadTemplateText(NotationTemplate& notation, const std::string& text) {
    notation.builtIn = false;
    kest::LocalChannel in(text, kest::ChanRead);
    ReadTemplateLists(notation, in.get());
}

std::string WriteTemplateText(NotationTemplate& notation) {
    notation.builtIn = false;
    kest::LocalChannel out;
    GuidScope scope = notation.Scope();
    {
        ListMark mark;
        kest::prettyprint(kest::fileheader(false, kest::sym::notation, nullptr, nullptr), out.get(),
                          0, 0);
    }
    {
        ListMark mark;
        Cell* records = nil;
        for (size_t i = DiagramTypeTable::size(); i > 0; --i) {
            const DiagramType& t = notation.diagramTypes[i - 1];
            Cell* record =
                kest::mklist(kest::mkstr(t.name.c_str()), kest::mkstr(t.description.c_str()),
                             mkint(t.kind), mkint(t.newModelSetting), mkint(t.newModelFlags),
                             mkint(int32_t(t.toolMask)), nullptr);
            records = mkcons(record, records);
        }
        kest::prettyprint(mkcons(kest::sym::diagrams, records), out.get(), 0, 0);
    }
    for (int i = 0; i < notation.ToolCount(); ++i) {
        ToolModel& tool = *notation.ToolAt(i);
        // Built-in tools are always written, hidden or not, so that other
        // readers of the file find entries 0..23 in place.
        if (i >= kBuiltinToolCount && tool.IsHidden())
            continue;
        ListMark mark;
        kest::prettyprint(tool.PersistTool(&scope, nil), out.get(), 0, 0);
    }
    {
        ListMark mark;
        kest::prettyprint(BitmapScriptor(notation, notation.toolBitmap, nil, false), out.get(), 0,
                          0);
    }
    return out.Text();
}

void SerializeTemplateFile(NotationTemplate& notation, bool write) {
    notation.builtIn = false;
    if (write) {
        const std::string text = WriteTemplateText(notation);
        if (!WriteFileReplacing(notation.path, text))
            throw CKestException(Format("Can't open template file: %s", notation.path.c_str()));
        notation.modified = false;
        return;
    }
    std::optional<std::string> text = ReadWholeFile(notation.path, kMaxTemplateFileBytes);
    if (!text)
        throw CKestException(Format("Can't open template file: %s", notation.path.c_str()));
    ScopedFileInRead naming(notation.path);
    ReadTemplateText(notation, *text);
}

// ======================= the strip's list =======================

Cell* BitmapScriptor(NotationTemplate& notation, ToolBitmap& strip, Cell* list, bool create) {
    if (list == nullptr || list == nil) {
        if (strip.IsEmpty())
            throw CKestException("Couldn't access icon bitmap for template");
        return BitmapList(strip.Width(), strip.Height(), notation.bitmapParameter, strip.Pixels(),
                          strip.ColourTable());
    }
    BitmapRecord b = ParseBitmap(list);
    notation.bitmapParameter = b.parameter;
    const bool narrow = b.width <= kNarrowStripWidth;
    if (create || strip.Width() != b.width || strip.Height() != b.height)
        strip.Create(b.width, b.height);
    const size_t pixels = size_t(b.width) * size_t(b.height);
    std::copy_n(b.bytes.begin(), pixels, strip.Pixels().begin());
    CopyColourTable(b, pixels, strip);
    ReplaceBackgroundColour(strip);
    // A narrow strip is widened until it holds the reserved slots (one slot
    // for the usual 27-icon strip), so that reading never has to widen the
    // same strip again.
    if (create && narrow) {
        while (strip.SlotCount() < kFirstUserIconSlot)
            notation.EnlargeBitmap(nullptr, 0, -1);
    }
    return nil;
}

Cell* WriteIconBitmap(const ToolBitmap& icon, int32_t parameter) {
    if (icon.Width() != kIconWidth || icon.Height() != kIconHeight)
        throw CKestException("Couldn't access icon bitmap for template");
    return BitmapList(kIconWidth, kIconHeight, parameter, icon.Pixels(), icon.ColourTable());
}

bool ReadIconBitmap(Cell* list, ToolBitmap& icon) {
    BitmapRecord b;
    try {
        if (CheckBitmap(list, b) != nullptr)
            return false;
    } catch (const CKestException&) {
        return false;
    }
    if (b.width != kIconWidth || b.height != kIconHeight)
        return false;
    constexpr size_t pixels = size_t(kIconWidth) * size_t(kIconHeight);
    icon.Create(kIconWidth, kIconHeight);
    std::copy_n(b.bytes.begin(), pixels, icon.Pixels().begin());
    CopyColourTable(b, pixels, icon);
    return true;
}

void FillBitmapInfoHeader(BitmapInfoHeader& header, int32_t width, int32_t height,
                          uint32_t imageSize) {
    header = BitmapInfoHeader();
    header.width = width;
    header.height = -height;
    header.sizeImage = imageSize;
}

void ReplaceBackgroundColour(ToolBitmap& strip) {
    if (strip.IsEmpty())
        return;
    strip.SetColour(strip.Pixels()[0], GetSysColor(COLOR_BTNFACE));
}

// ======================= the built-in template =======================

void DrawBuiltinIconStrip(ToolBitmap& strip) {
    strip.Create(kBuiltinStripSlots * kIconWidth, kIconHeight);
    for (int i = 0; i < ToolBitmap::kColours; ++i)
        strip.SetColour(i, i < 16 ? kSixteenColours[i] : RGB(0, 0, 0));
    std::fill(strip.Pixels().begin(), strip.Pixels().end(), uint8_t(IconColourOf('.')));
    for (int icon = 0; icon < 27; ++icon) {
        for (int y = 0; y < kIconHeight; ++y) {
            for (int x = 0; x < kIconWidth; ++x)
                strip.SetPixel(icon * kIconWidth + x, y,
                               uint8_t(IconColourOf(kBuiltinIcons[icon][y][x])));
        }
    }
}

int CreateTemplate(NotationTemplate& notation, const std::string& name) {
    notation.path = name;
    if (FileNameOfPath(name) != kInternalTemplateName) {
        SerializeTemplateFile(notation, false);
        return 1;
    }
    notation.builtIn = true;
    notation.path = kInternalTemplateName;
    DrawBuiltinIconStrip(notation.toolBitmap);
    ReplaceBackgroundColour(notation.toolBitmap);
    notation.ownsBitmap = true;
    for (int i = 0; i < kBuiltinToolCount; ++i) {
        ToolModel* added = notation.AppendTool(MakeBuiltinTool(notation, i));
        notation.guidMap.Register(i, nullptr, false, added);
    }
    return 1;
}

} // namespace qm
