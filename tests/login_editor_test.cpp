#include "app/services/app_updater.h"
#include "app/services/editor.h"
#include "app/services/login_item.h"
#include "core/platform/platform.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <QXmlStreamReader>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace moorix {

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> awkwardPaths{
    "/usr/local/bin/moorix",
    "/Users/Ada Lovelace/bin/moorix",
    "/tmp/R&D <new>/moorix",
    "/tmp/\"quoted\" & 'single'/moorix",
    "/tmp/back\\slash/$HOME/`id`/100%/moorix",
    "/tmp/tab\there/new\nline/~user;|*?#()/moorix",
    "/tmp/ünïcode/çalış/moorix",
};

// What a launch-agent reader gets back: the one <string> inside ProgramArguments.
std::optional<std::string> programArgument(const std::string& plist) {
    QXmlStreamReader xml(QByteArray::fromStdString(plist));
    std::optional<std::string> found;
    bool inArray = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.name() == u"array") inArray = xml.isStartElement();
        if (xml.isStartElement() && xml.name() == u"string" && inArray)
            found = xml.readElementText().toStdString();
    }
    if (xml.hasError()) return std::nullopt;
    return found;
}

// A desktop-entry reader's view of Exec: string escapes first, then the argument quoting.
std::vector<std::string> execArguments(const std::string& entry) {
    std::istringstream lines(entry);
    std::string line, value;
    while (std::getline(lines, line))
        if (line.rfind("Exec=", 0) == 0) value = line.substr(5);
    std::string unescaped;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            unescaped += value[i];
            continue;
        }
        const char c = value[++i];
        unescaped += c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c == 's' ? ' ' : c;
    }
    std::vector<std::string> args;
    std::string current;
    bool quoted = false, any = false;
    for (std::size_t i = 0; i < unescaped.size(); ++i) {
        const char c = unescaped[i];
        if (c == '%' && i + 1 < unescaped.size() && unescaped[i + 1] == '%') {
            current += '%';
            ++i;
        } else if (quoted && c == '\\' && i + 1 < unescaped.size()) {
            current += unescaped[++i];
        } else if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (c == ' ' && !quoted) {
            if (any || !current.empty()) args.push_back(current);
            current.clear();
            any = false;
        } else {
            current += c;
        }
    }
    if (any || !current.empty()) args.push_back(current);
    return args;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(LaunchAgent, PlistHasTheFixedLayout) {
    EXPECT_EQ(LoginItem::launchAgentPlist("/Users/dev/.local/bin/moorix-menubar"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
              "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
              "<plist version=\"1.0\">\n<dict>\n"
              "    <key>Label</key>\n    <string>com.quenvale.moorix</string>\n"
              "    <key>ProgramArguments</key>\n    <array>\n"
              "        <string>/Users/dev/.local/bin/moorix-menubar</string>\n"
              "    </array>\n"
              "    <key>RunAtLoad</key>\n    <true/>\n"
              "    <key>ProcessType</key>\n    <string>Interactive</string>\n"
              "</dict>\n</plist>");
}

TEST(LaunchAgent, AnyPathReadsBackExactlyFromTheXml) {
    for (const auto& path : awkwardPaths)
        EXPECT_EQ(programArgument(LoginItem::launchAgentPlist(path)), path) << path;
}

TEST(AutostartEntry, ExecQuotingFollowsTheDesktopEntryRules) {
    EXPECT_EQ(LoginItem::quoteExecArgument("/usr/bin/moorix"), "/usr/bin/moorix");
    EXPECT_EQ(LoginItem::quoteExecArgument("/a b/moorix"), "\"/a b/moorix\"");
    EXPECT_EQ(LoginItem::quoteExecArgument("/a\"b`c$d\\e"), "\"/a\\\"b\\`c\\$d\\\\e\"");
    EXPECT_EQ(LoginItem::quoteExecArgument("/a&b"), "\"/a&b\"");
    EXPECT_EQ(LoginItem::quoteExecArgument("/100%/x"), "/100%%/x");
    EXPECT_EQ(LoginItem::quoteExecArgument(""), "\"\"");
    const std::string entry = LoginItem::autostartEntry("/tmp/a\\b c");
    EXPECT_NE(entry.find("\nExec=\"/tmp/a\\\\\\\\b c\"\n"), std::string::npos) << entry;
    EXPECT_EQ(entry.rfind("[Desktop Entry]\nType=Application\n", 0), 0u);
}

TEST(AutostartEntry, AnyPathComesBackAsOneArgument) {
    for (const auto& path : awkwardPaths) {
        const std::string entry = LoginItem::autostartEntry(path);
        EXPECT_EQ(execArguments(entry), std::vector<std::string>{path}) << entry;
        std::size_t lines = 0;
        for (const char c : entry)
            lines += c == '\n';
        EXPECT_EQ(lines, 7u) << "a line break in the path must not start a new key";
    }
}

TEST(LoginItemLinux, EnableWritesTheAutostartEntryAndDisableRemovesIt) {
    EXPECT_FALSE(LoginItem::isBundled());
    EXPECT_FALSE(AppUpdater::isAvailable());
    EXPECT_EQ(AppUpdater::version(), "0.1.0");

    const std::string file = LoginItem::registrationPath();
    EXPECT_EQ(file, std::string(std::getenv("XDG_CONFIG_HOME")) + "/autostart/com.quenvale.moorix.desktop");
    EXPECT_FALSE(LoginItem::isEnabled());
    EXPECT_EQ(LoginItem::binaryPath(), platform::executablePath());
    EXPECT_EQ(LoginItem::binaryPath(), fs::canonical("/proc/self/exe").string());

    LoginItem::enable();
    EXPECT_TRUE(LoginItem::isEnabled());
    EXPECT_EQ(readFile(file), LoginItem::autostartEntry(platform::executablePath()));

    const std::string installed = std::string(std::getenv("HOME")) + "/.local/bin/moorix-menubar";
    fs::create_directories(fs::path(installed).parent_path());
    std::ofstream(installed) << "#!/bin/sh\n";
    EXPECT_EQ(LoginItem::binaryPath(), installed);
    LoginItem::enable();
    EXPECT_EQ(execArguments(readFile(file)), std::vector<std::string>{installed});
    fs::remove(installed);

    LoginItem::disable();
    EXPECT_FALSE(LoginItem::isEnabled());
    EXPECT_FALSE(fs::exists(file));
    LoginItem::disable();
    EXPECT_FALSE(LoginItem::isEnabled());
}

TEST(LoginItemLinux, WriteIsAtomicAndCreatesFolders) {
    test::TempDir dir;
    const std::string target = dir.file("a/b/c.desktop");
    EXPECT_TRUE(LoginItem::writeFileAtomically(target, "one"));
    EXPECT_TRUE(LoginItem::writeFileAtomically(target, "two"));
    EXPECT_EQ(readFile(target), "two");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("a/b")), fs::directory_iterator()), 1)
        << "no temporary file left behind";
    EXPECT_FALSE(LoginItem::writeFileAtomically(dir.file("a/b/c.desktop/d"), "under a file"));
}

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"/usr/bin", "/usr/local/bin", "/snap/bin"})
            for (const char* name : {"cursor", "code"})
                if (::access((std::string(folder) + "/" + name).c_str(), X_OK) == 0) {
                    GTEST_SKIP() << "a real editor is installed in " << folder;
                }
        m_bin = std::string(std::getenv("HOME")) + "/.local/bin";
        fs::create_directories(m_bin);
    }
    void TearDown() override {
        for (const char* name : {"cursor", "code"})
            fs::remove(m_bin + "/" + name);
    }
    // A fake editor that writes how many arguments it got and each one on its own line.
    void fakeEditor(const std::string& name, const std::string& record) {
        const std::string path = m_bin + "/" + name;
        std::ofstream(path)
            << "#!/bin/sh\n{ echo \"$#\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '" << record
            << "'\n";
        ::chmod(path.c_str(), 0755);
    }

    std::string m_bin;
    test::TempDir m_dir;
};

