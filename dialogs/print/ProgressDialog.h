// The modeless "Progress" dialog: a line of text over a progress bar, shown
// while a long request or a print job of many pages runs. The work it
// follows may offer a Cancel button; without one it ends on its own.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

namespace qm {

class ProgressDialog : public QDialog {
  public:
    explicit ProgressDialog(QWidget* parent = nullptr);

    // The step of n steps: a tenth of them, at least 1.
    static int StepFor(int n);

    // Sets the range 0..n (a negative n counts as 0), the step, an empty text
    // and position 0, and shows the dialog painted at once.
    void Start(int n);
    // Shows text (empty for none) and moves the bar to position, kept in the
    // range.
    void SetProgress(const std::string& text, int position);
    // Advances the bar by one step, no further than its end.
    void StepIt();
    void Hide() { hide(); }
    // Offers a "Cancel" button, which calls onCancel (as do Escape and the
    // close box, which then leave the dialog shown: the work hides it when
    // it has stopped). An empty function takes the button away again.
    void SetCancel(std::function<void()> onCancel);
    QPushButton* CancelButton() const { return cancel_; }

    int Maximum() const;
    int Position() const;
    int Step() const { return step_; }
    std::string Text() const;

  protected:
    void reject() override;

  private:
    QLabel* text_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancel_ = nullptr;
    std::function<void()> onCancel_;
    int step_ = 1;
};

} // namespace qm
