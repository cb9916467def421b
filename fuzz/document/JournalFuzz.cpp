// Fuzz target of undo and redo: any bytes stand as one record of the undo
// journal of a small fixture project and are replayed against it. The first
// byte chooses the change recorded, and so the record's kind (bits 0x7F,
// modulo the number of changes: replace, annotation, property changes, model
// move, drawables move, delete, cut, masters delete, order, rotation,
// reposition, link style, the groupings, a swimlane, the resize, drag and
// delete of a call box, the delete of a junction with its link, an ungroup,
// a tool resized, a tool's icon painted, a drag out of a swimlane, a master
// deleted with its exploded submodel, a place switched to another master
// and a place switched to a master made for its new name) and whether a
// successful undo is redone (0x80).
// Oracle: no crash, and a replay that fails leaves the project's saved text,
// the template's tools and icon strip and the document's icon backup as they
// were.
#include "ProjectFuzzSupport.h"

#include "document/UndoJournal.h"
#include "drawables/CustomModel.h"
#include "drawables/Drawable.h"
#include "drawables/Junction.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/PlaceGroup.h"
#include "drawables/ScenarioPlace.h"
#include "drawables/ToolModel.h"
#include "model/Master.h"
#include "platform/Errors.h"
#include "platform/Files.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// A class diagram with two places of a master with an attribute and a
// method, a link between them and two primitives.
const char* const kProject =
    "(Quillmark \"8.0\" project)\n"
    "(notation \"<Internal>\")\n"
    "(genProfile 178 \"C++\" nil \"\" 0 nil nil)\n"
    "(codeFiles)\n"
    "(docFiles)\n"
    "(masters (master \"m-shape-000001\" 1 3 \"Shape\" \"\" \"\" \"\" \"\" \"\" 0 \n"
    "                 ((\"area\" \"double\" \"\" \"\" \"\" \"\" 1 17 \"a-area-0000001\")) \n"
    "                 ((\"Area\" \"double\" \"\" 3 11 nil nil \"m-area-0000001\" \"\")) \n"
    "                 nil nil nil 10 \"\")\n"
    "         (master \"m-loose-000001\" 0 1 \"Loose\" \"\" \"\" \"\" \"\" \"\" 0 \n"
    "                 nil nil nil nil nil -1 \"\")\n"
    "         (master \"m-actor-000001\" 1 1 \"User\" \"\" \"\" \"\" \"\" \"\" 0 nil nil nil nil "
    "nil 13 \"\")\n"
    "         (master \"m-server-00001\" 1 3 \"Server\" \"\" \"\" \"\" \"\" \"\" 1 nil nil nil nil "
    "nil 10 \"\")\n"
    "         (master \"m-port-000001\" 2 3 \"Port\" \"\" \"\" \"\" \"\" \"\" 1 nil nil nil nil "
    "nil 10 \"\"))\n"
    "(customModel \"d-class-00001\" 11 3 \"Classes\" \"\" \"\" 17 \"\" \"\" 1.000000 \n"
    "             1.000000 (0 0 2000 1500) (0 0 2000 1500) \n"
    "             (text \"Hello\" 1 28 \"text-1\" (10 10 90 40) (5 5 95 45) \n"
    "                   (0 0 0 0) 4 0 (nil 1 -12 32 0 4 15 0) \"\") \n"
    "             (line (0 0 40 20) 0 26 \"line-1\" (0 0 40 20) (-5 -5 45 25) \n"
    "                   (0 0 0 0) 4 0 (nil 1 -12 0 0 4 15 0) \"\") \n"
    "             (place \"m-shape-000001\" (2) \"\" (junctions) 10 \n"
    "                    \"p-shape-00001\" (0 0 100 60) (-5 -5 105 65) (3 3 97 57) 1 \n"
    "                    0 (nil 1 -12 0 0 4 15 0) \"\") \n"
    "             (place \"m-shape-000001\" (2) \"\" (junctions) 10 \n"
    "                    \"p-shape-00002\" (300 200 400 260) (295 195 405 265) \n"
    "                    (303 203 397 257) 1 0 (nil 1 -12 0 0 4 15 0) \"\") \n"
    "             (link \"p-shape-00002\" \"p-shape-00001\" (300 230 100 30) 0 \"\" \n"
    "                   \"\" \"\" \"%%\" \"\" \"\" \"\" 3 0 (0 0 0 0) (0 0 0 0) (0 0 0 0) 0 \n"
    "                   0 \"l-link-000001\" (0 0 10 10) (0 0 10 10) (0 0 10 10) 2 0 \n"
    "                   (nil 1 -12 0 0 4 15 0) \"\"))\n"
    "(customModel \"d-seq-0000001\" 13 3 \"Sequence\" \"\" \"\" 1 \"\" \"\" 1.000000 1.000000 (0 0 "
    "1000 800) (0 0 1000 800)\n"
    " (scenPlace (50 450) ((46 62 54 162) (46 194 54 220)) place \"m-actor-000001\" (2) \"\" "
    "(junctions) 13 \"s-user-000001\" (0 0 100 50) (-5 -5 105 455) (3 3 97 47) 1 4 (nil 1 -12 0 0 "
    "4 15 0) \"\")\n"
    " (scenPlace (350 450) ((346 62 354 162)) place \"m-server-00001\" (2) \"\" (junctions) 10 "
    "\"s-server-0001\" (300 0 400 50) (295 -5 405 455) (300 0 400 50) 1 4 (nil 1 -12 32 18 12 18 "
    "18) \"\")\n"
    " (link \"s-user-000001\" \"s-server-0001\" (50 100 350 100) 3 \"\" \"\" \"%%\" \"%%\" \"\" "
    "\"\" \"\" 0 0 (190 92 210 108) (58 96 58 96) (342 96 342 96) 3 3 \"l-call-000001\" (50 92 350 "
    "108) (45 80 355 120) (190 92 210 108) 2 0 (nil 1 -12 0 0 4 15 0) \"\")\n"
    " (floater \"\" \"\" 0 0 (192 104) (208 104) (200 104) (50 100) (350 100) tag "
    "\"l-call-000001\" (0 0) \"1. call()\" 46 \"f-call-000001\" (191 103 209 105) (176 96 217 133) "
    "(181 108 196 128) 3 0 (nil 1 -12 0 0 4 15 0) \"\"))\n"
    "(customModel \"d-ports-00001\" 11 3 \"Ports\" \"\" \"\" 17 \"\" \"\" 1.000000 1.000000 (0 0 "
    "2000 1500) (0 0 2000 1500)\n"
    " (place \"m-port-000001\" (2) \"\" (junctions (0 \"j-port-000001\" \"p-port-000001\" (100 30) "
    "2 (92 22 108 38) (87 17 124 65) (104 40 119 60) \"\")) 10 \"p-port-000001\" (0 0 100 60) (-5 "
    "-5 124 65) (3 3 97 57) 1 0 (nil 1 -12 0 0 4 15 0) \"\")\n"
    " (place \"m-port-000001\" (2) \"\" (junctions) 10 \"p-port-000002\" (300 200 400 260) (295 "
    "195 405 265) (303 203 397 257) 1 0 (nil 1 -12 0 0 4 15 0) \"\")\n"
    " (link \"p-port-000002\" \"j-port-000001\" (312 199 107 36) 3 \"\" \"\" \"%%\" \"%%\" \"\" "
    "\"\" \"\" 0 0 (199 109 219 125) (304 203 304 203) (115 32 115 32) 3 3 \"l-port-000001\" (107 "
    "36 312 199) (102 31 317 204) (199 109 219 125) 2 0 (nil 1 -12 0 0 4 15 0) \"\"))\n";

