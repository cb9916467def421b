// A master: one class, interface or other type of a project, with its name,
// namespace, stereotype, access, flags, member records, class parameters, the
// notation tool that draws it and the submodel it may be exploded into. It
// persists as the master record, exchanges its properties with the undo
// journal, formats its label, replaces text and picks operations for link
// and message labels.
#pragma once

#include "model/ListRecords.h"
#include "model/Members.h"
#include "model/ModelObject.h"

#include <string>

namespace kest {
struct Cell;
}

namespace qm {

class GuidMap;
class GuidScope;
class MasterCollection;
class MenuWindow;
class ModelDocument;

// What a master needs of the notation tool (a tool model of the template)
// that draws it.
class MasterTool {
  public:
    virtual ~MasterTool() = default;
    // The tool's number: its key in the template's map and in records.
    virtual int ToolId() const = 0;
    virtual bool IsPlaceTool() const = 0;
    // The tool model's flag word; bit 0x1: its masters generate code.
    virtual uint32_t ToolFlagWord() const = 0;
    // The tool's drawing has a compartment frame (a text primitive flagged 0x4).
    virtual bool HasCompartmentText() const = 0;
    virtual std::string ToolName() const = 0;
};

// What a master needs of its exploded submodel (a model).
class MasterSubmodel {
  public:
    virtual ~MasterSubmodel() = default;
    // Clears the model's link back to its parent master.
    virtual void ClearParentMaster() = 0;
};

// The tool of that number in a template's map; null for a negative number, no
// map, or a number the map does not hold.
MasterTool* TemplateTool(const GuidMap* templateMap, int number);

// Master::flags bits.
enum MasterFlag : int {
    MasterGenCode = 0x1,
    MasterInterface = 0x2,
    MasterAbstract = 0x4,
    MasterFinal = 0x8
};

// The template's tool that stands in for a tool missing from the template.
constexpr int StandInToolId = 10;
// The look-up kind of a master without a tool.
constexpr int NoToolKind = 34;

// Command ids of the operation picker's menu.
constexpr int PickNoneId = 12010;
constexpr int PickLastId = 13000;

class Master : public ModelObject {
  public:
    // Sets MoMaster; enters the master in map when one is given.
    explicit Master(GuidMap* map = nullptr);
    // A master about to be read from its record: no id is generated, since
    // the record brings one (a record without one gets a new id as it is
    // read). Entered in no map.
    struct ForReading {};
    explicit Master(ForReading);

    // Sets tool, name and namespace; flags become 1 (generate code) without a
    // tool or when the tool's flag word has bit 0x1, else 0.
    virtual void SetToolAndName(MasterTool* tool, const std::string& name,
                                const std::string& nameSpace);
    // The display label: "label:" for a place with a label text (":" for an
    // instance without one), the namespace and "." when the settings show
    // namespaces, the name, then "<" the class parameters joined by ", " ">"
    // unless the settings hide them, there are none, or the tool has compartments.
    virtual std::string FormatName(const std::string& placeLabel, bool instance) const;
    // The tool has a compartment frame.
    virtual bool HasToolText() const;
    // Reads (list given; returns the rest) or writes (list null) the master record.
    virtual kest::Cell* Persist(GuidScope* scope, kest::Cell* list);
    // Read (cells given) or write (cells null) one member list. The lists
    // that older records may lack (exceptions, parameters, types) answer
    // null, reading nothing, when cells is neither a list nor nil; a bad
    // list of the others is a format error. A read replaces the list only
    // when every record of it was read.
    kest::Cell* PersistAttributes(GuidScope* scope, kest::Cell* cells);
    kest::Cell* PersistMethods(GuidScope* scope, kest::Cell* cells);
    kest::Cell* PersistTypes(GuidScope* scope, kest::Cell* cells);
    kest::Cell* PersistExceptions(GuidScope* scope, kest::Cell* cells);
    kest::Cell* PersistParameters(GuidScope* scope, kest::Cell* cells);

    // Root operations.
    void Detach(GuidScope* scope) override;
    ModelObject* GetPropertyTarget(int* kind) override;
    std::unique_ptr<ModelObject> Clone() const override;
    void Assign(const ModelObject* other) override;
    kest::Cell* Props(GuidScope* scope, ModelObject* other, kest::Cell* list, bool redo) override;
    void ResolveRefs(ModelDocument* document, GuidScope* scope, bool byDocument) override;

