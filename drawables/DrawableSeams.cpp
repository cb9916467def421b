// The installed drawable services and the version of the file being read.
#include "drawables/DrawableSeams.h"

#include "drawables/PlaceRecords.h"
#include "drawables/Primitives.h"

namespace qm {

namespace {

DrawableServices defaultServices;
DrawableServices* installed = &defaultServices;
double readVersion = kCurrentFileVersion;

} // namespace

Drawable* DrawableServices::CreateDrawableFromSymbol(kest::Cell* record, GuidScope* scope) {
    if (Drawable* primitive = CreatePrimitiveFromRecord(record, scope))
        return primitive;
    return CreatePlaceOrLinkFromRecord(record, scope);
}

DrawableServices& DrawableEnv() {
    return *installed;
}

void SetDrawableServices(DrawableServices* services) {
    installed = services != nullptr ? services : &defaultServices;
}

double ReadFileVersion() {
    return readVersion;
}

void SetReadFileVersion(double version) {
    readVersion = version;
}

} // namespace qm
