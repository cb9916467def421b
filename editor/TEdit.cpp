// The in-place editor and the start and end of an in-place text edit.
#include "editor/TEdit.h"

#include "document/CCASEDoc.h"
#include "drawables/FontFaceTable.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "editor/operations/ViewEdits.h"
#include "platform/PainterDC.h"

#include <QTextCursor>
#include <QTextOption>

namespace qm {

TEdit::TEdit(int alignment, QWidget* parent) : QPlainTextEdit(parent), alignment_(alignment) {
    setObjectName("TEdit");
    setAccessibleName("Label");
    setFrameShape(QFrame::Box);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QTextOption option = document()->defaultTextOption();
    option.setAlignment(alignment == 0   ? Qt::AlignLeft
                        : alignment == 2 ? Qt::AlignRight
                                         : Qt::AlignHCenter);
    document()->setDefaultTextOption(option);
    // The label's frame is blue while it is edited.
    setStyleSheet("TEdit, QPlainTextEdit { border: 1px solid rgb(0, 0, 255); }");
    setGeometry(0, 0, 10, 10);
    hide();
}

void TEdit::SetLooks(const Looks& looks, double zoom) {
    CFont& font = FontFaces().SecondWorkFont();
    FontFaces().UpdateFont(font, looks, zoom);
    LogFont log;
    if (font.GetLogFont(&log))
        setFont(FontFromLogFont(log));
    update();
}

std::string TEdit::SelectedText() const {
    // Paragraph separators become new lines, as the label stores them.
    QString text = textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, '\n');
    return text.toStdString();
}

void TEdit::ReplaceSelection(const std::string& text) {
    textCursor().insertText(QString::fromStdString(text));
}

namespace {

void StartEdit(Drawable& drawable, TEdit& edit, const std::string& text, CRect rect, int scrollX,
               int scrollY, double zoom) {
    (void)drawable;
    edit.setPlainText(QString::fromStdString(text));
    const int left = static_cast<int>(rect.left * zoom) - scrollX;
    const int top = static_cast<int>(rect.top * zoom) - scrollY;
    const int width = std::max(static_cast<int>(rect.Width() * zoom), 24);
    const int height =
        std::max(static_cast<int>(rect.Height() * zoom), edit.fontMetrics().height() + 6);
    // The blue frame lies about the label, one unit outside it.
    edit.setGeometry(left - 1, top - 1, width + 2, height + 2);
    QTextCursor cursor = edit.textCursor();
    const int length = static_cast<int>(edit.toPlainText().size());
    // A one-character text is selected whole, so that typing replaces it;
    // else the caret stands at the end.
    cursor.setPosition(length == 1 ? 0 : length);
    if (length == 1)
        cursor.setPosition(1, QTextCursor::KeepAnchor);
    edit.setTextCursor(cursor);
    edit.SetModified(false);
    edit.show();
    edit.raise();
    edit.setFocus();
}

} // namespace

ModelObject* EditDrawableText(CCASEDoc& document, Model& model, Drawable& drawable, TEdit& edit,
                              int scrollX, int scrollY, double zoom, bool begin) {
    CRect rect;
    std::string* text = drawable.GetEditableText(rect);
    if (text == nullptr)
        return nullptr;
    if (begin) {
        StartEdit(drawable, edit, *text, rect, scrollX, scrollY, zoom);
        return nullptr;
    }
    ModelObject* changed = nullptr;
    std::string newText = edit.toPlainText().toStdString();
    if (edit.IsModified() && newText != *text) {
        edit.SetModified(false);
        changed = EndTextEdit(document, model, drawable, *text, newText);
    }
    edit.SetModified(false);
    edit.hide();
    return changed;
}

} // namespace qm
