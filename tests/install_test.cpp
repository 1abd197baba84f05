// Installing as Linux software: `make install` into a prefix of its own and `make uninstall`, the Debian
// package, and what the installed program tells about itself (help, manual page, shell completions).
#include "app/cli/command_line.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

namespace moorix {

namespace fs = std::filesystem;
using test::readFile;

namespace {

int shell(const std::string& command) { return std::system(command.c_str()); }

// The standard output of a shell command line, its standard error too when it says 2>&1.
test::RunResult shellOutput(const std::string& command, const std::map<std::string, std::string>& env = {}) {
    return test::runCommand({"/bin/sh", "-c", command}, env);
}

bool installed(const std::string& program) { return ::access(("/usr/bin/" + program).c_str(), X_OK) == 0; }

// Whether `text` names `word` on its own: "--kill-tree" does not name "--kill", nor "--table" "--t".
bool namesWord(const std::string& text, const std::string& word) {
    const auto inWord = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-'; };
    for (auto at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        const auto end = at + word.size();
        if ((at == 0 || !inWord(text[at - 1])) && (end == text.size() || !inWord(text[end]))) return true;
    }
    return false;
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> all;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        all.push_back(line);
    return all;
}

} // namespace

TEST(Install, EveryOptionTheDispatchKnowsIsInTheHelpTheManualPageAndTheCompletions) {
    const std::string help = test::runMoorix({"--help"}).out;
    const fs::path page = MOORIX_BUILD_DIR "/man/moorix.1";
    // The page's options are the tags of its paragraphs (the line after .TP); it writes a hyphen as \-,
    // which stays one when copied from the terminal, and \% before a word it must not hyphenate.
    std::string tags;
    const auto pageLines = lines(readFile(page));
    for (std::size_t index = 1; index < pageLines.size(); ++index)
        if (pageLines[index - 1] == ".TP") tags += replaceAll(pageLines[index], "\\-", "-") + "\n";
    const std::string completion = MOORIX_SOURCE_DIR "/resources/completions/";
    const auto bash = lines(shellOutput("exec bash --norc --noprofile -c '. \"" + completion + R"(moorix"
        COMP_WORDS=(moorix --); COMP_CWORD=1; _moorix; printf "%s\n" "${COMPREPLY[@]}"')").out);
    const std::string zsh = readFile(completion + "_moorix");
    const std::string fish = readFile(completion + "moorix.fish");
    ASSERT_FALSE(cli::optionNames().empty());
    for (const std::string_view name : cli::optionNames()) {
        const std::string option(name);
        EXPECT_TRUE(namesWord(help, option)) << option << " is missing from --help";
        EXPECT_TRUE(namesWord(tags, option)) << option << " is missing from the manual page's options";
        EXPECT_NE(std::find(bash.begin(), bash.end(), option), bash.end()) << option << " is not offered by bash";
        EXPECT_NE(zsh.find("'" + option + "["), std::string::npos) << option << " is missing from the zsh completion";
        EXPECT_TRUE(namesWord(fish, "-l " + option.substr(2))) << option << " is missing from the fish completion";
    }
    if (installed("man")) {
        const auto warnings = shellOutput("MANWIDTH=80 man --warnings -l '" + page.string() + "' 2>&1 >/dev/null");
        EXPECT_EQ(warnings.out, "");
    }
}

TEST(Install, APrefixHoldsAWorkingProgramWithItsMenuEntryAndUninstallRemovesIt) {
    test::TempDir dir;
    const fs::path prefix = dir.file("my prefix");
    ASSERT_EQ(shell("cmake --install '" MOORIX_BUILD_DIR "' --prefix '" + prefix.string() + "' >/dev/null"), 0);

    const fs::path entry = prefix / "share/applications/com.quenvale.moorix.desktop";
    const std::string text = readFile(entry);
    EXPECT_NE(text.find("\nExec=\"" + (prefix / "bin/moorix").string() + "\"\n"), std::string::npos) << text;
    EXPECT_TRUE(fs::is_regular_file(prefix / "share/icons/hicolor/scalable/apps/com.quenvale.moorix.svg"));
    if (installed("desktop-file-validate")) {
        EXPECT_EQ(shellOutput("desktop-file-validate '" + entry.string() + "' 2>&1").out, "");
    }
    const fs::path metainfo = prefix / "share/metainfo/com.quenvale.moorix.metainfo.xml";
    EXPECT_NE(readFile(metainfo).find("<release version=\"" MOORIX_VERSION "\""), std::string::npos);
    if (installed("appstreamcli")) {
        const auto validation = shellOutput("appstreamcli validate --no-net --pedantic '" + metainfo.string() + "' 2>&1");
        EXPECT_EQ(validation.status, 0) << validation.out;
        EXPECT_EQ(lines(validation.out).size(), 1u) << "only the verdict, no remark: " << validation.out;
    }
    for (const char* file : {"share/man/man1/moorix.1.gz", "share/doc/moorix/copyright", "share/doc/moorix/changelog.gz",
                             "share/bash-completion/completions/moorix", "share/zsh/vendor-completions/_moorix",
                             "share/fish/vendor_completions.d/moorix.fish"})
        EXPECT_TRUE(fs::is_regular_file(prefix / file)) << file;

    // The installed program reads its own texts and starts its own desktop program.
    const fs::path strings = prefix / "share/moorix/Moorix_Moorix.bundle/en.lproj/Localizable.strings";
    std::ofstream(strings, std::ios::app) << "\n\"quit\" = \"Quit the installed Moorix\";\n";
    const std::string binary = (prefix / "bin/moorix").string();
    const auto quit = test::runCommand({binary, "--t", "quit"}, {{"LD_DEBUG", "files"}, {"LD_DEBUG_OUTPUT", dir.file("ld")}});
    EXPECT_EQ(quit.status, 0);
    EXPECT_EQ(quit.out.substr(0, 30), "en: Quit the installed Moorix\n") << quit.out;
    std::string loads;
    for (const auto& item : fs::directory_iterator(dir.path()))
        if (item.path().filename().string().starts_with("ld")) loads += readFile(item.path());
    const auto loaded = [&](const std::string& folder) {
        std::istringstream stream(loads);
        for (std::string line; std::getline(stream, line);)
            if (line.find("needed by " + folder + "lib/moorix/moorix-desktop") != std::string::npos ||
                line.find("needed by " + folder + "moorix-desktop") != std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(loaded(prefix.string() + "/")) << loads;
    EXPECT_FALSE(loaded(MOORIX_BUILD_DIR "/")) << "not the build's";
    const auto list = test::runCommand({binary, "--list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out.front(), '[');

    // bash finds the completion where it looks for a prefix's (its data folder), and completes options,
    // and the ports that the installed program lists.
    const char* const loader = "/usr/share/bash-completion/bash_completion";
    if (::access(loader, R_OK) == 0) {
        test::Child server(test::listener());
        const std::string port = std::to_string(test::listeningPort(server));
        const auto complete = [&](const std::string& words) {
            return shellOutput(std::string("exec bash --norc --noprofile -c '. ") + loader + R"(; _completion_loader moorix
                COMP_WORDS=()" + words + R"(); COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
                $(complete -p moorix | sed -n "s/.*-F \([^ ]*\).*/\1/p") moorix "${COMP_WORDS[COMP_CWORD]}" x
                printf "%s\n" "${COMPREPLY[@]}"')",
                               {{"XDG_DATA_DIRS", (prefix / "share").string()}, {"HOME", dir.path()},
                                {"PATH", (prefix / "bin").string() + ":/usr/bin:/bin"}}).out;
        };
        EXPECT_EQ(complete("moorix --ki"), "--kill\n--kill-tree\n");
        const auto ports = lines(complete("moorix --kill \"\""));
        EXPECT_NE(std::find(ports.begin(), ports.end(), port), ports.end()) << port;
        const auto more = lines(complete("moorix --wait-free 1," + port.substr(0, 1)));
        EXPECT_NE(std::find(more.begin(), more.end(), "1," + port), more.end()) << port;
    } else {
        std::cout << "bash completion not checked: bash-completion is not installed\n";
    }

    ASSERT_EQ(shell("'" MOORIX_SOURCE_DIR "/scripts/uninstall' '" MOORIX_BUILD_DIR "'"), 0);
    for (const auto& item : fs::recursive_directory_iterator(prefix))
        EXPECT_FALSE(item.is_regular_file()) << item.path() << " was left behind";
}

// The package from the build's install rules: what `make package` makes from the release build.
TEST(Install, TheDebianPackageHoldsEverythingUnderUsrAndInstallsAndRemovesCleanly) {
    if (!installed("dpkg-deb") || !installed("cpack")) GTEST_SKIP() << "not checked: no dpkg-deb or cpack here";
    test::TempDir dir;
    const auto made = shellOutput("cd '" MOORIX_BUILD_DIR "' && cpack -G DEB -B '" + dir.path() + "' 2>&1");
    ASSERT_EQ(made.status, 0) << made.out;
    const std::string architecture = lines(test::runCommand({"/usr/bin/dpkg", "--print-architecture"}).out).at(0);
    const std::string package = dir.file("moorix_" MOORIX_VERSION "_" + architecture + ".deb");
    ASSERT_TRUE(fs::is_regular_file(package)) << made.out;

    const auto field = [&](const std::string& name) {
        return test::runCommand({"/usr/bin/dpkg-deb", "--field", package, name}).out;
    };
    EXPECT_EQ(field("Maintainer"), "Moorix developers <moorix@quenvale.com>\n");
    EXPECT_EQ(field("Recommends"), "lsof, procps, libnotify-bin\n");
    const std::string depends = field("Depends");
    for (const char* library : {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6svg6", "libcurl4"})
        EXPECT_TRUE(namesWord(depends, library)) << library << " missing from " << depends;
    // Named by Qt's targets, used by nothing of ours.
    EXPECT_FALSE(namesWord(depends, "libopengl0") || namesWord(depends, "libglx0")) << depends;
    EXPECT_GE(lines(field("Description")).size(), 4u) << "a summary and a long description";

    std::vector<std::string> files;
    for (const std::string& line : lines(test::runCommand({"/usr/bin/dpkg-deb", "--contents", package}).out))
        if (line.starts_with("-")) files.push_back(line.substr(line.find("./") + 1));
    for (const std::string& file : files)
        EXPECT_TRUE(file.starts_with("/usr/")) << file;
    for (const char* file : {"/usr/bin/moorix", "/usr/lib/moorix/moorix-desktop",
                             "/usr/share/moorix/Moorix_Moorix.bundle/en.lproj/Localizable.strings",
                             "/usr/share/applications/com.quenvale.moorix.desktop",
                             "/usr/share/icons/hicolor/scalable/apps/com.quenvale.moorix.svg",
                             "/usr/share/metainfo/com.quenvale.moorix.metainfo.xml", "/usr/share/man/man1/moorix.1.gz",
                             "/usr/share/doc/moorix/copyright", "/usr/share/bash-completion/completions/moorix",
                             "/usr/share/zsh/vendor-completions/_moorix", "/usr/share/fish/vendor_completions.d/moorix.fish"})
        EXPECT_NE(std::find(files.begin(), files.end(), file), files.end()) << file << " is not in the package";
    ASSERT_EQ(test::runCommand({"/usr/bin/dpkg-deb", "--extract", package, dir.file("root")}).status, 0);
    EXPECT_NE(readFile(dir.file("root/usr/share/applications/com.quenvale.moorix.desktop")).find("\nExec=\"/usr/bin/moorix\"\n"),
              std::string::npos);

    if (installed("lintian")) {
        const auto report = shellOutput("lintian --tag-display-limit 0 '" + package + "' 2>/dev/null");
        for (const std::string& line : lines(report.out))
            EXPECT_FALSE(line.starts_with("E: ") || line.starts_with("W: ")) << line;
    } else {
        std::cout << "lintian not run: it is not installed\n";
    }

    // For real only where the system is ours to change: as root, and only when no Moorix is installed.
    if (::geteuid() != 0 || !installed("apt-get") || fs::exists("/usr/bin/moorix"))
        GTEST_SKIP() << "not installed for real: that needs root, apt-get, and no moorix in /usr/bin already";
    // Purged at the end whatever happened, so that not even dpkg's record of it stays.
    struct Removal {
        ~Removal() { shell("apt-get purge -y -qq moorix >/dev/null 2>&1"); }
    } removal;
    const auto install = shellOutput("apt-get install -y -qq '" + package + "' 2>&1");
    ASSERT_EQ(install.status, 0) << install.out;
    EXPECT_EQ(test::runCommand({"/usr/bin/moorix", "--version"}).out, "moorix " MOORIX_VERSION "\n");
    const auto list = test::runCommand({"/usr/bin/moorix", "--list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out.front(), '[');
    // The desktop program from /usr/lib/moorix, the texts from /usr/share/moorix.
    const auto quit = test::runCommand({"/usr/bin/moorix", "--t", "quit"});
    EXPECT_EQ(quit.status, 0);
    EXPECT_TRUE(quit.out.starts_with("en: ") && quit.out.find("NO BUNDLE") == std::string::npos) << quit.out;
    EXPECT_EQ(shellOutput("man -w moorix").out, "/usr/share/man/man1/moorix.1.gz\n");
    EXPECT_TRUE(fs::is_regular_file("/usr/share/applications/com.quenvale.moorix.desktop"));
    EXPECT_TRUE(fs::is_regular_file("/usr/share/icons/hicolor/scalable/apps/com.quenvale.moorix.svg"));

    const auto remove = shellOutput("apt-get remove -y -qq moorix 2>&1");
    ASSERT_EQ(remove.status, 0) << remove.out;
    for (const std::string& file : files)
        EXPECT_FALSE(fs::exists(file)) << file << " was left behind";
    EXPECT_FALSE(fs::exists("/usr/lib/moorix"));
    EXPECT_FALSE(fs::exists("/usr/share/moorix"));
}

} // namespace moorix
