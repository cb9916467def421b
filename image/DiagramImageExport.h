// The export of a diagram as an image file: the model (or its selection) is
// drawn with the drawables' own drawing code into an off-screen bitmap on
// white, written as a Windows DIB (*.bmp), and for JPEG or PNG converted by
// the image coders. The diagram view calls ExportDiagramImage with the
// image limits of the user settings; nothing here needs a window, so the
// export also runs headless (batch runs, scripts, tests).
#pragma once

#include "platform/DeviceContext.h"
#include "platform/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace qm {

class Model;

// The largest picture, in pixels before the 4-pixel margin: MaxImageWidth
// and MaxImageHeight of the user settings. A limit of 0 or less is no limit.
struct ImageLimits {
    int32_t maxWidth = 1000;
    int32_t maxHeight = 1000;
};

// Where the drawing lands: the scale and the image rectangle (the scaled
// bounds inflated by 4) in the drawing's coordinates.
struct ExportFrame {
    double scale = 1.0;
    CRect bounds;
    CRect image;
};

// The frame of drawing bounds under the limits.
ExportFrame ComputeExportFrame(const CRect& bounds, const ImageLimits& limits);

// Draws model (only its selected drawables with selectionOnly, framed by the
// selection's bounds) and writes path + "." + format, format being "bmp",
// "jpg" or "png" (lower case). Nothing for a null model. Failures throw
// CKestException with the failure's text and leave no file of the export
// behind; a file named path + ".bmp" that existed before a JPEG or PNG export
// is never touched.
void ExportDiagramImage(Model* model, bool selectionOnly, const std::string& path,
                        const std::string& format, const ImageLimits& limits);

// Writes the first height rows of width pixels of the image-backed context
// as a DIB file, for a device reporting colours (NUMCOLORS; 0 or less for a
// device without a palette) and bitsPerPixel. Throws CKestException with the
// failure's text; a file that could not be written whole is removed.
void SaveDibFile(DeviceContext& dc, int32_t width, int32_t height, int32_t colours,
                 int32_t bitsPerPixel, const std::string& fileName);

// Converts a DIB file into a JPEG (PNG) file beside it, named by replacing
// the last three characters of the name with "jpg" ("png"). 0 on success, 1
// on failure; a failed conversion leaves no output file.
int ConvertBmpToJpeg(const std::string& input);
int ConvertBmpToPng(const std::string& input);

// Writes count bytes to the open file; true only when all were written.
bool WriteFileChecked(int fd, const void* buffer, size_t count);

} // namespace qm