// Room for the input: the description of the record that the input replaces
// (an icon edit's record, two icons written whole, takes over 5000 bytes).
constexpr size_t kRoom = 8192;

// Selects exactly the drawables of these ids.
void SelectOnly(qm::CCASEDoc& doc, qm::Model& model, std::initializer_list<const char*> ids) {
    model.DeselectAll(nullptr, false);
    for (const char* id : ids) {
        if (auto* drawable = dynamic_cast<qm::Drawable*>(doc.IdMap().Lookup(id)))
            model.Select(drawable, true, nullptr, false);
    }
}

// What the journal's tool records change: the template's tools and icon
// strip (shared by every input's document, so put back after each input).
struct TemplateState {
    struct Tool {
        qm::CRect frame;
        int16_t slot;
        bool editing;
        bool changed;
        bool operator==(const Tool&) const = default;
    };
    explicit TemplateState(const qm::NotationTemplate& notation)
        : pixels(notation.toolBitmap.Pixels()), table(notation.toolBitmap.ColourTable()) {
        for (const auto& tool : notation.tools)
            tools.push_back(
                {tool->printFrame, tool->iconSlot, tool->iconEditing, tool->iconChanged});
    }
    void Restore(qm::NotationTemplate& notation) const {
        notation.toolBitmap.Pixels() = pixels;
        notation.toolBitmap.ColourTable() = table;
        for (size_t i = 0; i < tools.size() && i < notation.tools.size(); ++i) {
            qm::ToolModel& tool = *notation.tools[i];
            tool.printFrame = tools[i].frame;
            tool.iconSlot = tools[i].slot;
            tool.SetIconEditing(tools[i].editing);
            tool.iconChanged = tools[i].changed;
        }
    }
    bool operator==(const TemplateState&) const = default;
    std::vector<uint8_t> pixels;
    std::array<uint8_t, 4 * qm::ToolBitmap::kColours> table;
    std::vector<Tool> tools;
};

