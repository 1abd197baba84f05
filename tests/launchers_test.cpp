// What Moorix writes for the system to start it at login, and the editor it starts on a folder.
#include "app/services/editor.h"
#include "app/services/login_item.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace moorix {

using namespace test;

TEST(LoginItem, AnAwkwardPathIsEscapedForTheLaunchAgentAndQuotedAsOneExecArgument) {
    const std::string path = "/R&D/\"q\" 'x' <n>/`id`$H\\100%/a\tb\nc";
    const std::string entry = LoginItem::autostartEntry(path);
    // Argument quoting, then the desktop entry's own escapes.
    const std::string exec = R"(Exec="/R&D/\\"q\\" 'x' <n>/\\`id\\`\\$H\\\\100%%/a\tb\nc")";
    EXPECT_NE(entry.find("\n" + exec + "\n"), std::string::npos) << entry;
    // Quoted for an ampersand alone too.
    EXPECT_NE(LoginItem::autostartEntry("/R&D/m").find("\nExec=\"/R&D/m\"\n"), std::string::npos);
    EXPECT_EQ(std::count(entry.begin(), entry.end(), '\n'), 7) << "a line break must not start a new key";
    EXPECT_NE(LoginItem::launchAgentPlist(path).find(
                  "<string>/R&amp;D/&quot;q&quot; &apos;x&apos; &lt;n&gt;/`id`$H\\100%/a\tb\nc</string>"),
              std::string::npos);
}

TEST(Editor, CursorComesFirstThenCodeAndTheFolderReachesItAsOneArgument) {
    for (const char* folder : {"/usr/bin/", "/usr/local/bin/", "/snap/bin/"})
        for (const char* name : {"cursor", "code"})
            if (::access((folder + std::string(name)).c_str(), X_OK) == 0) GTEST_SKIP() << "real editor";
    TempDir dir;
    const std::string bin = std::string(std::getenv("HOME")) + "/.local/bin/",
                      folder = dir.file("my \"x\" & $HOME");
    std::filesystem::create_directories(bin);
    std::filesystem::create_directory(folder);
    EXPECT_EQ(Editor::appName(), std::nullopt);
    script(bin + "code", dir.file("code"));
    EXPECT_EQ(Editor::appName(), "Visual Studio Code");
    // An editor that stays in the foreground: opening a folder neither waits for it nor stops it.
    script(bin + "cursor", dir.file("cursor"), "echo $$ > '" + dir.file("pid") + "'; exec sleep 30");
    EXPECT_EQ(Editor::appName(), "Cursor");
    Editor::open(QString::fromStdString(folder));
    ASSERT_TRUE(waitUntil([&] { return readFile(dir.file("cursor")) == folder + "\n"; }, 10));
    ASSERT_TRUE(waitUntil([&] { return !readFile(dir.file("pid")).empty(); }, 10));
    const pid_t editor = std::stoi(readFile(dir.file("pid")));
    EXPECT_EQ(::kill(editor, 0), 0) << "still running";
    ::kill(editor, SIGKILL);
}

} // namespace moorix
