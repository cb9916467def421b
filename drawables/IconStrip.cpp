// The installed icon strip source.
#include "drawables/IconStrip.h"

#include <utility>

namespace qm {

namespace {
IconStripSource* installed = nullptr;
} // namespace

CBitmap* IconStrip() {
    return installed != nullptr ? installed->IconStrip() : nullptr;
}

IconStripSource* Install(IconStripSource* source) {
    return std::exchange(installed, source);
}

} // namespace qm
