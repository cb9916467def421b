// The user settings the drawables read: the snap size (segment hit tests
// never use a smaller tolerance) and the option word. The document layer
// installs its settings here at start-up; until then, and in tests that
// install nothing, the snap size and the option word are 0.
#pragma once

#include <cstdint>

namespace qm {

// Bits of the option word that the drawing code reads.
constexpr uint32_t kOptionShowHyperLinks = 0x80; // hyperlinks and submodel markers

class DrawingSettings {
  public:
    virtual ~DrawingSettings() = default;
    virtual int32_t SnapSize() const = 0;
    virtual uint32_t OptionWord() const = 0;
};

// Settings held as plain values, for tests and before the document exists.
class FixedDrawingSettings : public DrawingSettings {
  public:
    FixedDrawingSettings(int32_t snap = 0, uint32_t options = 0) : snap_(snap), options_(options) {}
    int32_t SnapSize() const override { return snap_; }
    uint32_t OptionWord() const override { return options_; }

  private:
    int32_t snap_;
    uint32_t options_;
};

// The installed settings.
const DrawingSettings& CurrentDrawingSettings();
// Installs settings (not owned); null restores the zero defaults.
void SetDrawingSettings(const DrawingSettings* settings);

// Installs settings for the lifetime of this object, then restores the previous ones.
class ScopedDrawingSettings {
  public:
    explicit ScopedDrawingSettings(const DrawingSettings* settings);
    ~ScopedDrawingSettings();
    ScopedDrawingSettings(const ScopedDrawingSettings&) = delete;
    ScopedDrawingSettings& operator=(const ScopedDrawingSettings&) = delete;

  private:
    const DrawingSettings* previous_;
};

} // namespace qm
