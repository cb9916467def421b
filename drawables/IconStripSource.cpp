// The installed icon strip source.
#include "drawables/IconStripSource.h"

#include <utility>

namespace qm {

namespace {
IconStripSource* installed = nullptr;
} // namespace

CBitmap* ApplicationIconStrip() {
    return installed != nullptr ? installed->IconStrip() : nullptr;
}

IconStripSource* Install(IconStripSource* source) {
    return std::exchange(installed, source);
}

} // namespace qm
