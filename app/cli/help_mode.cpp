#include "app/cli/modes.h"

#include <cstdio>

namespace moorix::cli {

int helpMode() {
    std::fputs("Moorix: what is listening on your TCP ports, and who started it.\n"
               "\n"
               "Usage: moorix [OPTION]\n"
               "Without an option Moorix starts as a menu-bar (tray) application.\n"
               "\n"
               "  --list             print every listening TCP socket as one line of JSON\n"
               "  --table            print the listening sockets as a table, development ports first\n"
               "  --kill PORTS       stop each process listening on PORTS: SIGTERM, then SIGKILL after 2 s\n"
               "  --kill-tree PORTS  stop the outermost development tool (npm, node, pnpm, ...) above it\n"
               "  --restart PORT     stop that tool tree and start its command line again, in its folder\n"
               "  --t KEY            print the English and Turkish texts of a translation key\n"
               "  --argv PID         print the argument vector of a process, one [index] argument a line\n"
               "  --history          print the port openings and closings of the last 30 days\n"
               "  --insights         print orphaned development servers, then servers up for over a day\n"
               "  --docker           print the host ports that running Docker containers publish\n"
               "  --probe PORT       print healthy when something answers HTTP on PORT, else no-http\n"
               "  --watch [--all]    print each port opening and closing as a line of JSON as it happens;\n"
               "                     with --all, first an opening for each port already open\n"
               "  --wait PORTS [SECS]\n"
               "                     wait until all of PORTS listen: status 0, or 1 after SECS (default 30)\n"
               "  --wait-free PORTS [SECS]\n"
               "                     wait until none of PORTS listens: status 0, or 1 after SECS\n"
               "  --help             print this help\n"
               "  --version          print the version\n"
               "\n"
               "PORTS is a port, or ports and ranges such as 3000,3001,5170-5175 (at most 1024).\n",
               stdout);
    return 0;
}

int versionMode() {
    std::fputs("moorix " MOORIX_VERSION "\n", stdout);
    return 0;
}

} // namespace moorix::cli
