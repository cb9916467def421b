// The About box and splash screen.
#include "shell/frames/AboutDialog.h"

#include "shell/Environment.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace qm {

std::string AboutText(const Environment& environment) {
    return "Quillmark " + environment.programVersion + " (Build " + environment.buildNumber +
           ")\nKestScript " + environment.kernelVersion + " (Build " + environment.kernelBuild +
           ")\nA tool for object-oriented modelling in UML notation.";
}

AboutDialog::AboutDialog(Environment& environment, bool splash, QWidget* owner)
    : QDialog(owner), environment_(environment), splash_(splash) {
    setWindowTitle("About Quillmark");
    information_ = new QLabel(QString::fromStdString(AboutText(environment)), this);
    // The text itself is the label's name on the accessibility bus; a name
    // of its own would hide it there.
    information_->setAccessibleDescription("Information");
    ok_ = new QPushButton("OK", this);
    ok_->setDefault(true);
    agreement_ = new QPushButton("&Agreement...", this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(agreement_);
    buttons->addWidget(ok_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(information_);
    layout->addLayout(buttons);
    QObject::connect(ok_, &QPushButton::clicked, [this] { done(1020); });
    QObject::connect(agreement_, &QPushButton::clicked,
                     [this] { environment_.ShowHelpTopic("Legal.html"); });
    if (!splash_)
        return;
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    ok_->hide();
    agreement_->hide();
    setAttribute(Qt::WA_DeleteOnClose);
    QTimer::singleShot(kSplashMilliseconds, this, [this] { close(); });
}

} // namespace qm