// Everything a replay may change.
struct State {
    explicit State(qm::CCASEDoc& doc)
        : text(doc.StoreText()), notation(*doc.Template()), backup(doc.IconBackup().Pixels()) {}
    bool operator==(const State&) const = default;
    std::string text;
    TemplateState notation;
    std::vector<uint8_t> backup;
};

// The life line of User in the sequence diagram: two call boxes, a message
// to Server from the first, labelled.
qm::ScenarioPlace* User(qm::CCASEDoc& doc) {
    auto* user = dynamic_cast<qm::ScenarioPlace*>(doc.IdMap().Lookup("s-user-000001"));
    if (user == nullptr || user->callBoxes.Count() != 2)
        std::abort();
    return user;
}

// Box index of the first life line dragged by dy and dropped on the life
// line or, to delete it, off it; the editor's records.
void DragCallBox(qm::CCASEDoc& doc, int index, int dy, bool onLifeLine, const std::string& room) {
    using qm::ChangeKind;
    qm::ScenarioPlace* user = User(doc);
    auto* sequence = static_cast<qm::SequenceModel*>(doc.FindModelByName("Sequence"));
    const ChangeKind kind = onLifeLine ? ChangeKind::DragCallBox : ChangeKind::DeleteCallBox;
    const std::vector<qm::CRect> before = user->callBoxes.boxes;
    const qm::CRect start = user->GetCallBox(index);
    qm::Journal().BeginChange(&doc, kind);
    qm::Journal().SetOffset(&doc, qm::CPoint(0, dy));
    qm::DrawableRefList messages;
    sequence->CollectCallBoxMessages(*user, start, messages);
    if (onLifeLine) {
        qm::CRect dropped = start;
        dropped.OffsetRect(0, dy);
        if (!user->MergeCallBox(dropped, index))
            user->callBoxes.boxes[size_t(index)] = dropped;
        sequence->MoveMessages(messages, dy, nullptr);
        for (qm::Drawable* drawable : messages)
            qm::Journal().AddChangedObject(&doc, drawable, nullptr);
    } else {
        user->RemoveCallBox(index);
        qm::DrawableList taken = sequence->TakeWithAttachments(&doc, messages, nullptr);
        for (auto& drawable : taken) {
            qm::Journal().AddChangedObject(&doc, drawable.get(), nullptr);
            qm::Journal().HoldRemovedObject(&doc, std::move(drawable));
        }
    }
    qm::Journal().SaveDragContext(&doc, before, user->callBoxes.boxes, user->lifeLinePoint);
    qm::Journal().RecordChange(&doc, kind, room.c_str(), sequence, user);
}

