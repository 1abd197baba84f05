// scripts/check-portability, which `make test` runs over the sources: it must see each system's calls in
// shared code, and nothing in comments, in names that merely look alike, or in the platform files.
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <regex>

namespace moorix {

const std::string kChecker = std::string(MOORIX_SOURCE_DIR) + "/scripts/check-portability";

// One use per line, the Linux-only ones first.
const std::string kUses = R"(#include <sys/epoll.h>
int a = ::pipe2(fds, O_CLOEXEC);
int b = accept4(s, nullptr, nullptr, 0);
int c = ::dup3(1, 2, 0);
int d = inotify_init1(0);
prctl(PR_SET_NAME, "x");
int e = memfd_create("x", 0);
sendfile(out, in, nullptr, 9);
getrandom(buffer, 8, 0);
auto f = status.st_mtim.tv_nsec;
clock_gettime(CLOCK_BOOTTIME, &now);
int g = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
std::string h = "/proc/" + std::to_string(pid) + "/cwd";
#include <sys/sysctl.h>
int i = proc_pidinfo(pid, 0, 0, &info, sizeof info);
auto j = status.st_mtimespec;
)";

// Look-alikes that are fine anywhere.
const std::string kHarmless = R"(// pipe2 and /proc/self/exe in a comment
/* st_mtim
   CLOCK_BOOTTIME */
const char* text = "calls pipe2( and sysctl, then reads /proc"; // "/proc/" not at the start
auto k = status.st_mtime + my_pipe2(x) + lsof_sysctl_like;
const char* raw = R"x(a raw string: "// not a comment", then /proc/)x";
)";

TEST(PortabilityCheck, FindsEachSystemsCallsOnlyOutsideThePlatformFiles) {
    test::TempDir dir;
    for (const char* allowed :
         {"core/platform/platform_linux.cpp", "core/platform/extra.h", "app/services/x_macos.mm",
          "app/services/y_linux.cpp", "build-test/core/generated.cpp", "app/services/notes.txt"})
        dir.write(allowed, kUses);
    dir.write("app/services/shared.cpp", kHarmless);
    EXPECT_EQ(test::runCommand({kChecker, dir.path()}).status, 0);

    dir.write("core/shared.cpp", kHarmless + kUses);
    const auto result = test::runCommand({kChecker, dir.path()});
    EXPECT_EQ(result.status, 1);
    // Each use on its own line of the report, after the six look-alike lines, with the system it belongs to.
    std::string expected;
    for (int line = 7; line < 23; ++line)
        expected +=
            "core/shared.cpp:" + std::to_string(line) + (line < 20 ? ": (Linux-only)\n" : ": (macOS-only)\n");
    EXPECT_EQ(std::regex_replace(result.out, std::regex(": .* \\("), ": ("), expected);
}

} // namespace moorix
