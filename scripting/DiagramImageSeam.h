// What the image built-in needs of the diagram export: the image library sits
// beside this folder, so the application installs a writer that draws a model
// into an image file (ExportDiagramImage with the settings' image limits).
#pragma once

#include <string>

namespace qm {

class Model;

class DiagramImageWriter {
  public:
    virtual ~DiagramImageWriter() = default;
    // Draws model (only its selected drawables with selectionOnly) and writes
    // path + "." + format ("bmp", "jpg" or "png"). A failure throws
    // CKestException with its text and leaves no file behind.
    virtual void WriteDiagramImage(Model& model, bool selectionOnly, const std::string& path,
                                   const std::string& format) = 0;
};

// The installed writer, or null when none is installed (no image can be made).
DiagramImageWriter* InstalledDiagramImageWriter();
// Installs a writer (null: none) and returns the one it replaces;
// ScopedInstall<DiagramImageWriter> installs one for a scope.
DiagramImageWriter* Install(DiagramImageWriter* writer);

} // namespace qm
