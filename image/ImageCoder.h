// The bases of the image coders: ImageCoder carries the optional progress
// callback; readers derive from ImageDecoder, writers from ImageEncoder. The
// streams are the standard library's byte streams (files opened in binary).
#pragma once

#include "image/RasterImage.h"

#include <cstdint>
#include <istream>
#include <ostream>

namespace qm {

class ImageCoder;

// Called with (the coder, the user data, the current pass, the number of
// passes, a percentage 0 to 100, the abort flag). Setting *abort to true asks
// the coder to stop; the reader and the JPEG encoder then throw their abort
// exception, the PNG encoder goes on.
using ProgressFunction = void (*)(ImageCoder* coder, uint32_t userData, uint32_t pass,
                                  uint32_t passes, uint32_t percent, bool* abort);

class ImageCoder {
  public:
    ImageCoder() = default;
    virtual ~ImageCoder() = default;

    // Installs (or, with null, removes) the progress callback and the word it
    // is handed back.
    void SetProgressFunction(ProgressFunction function, uint32_t userData) {
        progressFunction_ = function;
        userData_ = userData;
    }
    ProgressFunction GetProgressFunction() const { return progressFunction_; }
    uint32_t GetUserData() const { return userData_; }

  protected:
    // Calls the callback, when one is set, with a cleared abort flag and
    // returns the flag as the callback left it; false without a callback.
    bool CallProgressFunction(uint32_t pass, uint32_t passes, uint32_t percent);

  private:
    ProgressFunction progressFunction_ = nullptr;
    uint32_t userData_ = 0;
};

// A reader: fills a RasterImage from a stream.
class ImageDecoder : public ImageCoder {
  public:
    virtual void ReadImage(std::istream& input, RasterImage& image) = 0;
};

// A writer: encodes a RasterImage to a stream. A failed write raises the
// writer's exception.
class ImageEncoder : public ImageCoder {
  public:
    virtual void WriteImage(std::ostream& output, const RasterImage& image) = 0;
};

} // namespace qm
