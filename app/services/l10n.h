#pragma once

#include "app/services/text_format.h"
#include "core/text/strings_table.h"

#include <QString>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace moorix {

// The resource bundle "Moorix_Moorix.bundle": one folder per language ("en.lproj", "tr.lproj"),
// each holding the string table "Localizable.strings". Read whole when opened; never changes after.
class ResourceBundle {
public:
    static constexpr char name[] = "Moorix_Moorix.bundle";

    // Absent when `folder` is not a directory.
    static std::optional<ResourceBundle> open(const std::filesystem::path& folder);

    const std::filesystem::path& folder() const { return m_folder; }
    // The table of a language folder (empty when the folder has no readable table); null without the folder.
    const StringTable* table(std::string_view language) const;
    // Codes of the language folders present, sorted.
    std::vector<std::string> languages() const;

private:
    std::filesystem::path m_folder;
    std::map<std::string, StringTable, std::less<>> m_tables;
};

namespace L10n {

// The resource bundle, looked for once: in the packaged application's resources, beside the executable,
// in ../share/moorix beside it, then, for a program inside its build tree, in the build folder. Null when
// there is none or the executable's own path is unknown; texts then show keys.
const ResourceBundle* resources();

// Tells which language the user chose: the "appLanguage" preference ("system", "tr", "en"). Its owner
// calls it at start-up and on every change; until then texts follow the system's language.
void setLanguage(const QString& appLanguage);

// Code of the table texts are taken from: the chosen language when its folder exists, otherwise the
// user's system language among those present (English when none matches). Empty without tables.
std::string language();

// The text of `key` in the chosen language; the key itself when the table has none.
QString text(std::string_view key);

// The text of `key` filled with `arguments` (see formatText).
QString format(std::string_view key, const std::vector<FormatArgument>& arguments);

// The pieces of the above, for tests.
std::vector<std::filesystem::path> resourceCandidates(const std::filesystem::path& executableFolder);
std::string chooseLanguage(const QString& appLanguage, const std::vector<std::string>& available,
                           const QStringList& systemLanguages);

} // namespace L10n

} // namespace moorix
