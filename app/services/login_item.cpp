#include "app/services/login_item.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace moorix::LoginItem {

namespace {

std::string escapeXml(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

// The escapes of a desktop entry's string values, applied after the Exec quoting.
std::string escapeDesktopValue(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

} // namespace

std::string launchAgentPlist(std::string_view binaryPath) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n"
           "<dict>\n"
           "    <key>Label</key>\n"
           "    <string>com.quenvale.moorix</string>\n"
           "    <key>ProgramArguments</key>\n"
           "    <array>\n"
           "        <string>" +
           escapeXml(binaryPath) +
           "</string>\n"
           "    </array>\n"
           "    <key>RunAtLoad</key>\n"
           "    <true/>\n"
           "    <key>ProcessType</key>\n"
           "    <string>Interactive</string>\n"
           "</dict>\n"
           "</plist>";
}

std::string quoteExecArgument(std::string_view argument) {
    constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string body;
    bool quote = argument.empty();
    for (const char c : argument) {
        if (reserved.find(c) != std::string_view::npos) quote = true;
        if (c == '%') {
            body += "%%";
        } else if (c == '"' || c == '`' || c == '$' || c == '\\') {
            body += '\\';
            body += c;
        } else {
            body += c;
        }
    }
    return quote ? "\"" + body + "\"" : body;
}

std::string autostartEntry(std::string_view binaryPath) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Moorix\n"
           "Comment=Listening TCP ports and the servers behind them\n"
           "Exec=" +
           escapeDesktopValue(quoteExecArgument(binaryPath)) +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool writeFileAtomically(const std::string& path, const std::string& contents) {
    const QString target = QString::fromStdString(path);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(contents.data(), static_cast<qint64>(contents.size()));
    return file.commit();
}

} // namespace moorix::LoginItem
