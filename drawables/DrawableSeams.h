// What the drawables ask of the layers above them: the model that holds a
// drawable list, the document's id maps and the application's icon strip,
// the drawable factory that turns records into drawables, and the version of
// the file being read. The higher layers install their implementations at
// start-up; tests install fakes. Until then the defaults answer with nothing
// and the factory knows the primitives only.
#pragma once

#include <list>

namespace kest {
struct Cell;
}

namespace qm {

class CBitmap;
class CCASEDoc;
class Drawable;
class GuidMap;
class GuidScope;

using DrawableList = std::list<Drawable*>;

// A model as its drawables see it: the list that owns its top-level
// drawables, the search by id and the selection.
class DrawableModel {
  public:
    virtual ~DrawableModel() = default;
    // The model's own drawable list, head first in drawing order.
    virtual DrawableList& Drawables() = 0;
    // The drawable of that id in the model, searched depth first through
    // containers; null when there is none.
    virtual Drawable* FindObjectById(const char* id) = 0;
    // Selects (on 1) or deselects a drawable of the model.
    virtual void Select(Drawable* drawable, int on, int extend, int notify) = 0;
    // True for a tool model: its objects live in the template's id map.
    virtual bool IsToolModel() const = 0;
};

class DrawableServices {
  public:
    virtual ~DrawableServices() = default;
    // The id map that holds the model's objects: the template's for a tool
    // model, else the document's; null when there is none.
    virtual GuidMap* GuidMapOf(CCASEDoc* /*document*/, DrawableModel* /*model*/) { return nullptr; }
    // The application's icon strip (16 x 15 pixel icons side by side), or null.
    virtual CBitmap* IconStrip() { return nullptr; }
    // Makes the drawable that the record's head names and has it read the
    // record; null (and nothing read) for a head it does not know. The
    // default knows the primitive, place, scenario place and link records.
    virtual Drawable* CreateDrawableFromSymbol(kest::Cell* record, GuidScope* scope);
};

// The installed services (a default one until another is installed).
DrawableServices& DrawableEnv();
// Installs services (not owned); null restores the default.
void SetDrawableServices(DrawableServices* services);

// The program's own file version: records read outside a file count as this.
constexpr double kCurrentFileVersion = 8.0;
// The version of the file whose records are being read, from its header.
double ReadFileVersion();
void SetReadFileVersion(double version);

// Sets the version for the lifetime of this object, then restores the previous one.
class ScopedReadFileVersion {
  public:
    explicit ScopedReadFileVersion(double version) : previous_(ReadFileVersion()) {
        SetReadFileVersion(version);
    }
    ~ScopedReadFileVersion() { SetReadFileVersion(previous_); }
    ScopedReadFileVersion(const ScopedReadFileVersion&) = delete;
    ScopedReadFileVersion& operator=(const ScopedReadFileVersion&) = delete;

  private:
    double previous_;
};

} // namespace qm
