// The desktop clipboard's file references (on the offscreen platform's
// clipboard): a reference put is read back only while it names a regular
// file of the current user; anything else under our MIME type is refused.
#include "platform/DesktopClipboard.h"
#include "platform/Files.h"
#include "tests/support/ScratchFolder.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <gtest/gtest.h>
#include <unistd.h>

namespace qm {
namespace {

void PutRaw(const QByteArray& bytes) {
    auto* data = new QMimeData;
    data->setData(kMastersClipboardMime, bytes);
    QGuiApplication::clipboard()->setMimeData(data);
}

TEST(DesktopClipboard, ReferencesNameRegularFilesOfTheUser) {
    ScratchFolder dir;
    const std::string file = dir / "Quillmark.clp";
    const std::string link = dir / "link.clp";
    ASSERT_TRUE(WriteFileReplacing(file, "(Quillmark \"8.0\" clipboard)\n"));
    ASSERT_EQ(::symlink(file.c_str(), link.c_str()), 0);

    ASSERT_TRUE(PutFileReference(kMastersClipboardMime, file));
    EXPECT_EQ(GetFileReference(kMastersClipboardMime), file);
    // Another MIME type holds nothing of ours.
    EXPECT_FALSE(GetFileReference("application/x-other"));

    struct Case {
        const char* what;
        QByteArray data;
    } refused[] = {
        {"a folder", QByteArray::fromStdString(dir.Path())},
        {"a link", QByteArray::fromStdString(link)},
        {"a missing file", QByteArray::fromStdString(dir / "missing.clp")},
        {"nothing", QByteArray()},
        {"a NUL inside", QByteArray::fromStdString(file) + QByteArray(1, '\0') + "x"},
        {"an overlong path", QByteArray(5000, 'a')},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.what);
        PutRaw(c.data);
        EXPECT_FALSE(GetFileReference(kMastersClipboardMime));
    }
}

} // namespace
} // namespace qm
