// The desktop clipboard through Qt's clipboard of the graphical application.
#include "platform/DesktopClipboard.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QString>

#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

// A path longer than this is no reference of ours.
constexpr qsizetype kMaxReference = 4096;

QClipboard* DesktopClipboard() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return nullptr;
    return QGuiApplication::clipboard();
}

} // namespace

bool PutFileReference(const std::string& mimeType, const std::string& path) {
    QClipboard* clipboard = DesktopClipboard();
    if (clipboard == nullptr)
        return false;
    auto* data = new QMimeData;
    data->setData(QString::fromStdString(mimeType),
                  QByteArray(path.data(), static_cast<qsizetype>(path.size())));
    // The clipboard takes the data over.
    clipboard->setMimeData(data);
    return true;
}

std::optional<std::string> GetFileReference(const std::string& mimeType) {
    QClipboard* clipboard = DesktopClipboard();
    if (clipboard == nullptr)
        return std::nullopt;
    const QMimeData* data = clipboard->mimeData();
    const QString format = QString::fromStdString(mimeType);
    if (data == nullptr || !data->hasFormat(format))
        return std::nullopt;
    const QByteArray bytes = data->data(format);
    if (bytes.isEmpty() || bytes.size() > kMaxReference || bytes.contains('\0'))
        return std::nullopt;
    std::string path(bytes.constData(), static_cast<size_t>(bytes.size()));
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != geteuid())
        return std::nullopt;
    return path;
}

} // namespace qm
