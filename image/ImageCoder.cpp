// The progress call shared by the image coders.
#include "image/ImageCoder.h"

namespace qm {

bool ImageCoder::CallProgressFunction(uint32_t pass, uint32_t passes, uint32_t percent) {
    if (progressFunction_ == nullptr) {
        return false;
    }
    bool abort = false;
    progressFunction_(this, userData_, pass, passes, percent, &abort);
    return abort;
}

} // namespace qm
