// The installed model services.
#include "model/ModelServices.h"

namespace qm {
namespace {

ModelServices defaultServices;
ModelServices* installed = &defaultServices;

} // namespace

ModelServices& Services() {
    return *installed;
}

void SetModelServices(ModelServices* services) {
    installed = services != nullptr ? services : &defaultServices;
}

} // namespace qm
