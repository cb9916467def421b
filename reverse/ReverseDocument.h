// What the reverse engineer needs of the project it works for, as two small
// interfaces that the document and its notation template implement above this
// folder: the option bits of the project profile and the ids of the palette
// tools that stand for classes, packages and the kinds of links. Tests
// install fakes.
#pragma once

#include <cstdint>

namespace qm {

// Option bits of the project profile's flags word used by reverse engineering.
enum ReverseOption : uint32_t {
    kRevShowAllMembers = 0x10,
    kRevRelationshipsAsLinks = 0x20,
    kRevRecordFileNames = 0x40,
    kRevKeepMethodCode = 0x80,
};

enum class ReverseToolKind { Place, Link };

enum class ReverseToolSemantics {
    Class,
    Package,
    Inheritance,
    Realization,
    Composition,
    Aggregation
};

// The notation template's tools, looked up by what they mean.
class ReverseTemplate {
  public:
    virtual ~ReverseTemplate() = default;
    // The id of the template's tool of that kind and meaning, else defaultId.
    virtual int FindToolBySemantics(ReverseToolKind kind, ReverseToolSemantics semantics,
                                    int defaultId) const = 0;
};

// The project document a run reads its options from.
class ReverseDocument {
  public:
    virtual ~ReverseDocument() = default;
    // The project profile's flags word; it stays valid while the document lives.
    virtual uint32_t& ProfileFlags() = 0;
    // The document's notation template, or null (the tools' defaults apply).
    virtual const ReverseTemplate* Template() const = 0;
};

} // namespace qm
