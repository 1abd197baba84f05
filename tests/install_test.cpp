// `make install` into a prefix of its own, then `make uninstall`.
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace moorix {

namespace fs = std::filesystem;
using test::readFile;

namespace {

int shell(const std::string& command) { return std::system(command.c_str()); }

} // namespace

TEST(Install, APrefixHoldsAWorkingProgramWithItsMenuEntryAndUninstallRemovesIt) {
    test::TempDir dir;
    const fs::path prefix = dir.file("my prefix");
    ASSERT_EQ(shell("cmake --install '" MOORIX_BUILD_DIR "' --prefix '" + prefix.string() + "' >/dev/null"), 0);

    const fs::path entry = prefix / "share/applications/com.quenvale.moorix.desktop";
    const std::string text = readFile(entry);
    EXPECT_NE(text.find("\nExec=\"" + (prefix / "bin/moorix").string() + "\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nCategories=Development;Utility;\n"), std::string::npos);
    EXPECT_TRUE(fs::is_regular_file(prefix / "share/icons/hicolor/scalable/apps/com.quenvale.moorix.svg"));
    if (::access("/usr/bin/desktop-file-validate", X_OK) == 0) {
        EXPECT_EQ(shell("desktop-file-validate --no-hints '" + entry.string() + "'"), 0);
    }

    // The installed program reads its own texts and loads its own module.
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
        std::istringstream lines(loads);
        for (std::string line; std::getline(lines, line);)
            if (line.find("file=" + folder) != std::string::npos && line.find("/libmoorix_desktop.so") != std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(loaded(prefix.string() + "/")) << loads;
    EXPECT_FALSE(loaded(MOORIX_BUILD_DIR "/")) << "not the build's";
    const auto list = test::runCommand({binary, "--list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out.front(), '[');

    ASSERT_EQ(shell("'" MOORIX_SOURCE_DIR "/scripts/uninstall' '" MOORIX_BUILD_DIR "'"), 0);
    for (const auto& item : fs::recursive_directory_iterator(prefix))
        EXPECT_FALSE(item.is_regular_file()) << item.path() << " was left behind";
}

} // namespace moorix
