// What a reverse-engineering run does to the project beyond reading its
// options: the models, places, links and masters that the parse tree turns
// into, the log window's Reversed folder, the layout and the link style. The
// project document implements it above this folder (with its custom models);
// tests install a fake over real models and masters.
#pragma once

#include "reverse/ReverseDocument.h"

#include "model/Master.h"

#include <cstddef>
#include <string>

namespace qm {

class Drawable;
class Model;

class ReverseProject : public ReverseDocument {
  public:
    // ---- the run ----
    // The user settings' option word (bit 0x10: show the log window while a
    // run goes on).
    virtual uint32_t UserOptions() const = 0;
    // The model the view shows, or null.
    virtual Model* CurrentModel() = 0;
    // The model of that name, or null.
    virtual Model* FindModelByName(const std::string& name) = 0;
    // Makes the model the one the view shows.
    virtual void ShowModel(Model* model) = 0;
    // The explorer's folder of reverse-engineered files: emptied at the start
    // of a run, one item per file, expanded at the end.
    virtual void ClearReversedFiles() = 0;
    virtual void AddReversedFile(const std::string& path) = 0;
    virtual void ExpandReversedFiles() = 0;
    // The mark of every drawable of every model, and of every model.
    virtual void MarkDrawables(int value) = 0;
    virtual void MarkModels(int value) = 0;
    // Lays the model out (the two options as the project model defines them).
    virtual void LayoutModel(Model* model, int first, int second) = 0;
    // Sets a link style bit of the model and re-styles its links (journaled).
    virtual void ChangeLinksLooks(Model* model, int style, int flag) = 0;
    // How far the run is through its file list: 0 before the first file,
    // then the number of entries done; done equals total after the last.
    // A run of hundreds of files shows it in the window's progress control.
    virtual void FileProgress(size_t done, size_t total) {
        (void)done;
        (void)total;
    }

    // ---- masters, places and links ----
    // The project's master of that tool, name and namespace, or null.
    virtual Master* FindMaster(int tool, const std::string& name, const std::string& nameSpace) = 0;
    // The master of that tool and name in the first namespace, else (when
    // the second is not empty) in the second, else null.
    virtual Master* FindMasterInScopes(int tool, const std::string& name, const std::string& first,
                                       const std::string& second) = 0;
    // The submodel of the package of that name in model, made with its place,
    // master (flag 1) and submodel when missing; null when the model cannot
    // hold places.
    virtual Model* FindOrCreatePackage(Model* model, const std::string& name,
                                       const std::string& nameSpace, int tool, bool showAll) = 0;
    // A new place in model of the project's master of that tool, name and
    // namespace (found or created), at the default bounds; null when the
    // model cannot hold places.
    virtual Drawable* AddMasterPlace(Model* model, int tool, const std::string& name,
                                     const std::string& nameSpace, bool showAll) = 0;
    // The place in model of the project's master of that tool, name and
    // namespace, or null.
    virtual Drawable* FindPlaceByMasterName(Model* model, int tool, const std::string& name,
                                            const std::string& nameSpace) = 0;
    // The first place in model of the master, or null. (Model's own search;
    // a project may keep an index.)
    virtual Drawable* FindPlaceOfMaster(Model* model, const Master* master);
    // The master's submodel, made (a class diagram taking the parent's flag
    // word, the parent's explorer item expanded) when it has none.
    virtual Model* EnsureSubmodel(Master* master, Model* parent) = 0;
    // The link of that tool from source to target whose name is name (any
    // name when name is empty), or null.
    virtual Drawable* FindLink(Model* model, int tool, const std::string& name, Drawable* source,
                               Drawable* target) = 0;
    // A new link of that tool and name from source to target; null when the
    // model cannot hold links.
    virtual Drawable* AddLink(Model* model, int tool, const std::string& name, Drawable* source,
                              Drawable* target) = 0;
    // Gives a link its access, ORs bits into its flag word and sets its two
    // end labels.
    virtual void SetLinkDetails(Drawable* link, int access, uint32_t flagBits,
                                const std::string& firstLabel, const std::string& secondLabel) = 0;
    // Sets the type text of a link (the arguments of a template base).
    virtual void SetLinkType(Drawable* link, const std::string& type) = 0;
    // Member records a run replaces; the project detaches them from its ids.
    virtual void DiscardMembers(Master::MemberRecords records) = 0;
};

} // namespace qm
