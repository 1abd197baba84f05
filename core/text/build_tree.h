#pragma once

#include <filesystem>

namespace moorix {

// Whether `item` is the folder `buildFolder` or lies inside it. Only a program running inside the build tree
// it was made in may look for its parts at paths baked into it then: for an installed copy that folder is
// gone, or holds anyone's files by now.
bool insideBuildTree(const std::filesystem::path& item, const std::filesystem::path& buildFolder);

} // namespace moorix
