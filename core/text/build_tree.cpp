#include "core/text/build_tree.h"

#include <algorithm>
#include <iterator>

namespace moorix {

bool insideBuildTree(const std::filesystem::path& item, const std::filesystem::path& buildFolder) {
    if (!item.is_absolute() || !buildFolder.is_absolute()) return false;
    std::error_code error;
    std::filesystem::path folder = std::filesystem::weakly_canonical(buildFolder, error);
    if (error) folder = buildFolder.lexically_normal();
    const std::filesystem::path normal = item.lexically_normal();
    // Component by component, so that "/work/build-old" is not inside "/work/build"; a trailing slash of
    // the folder is an empty last component.
    const auto [left, right] = std::mismatch(folder.begin(), folder.end(), normal.begin(), normal.end());
    return left == folder.end() || (left->empty() && std::next(left) == folder.end());
}

} // namespace moorix