TEST_F(EditorTest, FolderWithBlanksAndQuotesReachesTheEditorAsOneArgument) {
    EXPECT_EQ(Editor::appName(), std::nullopt);
    fakeEditor("code", m_dir.file("code.txt"));
    EXPECT_EQ(Editor::appName(), "Visual Studio Code");
    const std::string folder = m_dir.file("my \"shop\" & $HOME 'x'");
    fs::create_directory(folder);
    Editor::open(QString::fromStdString(folder));
    EXPECT_EQ(readFile(m_dir.file("code.txt")), "1\n" + folder + "\n");
}

TEST_F(EditorTest, CursorComesFirstAndAFileThatCannotRunIsNoEditor) {
    fakeEditor("code", m_dir.file("code.txt"));
    std::ofstream(m_bin + "/cursor") << "not executable";
    EXPECT_EQ(Editor::appName(), "Visual Studio Code");
    fakeEditor("cursor", m_dir.file("cursor.txt"));
    EXPECT_EQ(Editor::appName(), "Cursor");
    Editor::open(QString::fromStdString(m_dir.path()));
    EXPECT_EQ(readFile(m_dir.file("cursor.txt")), "1\n" + m_dir.path() + "\n");
    EXPECT_FALSE(fs::exists(m_dir.file("code.txt")));
}

} // namespace moorix
