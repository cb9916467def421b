// The progress dialog: its layout, the range and step, and the painting at
// once that keeps it current while the work runs on the same thread.
#include "dialogs/print/ProgressDialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace qm {

ProgressDialog::ProgressDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Progress");
    setModal(false);
    setAttribute(Qt::WA_QuitOnClose, false);
    auto* layout = new QVBoxLayout(this);
    text_ = new QLabel(this);
    text_->setObjectName("ProgressText");
    text_->setMinimumWidth(260);
    bar_ = new QProgressBar(this);
    bar_->setObjectName("ProgressBar");
    bar_->setAccessibleName("Progress");
    cancel_ = new QPushButton("Cancel", this);
    cancel_->setObjectName("ProgressCancel");
    cancel_->hide();
    QObject::connect(cancel_, &QPushButton::clicked, this, [this] { reject(); });
    layout->addWidget(text_);
    layout->addWidget(bar_);
    layout->addWidget(cancel_, 0, Qt::AlignRight);
}

void ProgressDialog::SetCancel(std::function<void()> onCancel) {
    onCancel_ = std::move(onCancel);
    cancel_->setVisible(onCancel_ != nullptr);
}

void ProgressDialog::reject() {
    if (onCancel_ == nullptr) {
        QDialog::reject();
        return;
    }
    onCancel_();
}

int ProgressDialog::StepFor(int n) {
    return std::max(1, n / 10);
}

void ProgressDialog::Start(int n) {
    n = std::max(0, n);
    bar_->setRange(0, n);
    step_ = StepFor(n);
    text_->clear();
    bar_->setValue(0);
    show();
    // Painted now: the work that follows keeps the event loop busy.
    repaint();
}

void ProgressDialog::SetProgress(const std::string& text, int position) {
    text_->setText(QString::fromStdString(text));
    bar_->setValue(std::clamp(position, 0, bar_->maximum()));
    repaint();
}

void ProgressDialog::StepIt() {
    bar_->setValue(std::min(bar_->value() + step_, bar_->maximum()));
    repaint();
}

int ProgressDialog::Maximum() const {
    return bar_->maximum();
}

int ProgressDialog::Position() const {
    return bar_->value();
}

std::string ProgressDialog::Text() const {
    return text_->text().toStdString();
}

} // namespace qm
