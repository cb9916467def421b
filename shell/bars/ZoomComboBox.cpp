// The zoom box: text to percentage, clamping, fit to page and the applying.
#include "shell/bars/ZoomComboBox.h"

#include "platform/Format.h"
#include "platform/Prompt.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QLineEdit>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace qm {

namespace {
constexpr const char* kFitToPage = "Fit To Page";
}

int ZoomPercentOfText(const std::string& text, int fitPercent) {
    if (text == kFitToPage)
        return fitPercent;
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    // Digits beyond what a percentage can need are held at a large value, so
    // a long number clamps instead of overflowing.
    long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        value = std::min<long>(value * 10 + (text[i] - '0'), 1000000);
    return static_cast<int>(negative ? -value : value);
}

int FitToPagePercent(int viewWidth, int viewHeight, int pageWidth, int pageHeight) {
    if (viewWidth <= 0 || viewHeight <= 0 || pageWidth <= 0 || pageHeight <= 0)
        return 100;
    const double across = std::trunc(static_cast<double>(viewWidth) / pageWidth * 100.0);
    const double down = std::trunc(static_cast<double>(viewHeight) / pageHeight * 100.0);
    return static_cast<int>(std::min({across, down, 1000000.0}));
}

ZoomComboBox::ZoomComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setAccessibleName("Zoom");
    setToolTip("Zoom");
    for (const char* entry :
         {kFitToPage, "25%", "50%", "75%", "100%", "150%", "200%", "300%", "400%"})
        addItem(entry);
    setCurrentIndex(4);
    view()->setMinimumWidth(80);
    lineEdit()->installEventFilter(this);
    // Return in the edit field applies as well.
    QObject::connect(lineEdit(), &QLineEdit::returnPressed, [this] { ApplyText(); });
    QObject::connect(this, &QComboBox::activated, [this](int index) {
        setCurrentIndex(index);
        if (focusView)
            focusView();
        ApplyText();
    });
}

void ZoomComboBox::SetZoom(double factor) {
    // A hair added before truncating keeps a stepped zoom such as 2.3, whose
    // product with 100 falls just short of 230, on its own percentage.
    const QString text =
        QString::fromStdString(Format("%i%%", static_cast<int>(factor * 100.0 + 1e-9)));
    int index = findText(text, Qt::MatchExactly);
    if (index < 0) {
        addItem(text);
        index = count() - 1;
    }
    setCurrentIndex(index);
}

void ZoomComboBox::ApplyZoom(int percent) {
    percent = std::clamp(percent, kMinPercent, kMaxPercent);
    if (applyToView && applyToView(percent / 100.0)) {
        lastApplied_ = percent;
        return;
    }
    Prompts().Beep();
}

void ZoomComboBox::ApplyText() {
    const int fit = fitToPagePercent ? fitToPagePercent() : 100;
    ApplyZoom(ZoomPercentOfText(currentText().toStdString(), fit));
}

bool ZoomComboBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lineEdit() && event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        ApplyText();
    return QComboBox::eventFilter(watched, event);
}

} // namespace qm
