// The explorer's and the side pane's images, loaded once per process from
// the application folder.
#include "dialogs/model/PaneImages.h"

#include "platform/UserFolders.h"

#include <array>

namespace qm {

namespace {

constexpr const char* kExplorerImages[PiCount] = {
    "folder",
    "folder-open",
    "model-default",
    "model-class",
    "model-usecase",
    "model-sequence",
    "model-collaboration",
    "model-state",
    "model-interaction",
    "model-implementation",
    "link-tool",
    "place-tool",
    "link-stereotype",
    "place-stereotype",
    "file",
};
constexpr const char* kTabImages[] = {"tab-lister", "tab-annotation", "tab-locater", "tab-matrix",
                                      "tab-reference"};

QIcon Load(const char* name) {
    const std::string folder = ApplicationFolder();
    if (folder.empty())
        return {};
    return QIcon(QString::fromStdString(folder + "/Icons/panes/" + name + ".png"));
}

template <size_t N> const QIcon& Pick(const char* const (&names)[N], int index) {
    static const QIcon empty;
    static std::array<QIcon, N> icons;
    static std::array<bool, N> loaded{};
    if (index < 0 || size_t(index) >= N)
        return empty;
    if (!loaded[size_t(index)]) {
        icons[size_t(index)] = Load(names[index]);
        loaded[size_t(index)] = true;
    }
    return icons[size_t(index)];
}

} // namespace

const QIcon& PaneImage(int index) {
    return Pick(kExplorerImages, index);
}

const QIcon& TabImage(int index) {
    return Pick(kTabImages, index);
}

} // namespace qm
