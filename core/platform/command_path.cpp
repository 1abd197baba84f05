#include "core/platform/command_path.h"

#include "core/platform/platform.h"

namespace moorix {

namespace {

std::string& stored() {
    static std::string path;
    return path;
}

} // namespace

void setCommandPath(std::string path) { stored() = std::move(path); }

std::string commandPath() { return stored().empty() ? platform::executablePath() : stored(); }

} // namespace moorix
