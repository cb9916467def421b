// The host of a view shown in no frame.
#include "editor/EditorHost.h"

namespace qm {

NullEditorHost::NullEditorHost() {
    looks_.Init(false, nullptr);
}

} // namespace qm
