// Installing as Linux software: `make install` into a prefix of its own and `make uninstall`, the Debian
// package, and what the installed program tells about itself (help, manual page, shell completions).
#include "app/cli/command_line.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <regex>

namespace moorix {

namespace fs = std::filesystem;

namespace {

// The standard output of a shell command line, its standard error too when it says 2>&1.
test::RunResult shell(const std::string& command, const std::map<std::string, std::string>& env = {}) {
    return test::runCommand({"/bin/sh", "-c", command}, env);
}

bool installed(const std::string& program) { return ::access(("/usr/bin/" + program).c_str(), X_OK) == 0; }

// Whether `text` names `word` (letters, digits, hyphens and spaces) on its own: "--kill-tree" does not name
// "--kill", nor "--table" "--t".
bool namesWord(const std::string& text, const std::string& word) {
    return std::regex_search(text, std::regex("(^|[^-[:alnum:]])" + word + "($|[^-[:alnum:]])"));
}

// What the install rules place, under the prefix.
const auto kInstalled = std::to_array<std::string>(
    {"bin/moorix", "lib/moorix/moorix-desktop",
     "share/moorix/Moorix_Moorix.bundle/en.lproj/Localizable.strings",
     "share/applications/com.quenvale.moorix.desktop",
     "share/icons/hicolor/scalable/apps/com.quenvale.moorix.svg",
     "share/metainfo/com.quenvale.moorix.metainfo.xml", "share/man/man1/moorix.1.gz",
     "share/doc/moorix/copyright", "share/doc/moorix/changelog.gz",
     "share/bash-completion/completions/moorix", "share/zsh/vendor-completions/_moorix",
     "share/fish/vendor_completions.d/moorix.fish"});

} // namespace

// Every option the dispatch knows is in --help, the manual page and the three shells' completions; bash
// completes options, and the listed ports after an option that takes ports, also after a comma.
TEST(Install, EveryOptionTheDispatchKnowsIsInTheHelpTheManualPageAndTheCompletions) {
    const std::string help = test::runMoorix({"--help"}).out;
    const fs::path page = MOORIX_BUILD_DIR "/man/moorix.1";
    // The page's options are the tags of its paragraphs (the line after .TP), each hyphen written \-.
    std::string tags;
    const auto pageLines = test::lines(std::regex_replace(test::readFile(page), std::regex(R"(\\-)"), "-"));
    for (std::size_t index = 1; index < pageLines.size(); ++index)
        if (pageLines[index - 1] == ".TP") tags += pageLines[index] + "\n";
    const std::string completion = MOORIX_SOURCE_DIR "/resources/completions/";
    // What bash offers after `words`, with the built moorix listing the ports.
    const auto complete = [&](const std::string& words) {
        return test::lines(
            shell(
                "exec bash --norc --noprofile -c '. \"" + completion + "moorix\"; COMP_WORDS=(" + words +
                    R"(); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _moorix; printf "%s\n" "${COMPREPLY[@]}"')",
                {{"PATH", fs::path(MOORIX_BINARY).parent_path().string() + ":/usr/bin:/bin"}})
                .out);
    };
    const auto bash = complete("moorix --");
    const std::string zsh = test::readFile(completion + "_moorix");
    const std::string fish = test::readFile(completion + "moorix.fish");
    ASSERT_FALSE(cli::optionNames().empty());
    for (const std::string_view name : cli::optionNames()) {
        const std::string option(name);
        SCOPED_TRACE(option);
        EXPECT_TRUE(namesWord(help, option));
        EXPECT_TRUE(namesWord(tags, option)) << "the manual page's options";
        EXPECT_EQ(std::ranges::count(bash, option), 1);
        EXPECT_NE(zsh.find("'" + option + "["), std::string::npos);
        EXPECT_TRUE(namesWord(fish, "-l " + option.substr(2)));
    }
    test::Child server(test::listener());
    const std::string port = std::to_string(test::listeningPort(server));
    EXPECT_EQ(complete("moorix --ki"), (std::vector<std::string>{"--kill", "--kill-tree"}));
    EXPECT_EQ(std::ranges::count(complete("moorix --kill \"\""), port), 1) << port;
    EXPECT_EQ(std::ranges::count(complete("moorix --wait-free 1," + port.substr(0, 1)), "1," + port), 1);
    if (installed("man")) {
        EXPECT_EQ(shell("MANWIDTH=80 man --warnings -l '" + page.string() + "' 2>&1 >/dev/null").out, "");
    }
}

TEST(Install, APrefixHoldsAWorkingProgramWithItsMenuEntryAndUninstallRemovesIt) {
    test::TempDir dir;
    const fs::path prefix = dir.file("my prefix");
    ASSERT_EQ(
        shell("cmake --install '" MOORIX_BUILD_DIR "' --prefix '" + prefix.string() + "' >/dev/null").status,
        0);

    const std::string entry = test::readFile(prefix / "share/applications/com.quenvale.moorix.desktop");
    EXPECT_NE(entry.find("\nExec=\"" + (prefix / "bin/moorix").string() + "\"\n"), std::string::npos)
        << entry;
    for (const std::string& file : kInstalled) EXPECT_TRUE(fs::is_regular_file(prefix / file)) << file;

    // The installed program starts its own desktop program, which reads the installed texts.
    const fs::path strings = prefix / "share/moorix/Moorix_Moorix.bundle/en.lproj/Localizable.strings";
    std::ofstream(strings, std::ios::app) << "\n\"quit\" = \"Quit the installed Moorix\";\n";
    const auto quit = test::runCommand({(prefix / "bin/moorix").string(), "--t", "quit"});
    EXPECT_TRUE(quit.status == 0 && quit.out.starts_with("en: Quit the installed Moorix\n")) << quit.out;

    ASSERT_EQ(shell("'" MOORIX_SOURCE_DIR "/scripts/uninstall' '" MOORIX_BUILD_DIR "'").status, 0);
    for (const auto& item : fs::recursive_directory_iterator(prefix))
        EXPECT_FALSE(item.is_regular_file()) << item.path() << " was left behind";
}

// The package from the build's install rules: what `make package` makes from the release build.
TEST(Install, TheDebianPackageHoldsEverythingUnderUsrAndInstallsAndRemovesCleanly) {
    if (!installed("dpkg-deb") || !installed("cpack"))
        GTEST_SKIP() << "not checked: no dpkg-deb or cpack here";
    test::TempDir dir;
    const auto made = shell("cd '" MOORIX_BUILD_DIR "' && cpack -G DEB -B '" + dir.path() + "' 2>&1");
    ASSERT_EQ(made.status, 0) << made.out;
    const std::string architecture =
        test::lines(test::runCommand({"/usr/bin/dpkg", "--print-architecture"}).out).at(0);
    const std::string package = dir.file("moorix_" MOORIX_VERSION "_" + architecture + ".deb");
    ASSERT_TRUE(fs::is_regular_file(package)) << made.out;

    const std::string depends = test::runCommand({"/usr/bin/dpkg-deb", "--field", package, "Depends"}).out;
    for (const char* library : {"libqt6widgets6", "libqt6svg6", "libcurl4"})
        EXPECT_TRUE(namesWord(depends, library)) << library << " missing from " << depends;
    std::vector<std::string> files;
    for (const std::string& line :
         test::lines(test::runCommand({"/usr/bin/dpkg-deb", "--contents", package}).out))
        if (line.starts_with("-")) files.push_back(line.substr(line.find("./") + 1));
    for (const std::string& file : files) EXPECT_TRUE(file.starts_with("/usr/")) << file;
    for (const std::string& file : kInstalled)
        EXPECT_EQ(std::ranges::count(files, "/usr/" + file), 1) << file << " is not in the package";
    if (installed("lintian")) {
        for (const std::string& line :
             test::lines(shell("lintian --tag-display-limit 0 '" + package + "' 2>/dev/null").out))
            EXPECT_FALSE(line.starts_with("E: ") || line.starts_with("W: ")) << line;
    }

    // For real only where the system is ours to change: as root, and only when no Moorix is installed.
    if (::geteuid() != 0 || !installed("apt-get") || fs::exists("/usr/bin/moorix"))
        GTEST_SKIP() << "not installed for real: that needs root, apt-get, and no moorix in /usr/bin already";
    // Purged at the end whatever happened, so that not even dpkg's record of it stays.
    struct Removal {
        ~Removal() { shell("apt-get purge -y -qq moorix >/dev/null 2>&1"); }
    } removal;
    const auto install = shell("apt-get install -y -qq '" + package + "' 2>&1");
    ASSERT_EQ(install.status, 0) << install.out;
    EXPECT_EQ(test::runCommand({"/usr/bin/moorix", "--version"}).out, "moorix " MOORIX_VERSION "\n");
    // The desktop program from /usr/lib/moorix, the texts from /usr/share/moorix.
    const auto quit = test::runCommand({"/usr/bin/moorix", "--t", "quit"});
    EXPECT_EQ(quit.status, 0);
    EXPECT_TRUE(quit.out.starts_with("en: ") && quit.out.find("NO BUNDLE") == std::string::npos) << quit.out;
    EXPECT_EQ(shell("man -w moorix").out, "/usr/share/man/man1/moorix.1.gz\n");

    const auto remove = shell("apt-get remove -y -qq moorix 2>&1");
    ASSERT_EQ(remove.status, 0) << remove.out;
    for (const std::string& file : files) EXPECT_FALSE(fs::exists(file)) << file << " was left behind";
    EXPECT_FALSE(fs::exists("/usr/lib/moorix") || fs::exists("/usr/share/moorix"));
}

} // namespace moorix
