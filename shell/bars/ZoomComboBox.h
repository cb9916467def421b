// The editable zoom box of the main tool bar: percentages written "%i%%" and
// "Fit To Page"; what is typed or chosen is clamped to 20..400 and applied to
// the active diagram view when the box loses the focus or its list closes.
#pragma once

#include <QComboBox>

#include <functional>
#include <string>

namespace qm {

// The percentage of a typed text: fitPercent for "Fit To Page", else the
// leading integer ("150%" gives 150, text without digits 0), unclamped.
int ZoomPercentOfText(const std::string& text, int fitPercent);
// The percentage at which a page matrix of w x h fills a view of W x H;
// 100 when either has no extent.
int FitToPagePercent(int viewWidth, int viewHeight, int pageWidth, int pageHeight);

class ZoomComboBox : public QComboBox {
  public:
    static constexpr int kMinPercent = 20;
    static constexpr int kMaxPercent = 400;

    explicit ZoomComboBox(QWidget* parent = nullptr);

    // Shows factor as "%i%%" (truncated), adding the entry once, and selects it.
    void SetZoom(double factor);
    // Clamps and applies percent to the active view; beeps when there is none.
    void ApplyZoom(int percent);
    // Applies the text of the edit field.
    void ApplyText();
    int LastApplied() const { return lastApplied_; }

    // The view's services, set by the main frame: apply a factor (false when
    // no view is active), the fit-to-page percentage, and focus the view.
    std::function<bool(double factor)> applyToView;
    std::function<int()> fitToPagePercent;
    std::function<void()> focusView;

  protected:
    // The edit field losing the focus (not to the box's own list) applies.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int lastApplied_ = 100;
};

} // namespace qm