    // Kind, access, the six strings, flags, tool number, the submodel's id
    // text, the attribute, method and exception lists (each record against
    // the record of the same id in the other list, when there is one) and
    // the class parameters. The nested types are not compared.
    bool IsEqual(const Master& other) const;
    // A copy of the master for another project: the same id, entered in map
    // (when given), every field and member list (the nested types too), the
    // tool of the same number in templateMap (the stand-in tool when it has
    // none), the submodel as an id reference, no references counted.
    [[nodiscard]] std::unique_ptr<Master> CopyInto(GuidMap* map, GuidMap* templateMap) const;
    // The submodel's id text: the bound model's, else the one read; "" for none.
    std::string SubmodelId() const;

    bool HasMethod(const MasterMethod* method) const;
    void RemoveDuplicateMembers(bool methodsByTypes = false);
    // The member and parameter records, taken out of the master: the lists
    // are empty afterwards and the records belong to the caller.
    struct MemberRecords {
        AttributeList attributes;
        MethodList methods;
        TypeList types;
        ExceptionList exceptions;
        ParameterList parameters;
    };
    [[nodiscard]] MemberRecords ClearMemberLists();
    std::string GetToolName() const;
    // The look-up kind: the tool's number, or 34 without a tool.
    int Kind() const;
    int ToolNumber() const { return tool != nullptr ? tool->ToolId() : -1; }
    // Tells the collection that holds the master, if any, that name has
    // changed, so that its look-up by name follows. Whoever writes name
    // directly on a master that may be in a collection calls it afterwards;
    // the master's own operations that change the name do.
    void NoteNameChange();

    // Sets the annotate bit of the one member given (attribute, method or
    // type) to on; when it changes, the member goes to the journal's change
    // and the change "Annotation" is recorded. Returns whether it changed.
    bool SetMemberAnnotation(ModelDocument* document, ModelObject* changeOwner,
                             ModelObject* drawable, bool on, MasterAttribute* attribute,
                             MasterMethod* method, MasterType* type);
    // Find and replace over the master and its members (options: ReplaceOption
    // bits). With ReplaceAndRecord a master already marked answers 0; else it
    // is marked, and when something was replaced its previous state goes to
    // the journal. Returns the number of occurrences.
    int ReplaceText(ModelDocument* document, const std::string& find,
                    const std::string& replacement, int options);
    // The operation picker. Index 0: "". A negative index fills the shared
    // operations menu ("<None>", then "Class::method(a,b)" for the methods of
    // the related masters and of this one, ids from 12011) and, with a window
    // and at least one method, shows it; the result is "". A positive index:
    // "method(a,b)" of the index-th method in that order, "" past the last.
    std::string PickOperation(ModelDocument* document, MenuWindow* window, int x, int y, int index);
    // A tool number the template lacks: tool 10 of templateMap stands in, flag
    // 0x80 is set and a warning is logged. Nothing for a negative number.
    void ReportToolNotInTemplate(GuidMap* templateMap, int number);

    int16_t refCount = 0;
    int32_t access = AccessPublic;
    std::string name, stereotype, file, comment, nameSpace, link;
    int32_t masterFlags = MasterGenCode;
    // The imports of the source file a reverse-engineering run read the
    // master from, one a line ("java.util.Map", "static a.B.*"), so that code
    // generated for it names what the source named. Empty for most masters,
    // and then left out of the record.
    std::string imports;
    AttributeList attributes;
    MethodList methods;
    TypeList types;
    ExceptionList exceptions;
    ParameterList parameters;
    MasterTool* tool = nullptr;
    ModelObject* submodel = nullptr;
    // The submodel's id between reading and ResolveRefs.
    ObjectRef submodelRef;

  private:
    friend class MasterCollection;
    // The collection that holds the master (a link, set and cleared by the
    // collection). A copy of a master is in no collection, so it is not copied.
    struct Holder {
        MasterCollection* collection = nullptr;
        Holder() = default;
        Holder(const Holder&) {}
        Holder& operator=(const Holder&) { return *this; }
    };
    Holder holder_;

    template <class Record>
    kest::Cell* PersistMemberList(std::vector<std::unique_ptr<Record>>& list, kest::Cell* cells,
                                  const char* field, bool optional);
    void OwnMembers();
};

} // namespace qm
