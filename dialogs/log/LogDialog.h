// The window layout the log window and the method code window share: a
// modeless, resizable window captioned "Log" holding one multi-line text box
// that fills it, with tab stops of 16 dialog units.
#pragma once

class QDialog;
class QFont;
class QPlainTextEdit;

namespace qm {

// Lays dialog out as that window with its text box in font; the text box.
QPlainTextEdit* BuildLogDialog(QDialog& dialog, const QFont& font);

} // namespace qm