// Makes one change of the kind's operation, recorded under a description
// long enough for the input to replace the record.
void Record(qm::CCASEDoc& doc, qm::Model& model, qm::Place& place, int choice) {
    using qm::ChangeKind;
    qm::UndoJournal& journal = doc.GetJournal();
    const std::string room(kRoom, 'x');
    qm::CRect repaint;
    auto plain = [&](ChangeKind kind) {
        journal.BeginChange(kind);
        qm::ModelObject* current = &place;
        if (kind == ChangeKind::Annotation) {
            journal.AddChangedObject(nullptr, nullptr);
        } else if (kind == ChangeKind::PropertyChanges) {
            std::unique_ptr<qm::ModelObject> previous = place.master->Clone();
            static_cast<qm::Master&>(*previous).comment = "before";
            previous->SetDetached();
            journal.AddChangedObject(place.master, std::move(previous));
            current = place.master;
        } else if (kind == ChangeKind::MoveDrawables) {
            journal.AddChangedObject(&place, nullptr);
            journal.SetOffset(qm::CPoint(5, 7));
        }
        journal.RecordChange(kind, room, &model, current);
    };
    // The model's operations that take a description take the long one;
    // the records of the others bound the input's length.
    switch (choice) {
    case 0:
        return plain(ChangeKind::Replace);
    case 1:
        return plain(ChangeKind::Annotation);
    case 2:
        return plain(ChangeKind::PropertyChanges);
    case 3:
        return plain(ChangeKind::MoveModelUp);
    case 4:
        return plain(ChangeKind::MoveDrawables);
    case 5:
        SelectOnly(doc, model, {"p-shape-00002"});
        (void)model.DeleteDrawables(&doc, nullptr, ChangeKind::Delete, false);
        return;
    case 6:
        SelectOnly(doc, model, {"text-1", "line-1"});
        (void)model.DeleteDrawables(&doc, nullptr, ChangeKind::Cut, false);
        return;
    case 7:
        doc.MarkMasters(false);
        doc.Masters().FindByGuid("m-loose-000001")->Mark(1, 1, 0);
        doc.DeleteMasters(ChangeKind::Delete, false);
        return;
    case 8:
        SelectOnly(doc, model, {"text-1"});
        return model.ChangeOrder(&doc, repaint, ChangeKind::BringToFront, room.c_str());
    case 9:
        SelectOnly(doc, model, {"line-1"});
        return model.FlipOrRotate(&doc, repaint, 2, ChangeKind::RotateLeft, room.c_str());
    case 10:
        SelectOnly(doc, model, {"text-1", "p-shape-00002"});
        return model.Reposition(&doc, qm::RmAlignLeft, repaint);
    case 11:
        return model.ChangeLinksLooks(&doc, qm::MfStepLink, false);
    case 12:
        SelectOnly(doc, model, {"text-1", "line-1"});
        model.Group(&doc, nullptr, repaint, false, nullptr, nullptr, 0, nullptr,
                    ChangeKind::GroupAsPrimitive, room.c_str());
        return;
    case 13:
        SelectOnly(doc, model, {"p-shape-00001", "p-shape-00002"});
        model.Group(&doc, nullptr, repaint, true, nullptr, nullptr, 0, nullptr,
                    ChangeKind::GroupAsPlace, room.c_str());
        return;
    case 14:
        model.CreateSwimlane(&doc, nullptr, 100, repaint);
        return;
    case 15: {
        qm::ScenarioPlace* user = User(doc);
        const std::vector<qm::CRect> before = user->callBoxes.boxes;
        qm::Journal().BeginChange(&doc, ChangeKind::ResizeCallBox);
        user->callBoxes.boxes[0].bottom += 20;
        qm::Journal().SaveDragContext(&doc, before, user->callBoxes.boxes, user->lifeLinePoint);
        qm::Journal().RecordChange(&doc, ChangeKind::ResizeCallBox, room.c_str(),
                                   doc.FindModelByName("Sequence"), user);
        return;
    }
    case 16:
        return DragCallBox(doc, 0, 30, true, room);
    case 17:
        return DragCallBox(doc, 0, 0, false, room);
    case 18: {
        // The port of a place and the link that ends on it go together.
        qm::Model* ports = doc.FindModelByName("Ports");
        auto* port = dynamic_cast<qm::Junction*>(doc.IdMap().Lookup("j-port-000001"));
        auto* link = dynamic_cast<qm::Drawable*>(doc.IdMap().Lookup("l-port-000001"));
        if (ports == nullptr || port == nullptr || port->Pivot() == nullptr || link == nullptr)
            std::abort();
        journal.BeginChange(ChangeKind::DeleteJunction);
        port->savedBounds.left = port->point.x;
        port->savedBounds.top = port->point.y;
        qm::Place* pivot = port->Pivot();
        journal.HoldRemovedObject(pivot->DetachJunction(port));
        pivot->UpdateRepaintRect();
        qm::DrawableList taken = ports->TakeWithAttachments(&doc, {link}, nullptr);
        for (auto& drawable : taken) {
            journal.AddChangedObject(drawable.get(), nullptr);
            journal.HoldRemovedObject(std::move(drawable));
        }
        journal.RecordChange(ChangeKind::DeleteJunction, room, ports, port);
        return;
    }
    case 20: {
        // The drawing locater's knob resizes the first place tool.
        qm::ToolModel* tool = doc.FindTool(qm::kBuiltinLinkTools);
        qm::CRect& frame = tool->printFrame;
        journal.BeginChange(ChangeKind::ResizeTool);
        journal.SetToolSize(qm::CPoint(frame.Width(), frame.Height()), false);
        frame.right += 30;
        frame.bottom += 20;
        journal.SetToolSize(qm::CPoint(frame.Width(), frame.Height()), true);
        journal.RecordChange(ChangeKind::ResizeTool, room, tool, nullptr);
        return;
    }
    case 21: {
        // The icon editor paints a diagonal into the tool's icon.
        qm::ToolModel* tool = doc.FindTool(qm::kBuiltinLinkTools);
        if (!doc.SaveIconForEdit(*tool))
            std::abort();
        for (int32_t i = 0; i < qm::kIconHeight; ++i)
            doc.Template()->toolBitmap.SetPixel(tool->iconSlot * qm::kIconWidth + i, i, 9);
        journal.BeginChange(ChangeKind::IconEdit);
        journal.RecordChange(ChangeKind::IconEdit, room, tool, nullptr);
        return;
    }
    case 22: {
        // A place dragged out of a swimlane into the model.
        auto* lane =
            dynamic_cast<qm::PlaceGroup*>(model.CreateSwimlane(&doc, nullptr, 100, repaint));
        if (lane == nullptr || place.Parent() != &lane->MemberGroup())
            std::abort();
        journal.Reset();
        SelectOnly(doc, model, {"p-shape-00001"});
        model.MoveDrawables(place.Parent(), 300, 20, false);
        journal.BeginChange(ChangeKind::MoveDrawables);
        journal.SetSwimlanes(lane, lane->bounds, nullptr, qm::CRect());
        qm::CRect area;
        lane->ReleaseMember(&model, &place, area, repaint);
        journal.AddChangedObject(&place, nullptr);
        journal.SetOffset(qm::CPoint(300, 20));
        journal.RecordChange(ChangeKind::MoveDrawables, room, &model, nullptr);
        return;
    }
    case 23: {
        // The unused master, exploded, deleted with its submodel.
        qm::Master* loose = doc.Masters().FindByGuid("m-loose-000001");
        qm::Model* made = doc.NewModel(qm::MkClass, &model);
        if (loose == nullptr || made == nullptr)
            std::abort();
        made->parentMaster = loose;
        loose->submodel = made;
        journal.BeginChange(ChangeKind::Delete);
        doc.RemoveMaster(loose, &model, false);
        journal.RecordChange(ChangeKind::Delete, room, nullptr, nullptr);
        return;
    }
    case 24: {
        // The second place renamed to bind another existing master.
        auto* diagram = dynamic_cast<qm::CustomModel*>(&model);
        auto* other = diagram == nullptr
                          ? nullptr
                          : dynamic_cast<qm::Place*>(diagram->CreatePlaceOfTool(
                                &doc, 10, "Other", "", qm::CRect(600, 600, 660, 640)));
        auto* second = dynamic_cast<qm::Place*>(doc.IdMap().Lookup("p-shape-00002"));
        if (other == nullptr || second == nullptr)
            std::abort();
        qm::Master* own = second->master;
        journal.BeginChange(ChangeKind::PlaceMasterSwitch);
        second->master = doc.RenamePlaceMaster(second, "Other", "", false);
        journal.SetTexts("Shape", "Other");
        journal.AddChangedObject(own, nullptr);
        journal.AddChangedObject(other->master, nullptr);
        journal.RecordChange(ChangeKind::PlaceMasterSwitch, room, &model, second);
        return;
    }
    case 25: {
        // The second place renamed to a new name while the first shares its
        // master: the switch makes a master, which the record holds whole.
        auto* second = dynamic_cast<qm::Place*>(doc.IdMap().Lookup("p-shape-00002"));
        if (second == nullptr || second->master == nullptr || second->master->refCount < 2)
            std::abort();
        qm::Master* own = second->master;
        journal.BeginChange(ChangeKind::PlaceMasterSwitch);
        second->master = doc.RenamePlaceMaster(second, "Fresh", "", false);
        if (second->master == own)
            std::abort();
        journal.SetTexts("Shape", "Fresh");
        journal.AddChangedObject(own, nullptr);
        journal.AddChangedObject(second->master, nullptr);
        journal.RecordChange(ChangeKind::PlaceMasterSwitch, room, &model, second);
        return;
    }
    default: {
        SelectOnly(doc, model, {"text-1", "line-1"});
        qm::Drawable* group = model.Group(&doc, nullptr, repaint, false, nullptr, nullptr, 0,
                                          nullptr, ChangeKind::ProjectSaved, "");
        if (group == nullptr)
            std::abort();
        model.DeselectAll(nullptr, false);
        model.Select(group, true, nullptr, false);
        model.Ungroup(&doc, repaint, ChangeKind::UngroupPrimitive);
        return;
    }
    }
}

