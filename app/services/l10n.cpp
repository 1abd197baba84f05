#include "app/services/l10n.h"

#include "core/platform/command_path.h"
#include "core/platform/test_seams.h"
#include "core/text/build_tree.h"
#include "core/text/file_text.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <mutex>

namespace moorix {

namespace fs = std::filesystem;

namespace {

constexpr char developmentLanguage[] = "en";

} // namespace

std::optional<ResourceBundle> ResourceBundle::open(const fs::path& folder) {
    std::error_code error;
    if (!fs::is_directory(folder, error)) return std::nullopt;
    ResourceBundle bundle;
    bundle.m_folder = folder;
    // Advanced with the error_code form, which never throws, like every other call on the folder.
    for (fs::directory_iterator item(folder, error), end; !error && item != end; item.increment(error)) {
        if (item->path().extension() != ".lproj" || !item->is_directory(error)) continue;
        const auto text = readRegularFile((item->path() / "Localizable.strings").string());
        bundle.m_tables[item->path().stem().string()] = parseStringsTable(text.value_or("")).table;
    }
    return bundle;
}

const StringTable* ResourceBundle::table(std::string_view language) const {
    const auto found = m_tables.find(language);
    return found == m_tables.end() ? nullptr : &found->second;
}

std::vector<std::string> ResourceBundle::languages() const {
    std::vector<std::string> codes;
    for (const auto& [code, table] : m_tables) codes.push_back(code);
    return codes;
}

namespace L10n {

std::vector<fs::path> resourceCandidates(const fs::path& executableFolder) {
    std::vector<fs::path> candidates;
    const bool packaged = executableFolder.filename() == "MacOS" &&
                          executableFolder.parent_path().filename() == "Contents" &&
                          executableFolder.parent_path().parent_path().extension() == ".app";
    if (packaged) candidates.push_back(executableFolder.parent_path() / "Resources" / ResourceBundle::name);
    candidates.push_back(executableFolder / ResourceBundle::name);
    if (packaged)
        candidates.push_back(executableFolder.parent_path().parent_path().parent_path() /
                             ResourceBundle::name);
    candidates.push_back(executableFolder.parent_path() / "share" / "moorix" / ResourceBundle::name);
    if (insideBuildTree(executableFolder, MOORIX_BUILD_FOLDER))
        candidates.push_back(fs::path(MOORIX_BUILD_FOLDER) / ResourceBundle::name);
    return candidates;
}

const ResourceBundle* resources() {
    static const std::optional<ResourceBundle> located = []() -> std::optional<ResourceBundle> {
        if (const auto folder = testOverride("MOORIX_TEST_RESOURCES")) return ResourceBundle::open(*folder);
        // Without its own path the program cannot tell where it is, and looks nowhere.
        const fs::path executable = commandPath();
        if (!executable.is_absolute()) return std::nullopt;
        for (const auto& candidate : resourceCandidates(executable.parent_path()))
            if (auto bundle = ResourceBundle::open(candidate)) return bundle;
        return std::nullopt;
    }();
    return located ? &*located : nullptr;
}

std::string chooseLanguage(const QString& appLanguage, const std::vector<std::string>& available,
                           const QStringList& systemLanguages) {
    const auto present = [&](const std::string& code) {
        return std::find(available.begin(), available.end(), code) != available.end();
    };
    if (appLanguage != "system" && present(appLanguage.toStdString())) return appLanguage.toStdString();
    for (const QString& preferred : systemLanguages) {
        // "tr-TR", "tr_TR" and "tr" all choose the "tr" table.
        const std::string code = preferred.section(u'-', 0, 0).section(u'_', 0, 0).toLower().toStdString();
        if (present(code)) return code;
    }
    if (present(developmentLanguage)) return developmentLanguage;
    return available.empty() ? std::string() : available.front();
}

namespace {

// The user's choice and the table code it gives, worked out once per choice: a redraw looks up hundreds
// of texts. Texts are looked up from the notifier's thread too.
struct Choice {
    std::mutex lock;
    QString appLanguage = QStringLiteral("system");
    std::optional<std::string> code;
};

Choice& choice() {
    static Choice made;
    return made;
}

} // namespace

void setLanguage(const QString& appLanguage) {
    Choice& chosen = choice();
    std::lock_guard guard(chosen.lock);
    chosen.appLanguage = appLanguage;
    chosen.code.reset();
}

std::string language() {
    const ResourceBundle* bundle = resources();
    if (!bundle) return {};
    Choice& chosen = choice();
    std::lock_guard guard(chosen.lock);
    if (!chosen.code)
        chosen.code =
            chooseLanguage(chosen.appLanguage, bundle->languages(), QLocale::system().uiLanguages());
    return *chosen.code;
}

QString text(std::string_view key) {
    if (const ResourceBundle* bundle = resources()) {
        if (const StringTable* table = bundle->table(language())) {
            if (const auto found = table->find(key); found != table->end())
                return QString::fromStdString(found->second);
        }
    }
    return QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

QString format(std::string_view key, const std::vector<FormatArgument>& arguments) {
    return formatText(text(key), arguments);
}

} // namespace L10n

} // namespace moorix
