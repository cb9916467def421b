// The reverse engineer's project on a real project document: masters, places,
// package submodels and links are made through the document and its custom
// models, the Reversed folder is the document's list of reverse-engineered
// files, and the layout and link style are the models' own operations. The
// dialog and the batch run hand one of these to ReverseEngineerFiles.
#pragma once

#include "document/DocumentEvents.h"
#include "reverse/ReverseProject.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace qm {

class CCASEDoc;
class NotationTemplate;

// The notation template's tools by meaning, over the document's template.
class DocumentReverseTemplate : public ReverseTemplate {
  public:
    explicit DocumentReverseTemplate(const NotationTemplate* notation) : notation_(notation) {}
    int FindToolBySemantics(ReverseToolKind kind, ReverseToolSemantics semantics,
                            int defaultId) const override;

  private:
    const NotationTemplate* notation_;
};

class DocumentReverseProject : public ReverseProject {
  public:
    // The document must outlive the project, which serves one run: masters
    // are looked up through an index of the document's masters taken at the
    // first look-up and kept up to date with the masters the run makes, so
    // nothing else may add or remove masters while the project is in use.
    explicit DocumentReverseProject(CCASEDoc& document);

    // ---- ReverseDocument ----
    uint32_t& ProfileFlags() override;
    // Null when the document has no template (the tools' defaults apply).
    const ReverseTemplate* Template() const override;

    // ---- the run ----
    // The user settings' option word; 0 without settings.
    uint32_t UserOptions() const override;
    Model* CurrentModel() override;
    Model* FindModelByName(const std::string& name) override;
    // Makes the model current and has the document's window show it.
    void ShowModel(Model* model) override;
    // The document's list of reverse-engineered files, which the project
    // file keeps and the explorer shows.
    void ClearReversedFiles() override;
    void AddReversedFile(const std::string& path) override;
    void ExpandReversedFiles() override;
    void MarkDrawables(int value) override;
    void MarkModels(int value) override;
    void LayoutModel(Model* model, int first, int second) override;
    void ChangeLinksLooks(Model* model, int style, int flag) override;
    // Steps the document window's progress control (none without a window).
    void FileProgress(size_t done, size_t total) override;

    // ---- masters, places and links ----
    Master* FindMaster(int tool, const std::string& name, const std::string& nameSpace) override;
    Master* FindMasterInScopes(int tool, const std::string& name, const std::string& first,
                               const std::string& second) override;
    Model* FindOrCreatePackage(Model* model, const std::string& name, const std::string& nameSpace,
                               int tool, bool showAll) override;
    // With showAll the place shows its master's members (its annotate flag).
    Drawable* AddMasterPlace(Model* model, int tool, const std::string& name,
                             const std::string& nameSpace, bool showAll) override;
    Drawable* FindPlaceByMasterName(Model* model, int tool, const std::string& name,
                                    const std::string& nameSpace) override;
    Drawable* FindPlaceOfMaster(Model* model, const Master* master) override;
    Model* EnsureSubmodel(Master* master, Model* parent) override;
    Drawable* FindLink(Model* model, int tool, const std::string& name, Drawable* source,
                       Drawable* target) override;
    Drawable* AddLink(Model* model, int tool, const std::string& name, Drawable* source,
                      Drawable* target) override;
    // Empty end labels leave the link's own end texts as they are.
    void SetLinkType(Drawable* link, const std::string& type) override;
    void SetLinkDetails(Drawable* link, int access, uint32_t flagBits,
                        const std::string& firstLabel, const std::string& secondLabel) override;
    void DiscardMembers(Master::MemberRecords records) override;

  private:
    // The document's master of that tool, name and namespace; for an empty
    // namespace without such a master, the oldest of that tool and name in
    // any namespace (the masters collection also lets an empty namespace
    // stand for any); else null.
    // The master of exactly that namespace; with anyNamespace, for an empty
    // namespace, the oldest of any when none has the empty one.
    Master* Lookup(int tool, const std::string& name, const std::string& nameSpace,
                   bool anyNamespace = false);
    static std::string Key(int tool, const std::string& name);

    CCASEDoc& document_;
    // The windows hear of what the run made when the run ends, at once.
    DocumentEvents::Batch events_;
    mutable DocumentReverseTemplate tools_;
    // Tool and name -> the masters of that tool and name, in the order of
    // the document's masters collection (the newest first).
    std::unordered_map<std::string, std::vector<Master*>> masters_;
    bool indexed_ = false;
    // The places and links of a model the run has looked into, kept up to
    // date as it adds more, so that finding the place of a master or the
    // link between two places does not search the whole model each time.
    struct LinkKey {
        int tool;
        const Drawable* source;
        const Drawable* target;
        bool operator==(const LinkKey&) const = default;
    };
    struct LinkKeyHash {
        size_t operator()(const LinkKey& key) const {
            return std::hash<const void*>()(key.source) * 31 +
                   std::hash<const void*>()(key.target) * 7 + static_cast<size_t>(key.tool);
        }
    };
    struct ModelIndex {
        std::unordered_map<const Master*, Drawable*> places; // the first of each master
        std::unordered_map<LinkKey, std::vector<Drawable*>, LinkKeyHash> links; // in model order
    };
    ModelIndex& IndexOf(Model* model);
    std::unordered_map<const Model*, ModelIndex> models_;
};

} // namespace qm