constexpr int kChoices = 26;

void Run(fuzzsupport::ProjectSetup& setup, const uint8_t* data, size_t size) {
    qm::CCASEDoc doc(setup.context, true);
    doc.LoadText(kProject);
    qm::UndoJournal& journal = doc.GetJournal();
    qm::Model* model = doc.FindModelByName("Classes");
    auto* place = dynamic_cast<qm::Place*>(doc.IdMap().Lookup("p-shape-00001"));
    if (model == nullptr || place == nullptr)
        std::abort();
    const int choice = (data[0] & 0x7F) % kChoices;
    const bool redo = (data[0] & 0x80) != 0;
    if (doc.Template() == nullptr)
        std::abort();
    const TemplateState shared(*doc.Template());
    Record(doc, *model, *place, choice);
    if (journal.Records().size() != 1)
        std::abort();
    // The input replaces the record, padded with blanks up to its end (or
    // to kRoom, whichever is more): the file is cut to the record's end.
    const uint32_t end = journal.Records()[0].end;
    std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (bytes.size() > end)
        bytes.resize(end);
    bytes.resize(end, ' ');
    int fd = ::open(journal.FileName().c_str(), O_WRONLY);
    if (fd < 0 || ::pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(end))
        std::abort();
    ::close(fd);

    const State before(doc);
    if (!journal.Replay(1, false)) {
        if (!(State(doc) == before)) {
            std::fprintf(stderr, "a failed undo changed the project\n");
            std::abort();
        }
    } else if (redo) {
        const State undone(doc);
        if (!journal.Replay(1, true) && !(State(doc) == undone)) {
            std::fprintf(stderr, "a failed redo changed the project\n");
            std::abort();
        }
    }
    shared.Restore(*doc.Template());
    qm::DeleteFile(journal.FileName());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qm::HeadlessPrompts& prompts = fuzzsupport::StartQuietKernel(8192, false);
    static const bool folder =
        (fuzzsupport::UsePrivateRuntimeFolder("/tmp/quillmark-journal-fuzz-XXXXXX"), true);
    static fuzzsupport::ProjectSetup setup;
    (void)folder;
    if (size < 1 || size > kRoom)
        return 0;
    prompts.asked.clear();
    try {
        Run(setup, data, size);
    } catch (const qm::CKestException&) {
        std::abort(); // the fixture always loads; replay failures never escape
    }
    fuzzsupport::EndProjectInput();
    return 0;
}
