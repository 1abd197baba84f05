#pragma once

#include <string>
#include <string_view>

namespace moorix {

// Text from outside (a process name, an argument, a folder, a project or container name) as it may be
// written to a terminal: shown, never obeyed. Every control character, C0, DEL and C1 (U+0080 to U+009F),
// becomes a visible escape ("\t", "\n", "\r", else "\x1b" and the like), and every invalid UTF-8 sequence
// U+FFFD. A backslash stays as it is: the escapes are for the eye, not to be read back (a script reads
// --list), and doubling every backslash would garble the everyday ones in arguments and paths for the sake
// of a name that spells an escape out.
std::string terminalSafe(std::string_view text);

} // namespace moorix
