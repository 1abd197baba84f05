#pragma once

#include <string>

// The path of the `moorix` command that started the desktop program: where the texts are found beside it,
// and what starts at login. The desktop program's entry sets it once, before anything reads it.
namespace moorix {

void setCommandPath(std::string path);

// The path set, or this executable's own path when the program was started directly.
std::string commandPath();

} // namespace moorix
