// Copy and paste of the diagram view: the picture of the selection as SVG and
// as an image at zoom 1.0, the label editor's text, the tool icon's private
// layout, and the masters clipboard file that Paste reads in any window.
#include "editor/ViewClipboard.h"

#include "document/CCASEDoc.h"
#include "drawables/DrawingSwitches.h"
#include "drawables/Model.h"
#include "editor/TContent.h"
#include "editor/TEdit.h"
#include "platform/DesktopClipboard.h"
#include "platform/PainterDC.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QSvgGenerator>

#include <set>

namespace qm {

namespace {

// At most this many bytes of clipboard text arrive in the label editor.
constexpr qsizetype kMaxPastedText = 0x1FFFF;

// What is copied: the selection in its order, or every drawable in drawing
// order, with the bounds of them all.
std::vector<Drawable*> CopiedDrawables(Model& model, bool all, CRect& bounds) {
    std::vector<Drawable*> list;
    if (all) {
        model.GetBounds(bounds);
        for (const auto& drawable : model.Drawables())
            list.push_back(drawable.get());
    } else {
        model.GetSelectionBounds(bounds);
        list.assign(model.Selection().begin(), model.Selection().end());
    }
    return list;
}

// Draws the drawables at zoom 1.0 with their top-left bound at the origin,
// with the export switch set meanwhile.
void DrawCopied(DeviceContext& dc, Model& model, const std::vector<Drawable*>& list,
                const CRect& bounds) {
    ScopedDrawingSwitch exporting(DrawingSwitch::MetafileOutput);
    ScopedDrawingFlag flag(model.modelFlags & MfRenumber);
    dc.SetViewportOrg(CPoint(-bounds.left, -bounds.top));
    for (Drawable* drawable : list)
        drawable->Draw(dc, &drawable->looks, 1.0, nullptr, nullptr, 0);
}

} // namespace

namespace {

// Draws what a copy takes of model (the selection, or with all every
// drawable) on the device that make gives for the bounds' size; false when
// there is nothing to draw.
template <class Make> bool DrawCopy(Model* model, bool all, Make&& make) {
    if (model == nullptr)
        return false;
    CRect bounds;
    const std::vector<Drawable*> list = CopiedDrawables(*model, all, bounds);
    if (bounds.IsRectEmpty())
        return false;
    QPaintDevice* device = make(QSize(bounds.Width(), bounds.Height()));
    PainterDC dc(device);
    if (dc.IsActive())
        DrawCopied(dc, *model, list, bounds);
    return true;
}

} // namespace

QByteArray TContent::SelectionAsSvg(bool all) const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    DrawCopy(CurrentModel(), all, [&](QSize size) -> QPaintDevice* {
        generator.setOutputDevice(&buffer);
        generator.setSize(size);
        generator.setViewBox(QRect(QPoint(0, 0), size));
        generator.setTitle("Drawing");
        generator.setDescription("Quillmark");
        return &generator;
    });
    return bytes;
}

QImage TContent::SelectionAsImage(bool all) const {
    QImage image;
    DrawCopy(CurrentModel(), all, [&](QSize size) -> QPaintDevice* {
        image = QImage(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        return &image;
    });
    return image;
}

void TContent::CopyToClipboard(bool cut, bool shallow) {
    QClipboard* clipboard = DesktopClipboard();
    if (IsEditingLabel() && labelEditor_->textCursor().hasSelection()) {
        if (clipboard != nullptr)
            clipboard->setText(QString::fromStdString(labelEditor_->SelectedText()));
        if (cut)
            labelEditor_->ReplaceSelection("");
        return;
    }
    Model* model = CurrentModel();
    if (model == nullptr) {
        if (clipboard != nullptr && textView_->textCursor().hasSelection())
            clipboard->setText(textView_->textCursor().selectedText());
        return;
    }
    if (IconEditedTool(nullptr) != nullptr) {
        CopyIcon(cut);
        return;
    }
    auto* data = new QMimeData;
    data->setData(kSvgMime, SelectionAsSvg(false));
    data->setImageData(SelectionAsImage(false));
    try {
        model->CopySelection(&document_, shallow);
        const std::string path = CCASEDoc::ClipboardFile();
        data->setData(kMastersClipboardMime,
                      QByteArray(path.data(), static_cast<qsizetype>(path.size())));
    } catch (...) {
        delete data;
        throw;
    }
    // One set of forms replaces what the file's reference alone put there.
    if (clipboard != nullptr)
        clipboard->setMimeData(data);
    else
        delete data;
    if (cut)
        InvalidateLogicalRect(DeleteSelection(ChangeKind::Cut));
    viewport()->update();
}

void TContent::PasteFromClipboard() {
    Model* model = CurrentModel();
    if (model == nullptr)
        return;
    if (IsEditingLabel()) {
        QClipboard* clipboard = DesktopClipboard();
        if (clipboard == nullptr)
            return;
        QByteArray text = clipboard->text().toUtf8();
        // A long text is cut at a character's start, never inside one.
        if (text.size() > kMaxPastedText) {
            qsizetype end = kMaxPastedText;
            while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
                --end;
            text.truncate(end);
        }
        labelEditor_->ReplaceSelection(text.toStdString());
        return;
    }
    if (IconEditedTool(nullptr) != nullptr) {
        PasteIcon();
        return;
    }
    model->DeselectAll(nullptr, false);
    std::set<const Drawable*> before;
    for (const auto& drawable : model->Drawables())
        before.insert(drawable.get());
    document_.PasteFromClipboardFile(true, model, CPoint(0, 0));
    for (const auto& drawable : model->Drawables())
        if (before.count(drawable.get()) == 0)
            model->Select(drawable.get(), true, nullptr, false);
    OnSelectionChanged();
    viewport()->update();
}

QClipboard* DesktopClipboard() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return nullptr;
    return QGuiApplication::clipboard();
}

QByteArray IconToClipboardBytes(const QImage& image, int width, int height) {
    QImage indexed = image.convertToFormat(QImage::Format_Indexed8);
    QVector<QRgb> table = indexed.colorTable();
    table.resize(256, qRgb(0, 0, 0));
    QByteArray bytes(static_cast<qsizetype>(width) * height + 1024, '\0');
    for (int y = 0; y < height && y < indexed.height(); ++y)
        for (int x = 0; x < width && x < indexed.width(); ++x)
            bytes[y * width + x] = static_cast<char>(indexed.pixelIndex(x, y));
    char* colours = bytes.data() + static_cast<qsizetype>(width) * height;
    for (int i = 0; i < 256; ++i) {
        colours[i * 4] = static_cast<char>(qBlue(table[i]));
        colours[i * 4 + 1] = static_cast<char>(qGreen(table[i]));
        colours[i * 4 + 2] = static_cast<char>(qRed(table[i]));
        colours[i * 4 + 3] = 0;
    }
    return bytes;
}

std::optional<QImage> IconFromClipboardBytes(const QByteArray& bytes, int width, int height) {
    if (width <= 0 || height <= 0 || bytes.size() != static_cast<qsizetype>(width) * height + 1024)
        return std::nullopt;
    QImage image(width, height, QImage::Format_Indexed8);
    QVector<QRgb> table(256);
    const auto* colours =
        reinterpret_cast<const unsigned char*>(bytes.constData()) + qsizetype(width) * height;
    for (int i = 0; i < 256; ++i)
        table[i] = qRgb(colours[i * 4 + 2], colours[i * 4 + 1], colours[i * 4]);
    image.setColorTable(table);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, static_cast<unsigned char>(bytes[y * width + x]));
    return image;
}

} // namespace qm
