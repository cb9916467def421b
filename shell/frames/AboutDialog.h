// The About box, shown modally by Help/About and modelessly as the splash
// screen while the main frame is made; its Agreement button opens the legal
// page of the help folder.
#pragma once

#include <QDialog>

#include <string>

class QLabel;
class QPushButton;

namespace qm {

class Environment;

// The information text; its first line is "Quillmark <version> (Build <build>)".
std::string AboutText(const Environment& environment);

class AboutDialog : public QDialog {
  public:
    // The splash screen closes itself after this many milliseconds.
    static constexpr int kSplashMilliseconds = 1200;

    // splash: frameless, without buttons, gone after kSplashMilliseconds
    // (the dialog then deletes itself; make it with new).
    AboutDialog(Environment& environment, bool splash, QWidget* owner);

    bool IsSplash() const { return splash_; }
    QLabel* Information() const { return information_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* AgreementButton() const { return agreement_; }

  private:
    Environment& environment_;
    bool splash_;
    QLabel* information_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* agreement_ = nullptr;
};

} // namespace qm
