#include "app/panel/panel_model.h"

#include "app/panel/row_texts.h"
#include "app/services/l10n.h"
#include "app/services/preferences.h"
#include "core/text/port_list.h"

#include <QPointer>

#include <algorithm>
#include <cmath>

namespace moorix {

namespace {

constexpr unsigned everything = ~0u;
// A new listing changes neither the history sheet nor the search.
constexpr unsigned listingChanges = everything & ~(PanelModel::History | PanelModel::Search);

QString text(const std::string& value) { return QString::fromStdString(value); }

} // namespace

PanelModel::PanelModel(PanelBackend backend, Executor executor, Preferences& preferences, QObject* parent)
    : QObject(parent), m_backend(std::move(backend)), m_executor(std::move(executor)),
      m_preferences(preferences), m_labels(m_backend.labels()), m_watched(m_backend.watched()),
      m_stops(m_backend, m_executor, preferences, [this](std::int64_t port) { return containerOf(port); }),
      m_history(m_backend, m_executor), m_figures(m_backend, m_executor) {
    m_refreshTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_refreshTimer, &QTimer::timeout, this, &PanelModel::refresh);

    connect(&m_preferences, &Preferences::refreshIntervalChanged, this, [this] {
        if (m_shown) restartRefreshLoop();
    });
    connect(&m_preferences, &Preferences::hiddenPortsChanged, this, [this] { notify(List | Rows); });
    connect(&m_preferences, &Preferences::panelMaxHeightChanged, this, [this] { notify(List); });
    connect(&m_preferences, &Preferences::appLanguageChanged, this, [this] { notify(everything); });
    connect(&m_stops, &StopFlow::pendingChanged, this, [this] { notify(Rows); });
    connect(&m_stops, &StopFlow::reclaimingChanged, this, [this] { notify(Strip); });
    connect(&m_stops, &StopFlow::lookedAgain, this,
            [this](const PanelSnapshot& snapshot) { store(snapshot); });
    connect(&m_history, &HistorySheetModel::shownChanged, this, [this] { notify(History | Header); });
    connect(&m_history, &HistorySheetModel::eventsChanged, this, [this] { notify(History); });
    connect(&m_figures, &LiveFigures::statsChanged, this, [this] { notify(Stats); });
    connect(&m_figures, &LiveFigures::healthChanged, this, &PanelModel::portChanged);
}

// --- Loops ---

void PanelModel::setShown(bool shown) {
    if (shown == m_shown) return;
    m_shown = shown;
    if (shown)
        restartRefreshLoop();
    else
        m_refreshTimer.stop();
    m_figures.setRunning(shown);
}

void PanelModel::restartRefreshLoop() {
    refresh();
    const double seconds = m_preferences.refreshInterval();
    m_refreshTimer.start(static_cast<int>(std::lround(std::clamp(seconds, 0.25, 3600.0) * 1000)));
}

std::chrono::milliseconds PanelModel::refreshPeriod() const {
    return std::chrono::milliseconds(m_refreshTimer.isActive() ? m_refreshTimer.interval() : 0);
}

void PanelModel::refresh() {
    QPointer<PanelModel> self(this);
    m_executor.background([self, backend = m_backend, toMain = m_executor.toMain] {
        auto snapshot = takeSnapshot(backend);
        // A listing that failed says nothing about the ports: the panel keeps what it shows.
        if (!snapshot) return;
        toMain([self, snapshot = std::move(*snapshot)]() mutable {
            if (!self) return;
            self->store(std::move(snapshot));
            self->m_figures.probe(self->m_entries);
        });

        toMain([self, names = backend.dockerNames()]() mutable {
            if (!self || self->m_dockerNames == names) return;
            self->m_dockerNames = std::move(names);
            self->notify(Rows);
        });
    });
}

void PanelModel::store(PanelSnapshot snapshot) {
    // Most refreshes find the same ports: then only the figures and the strip can have changed, and
    // redrawing hundreds of rows for them would stall the panel.
    const bool sameList = m_loaded && snapshot.entries == m_entries;
    m_entries = std::move(snapshot.entries);
    m_stops.setStartTimes(std::move(snapshot.startTimes));
    m_figures.follow(m_entries, std::move(snapshot.stats));
    m_loaded = true;
    m_backend.publishDevCount(devPortCount());
    m_orphans = std::move(snapshot.orphans);
    m_staleEntries = std::move(snapshot.stale);
    notify(sameList ? Stats | Strip : listingChanges);
}

// --- Derived values ---

std::set<std::int64_t> PanelModel::hiddenPorts() const {
    return PortList::parse(m_preferences.hiddenPorts().toStdString());
}

std::vector<PortEntry> PanelModel::filtered() const {
    return filterPorts(m_entries, {hiddenPorts(), m_exposedOnly, m_searchText, m_labels});
}

std::vector<PortEntry> PanelModel::shownInOrder() const {
    PortSections shown = sections();
    for (auto& entry : shown.other) shown.dev.push_back(std::move(entry));
    return std::move(shown.dev);
}

int PanelModel::devPortCount() const {
    return static_cast<int>(
        std::count_if(m_entries.begin(), m_entries.end(), [](const PortEntry& e) { return e.isDev(); }));
}

double PanelModel::panelMaxHeight() const { return m_preferences.panelMaxHeight(); }

double PanelModel::listHeight(const PortSections& shown, double room) const {
    double limit = panelMaxHeight();
    if (!(limit <= room)) limit = room;
    return shown.height(limit);
}

std::optional<std::string> PanelModel::containerOf(std::int64_t port) const {
    if (const auto found = m_dockerNames.find(port); found != m_dockerNames.end()) return found->second;
    return std::nullopt;
}

RowState PanelModel::rowState(const PortEntry& entry) const {
    RowState row;
    row.entry = entry;
    row.selected = m_selection == entry.id();
    row.confirming = m_stops.isPending(entry);
    if (const auto label = m_labels.find(QString::number(entry.port)); label != m_labels.end())
        row.label = label->second;
    row.dockerName = containerOf(entry.port);
    if (entry.isDev()) row.healthy = m_figures.healthy(entry.port);
    row.watched = m_watched.contains(entry.port);
    row.editingLabel = m_editingLabelPort == entry.port;
    row.statsText = m_figures.statsText(entry.pid);
    writeRowTexts(row, row.confirming ? std::optional(m_stops.pending()->action) : std::nullopt);
    return row;
}

std::vector<RowMenuItem> PanelModel::menuItems(const PortEntry& entry) const {
    return rowMenu(entry, m_watched.contains(entry.port), containerOf(entry.port).has_value(),
                   m_backend.folderOpenerName());
}

QString PanelModel::countsText() const {
    if (!m_loaded || m_entries.empty()) return {};
    const int dev = devPortCount();
    return QString::number(dev) + QStringLiteral(" dev \u00B7 ") +
           QString::number(static_cast<qsizetype>(m_entries.size()) - dev) + QStringLiteral(" ") +
           L10n::text("chip_sys");
}

int PanelModel::exposedCount() const {
    return static_cast<int>(
        std::count_if(m_entries.begin(), m_entries.end(), [](const PortEntry& e) { return e.isExposed(); }));
}

std::vector<PortEntry> PanelModel::reclaimable() const {
    std::vector<PortEntry> entries = m_orphans;
    for (const auto& stale : m_staleEntries) entries.push_back(stale.entry);
    return entries;
}

QString PanelModel::insightText() const {
    if (!m_orphans.empty())
        return L10n::format("insight_orphans", {static_cast<std::int64_t>(m_orphans.size())});
    if (!m_staleEntries.empty())
        return L10n::format("insight_stale", {static_cast<std::int64_t>(m_staleEntries.size())});
    return {};
}

QString PanelModel::emptyStateText() const {
    if (!m_loaded) return L10n::text("scanning");
    if (!m_searchText.isEmpty()) return L10n::text("no_match");
    return L10n::text("no_ports");
}

// --- Selection and keys ---

void PanelModel::select(const std::string& id) {
    if (m_selection == id) return;
    m_selection = id;
    notify(Rows);
}

void PanelModel::moveSelection(int delta) {
    const auto shown = shownInOrder();
    if (shown.empty()) return;
    const auto at =
        std::find_if(shown.begin(), shown.end(), [&](const PortEntry& e) { return e.id() == m_selection; });
    std::size_t index = 0;
    if (at == shown.end()) {
        index = delta < 1 ? shown.size() - 1 : 0;
    } else {
        const auto current = static_cast<long>(at - shown.begin());
        index =
            static_cast<std::size_t>(std::clamp(current + delta, 0L, static_cast<long>(shown.size()) - 1));
    }
    select(shown[index].id());
}

std::optional<PortEntry> PanelModel::selectedEntry() const {
    if (!m_selection) return std::nullopt;
    for (auto& entry : shownInOrder())
        if (entry.id() == *m_selection) return entry;
    return std::nullopt;
}

bool PanelModel::takesKey(PanelKey key) const { return !m_history.shown() || key == PanelKey::Back; }

bool PanelModel::handleReturn() {
    if (m_editingLabelPort) return false;
    const auto selected = selectedEntry();
    if (!selected) return false;
    if (m_stops.isPending(*selected))
        m_stops.confirm();
    else
        m_stops.request(*selected, StopAction::Stop);
    return true;
}

bool PanelModel::handleEscape() {
    if (m_editingLabelPort) {
        m_editingLabelPort.reset();
        notify(Rows);
    } else if (m_stops.pending()) {
        m_stops.cancel();
    } else if (!m_searchText.isEmpty()) {
        setSearchText({});
    } else if (m_showSearch) {
        m_showSearch = false;
        notify(Search | Header);
    } else if (m_selection) {
        m_selection.reset();
        notify(Rows);
    } else {
        return false;
    }
    return true;
}

// --- Stopping ---

void PanelModel::request(const PortEntry& entry, StopAction action) { m_stops.request(entry, action); }

void PanelModel::confirmPending() { m_stops.confirm(); }

void PanelModel::cancelPending() { m_stops.cancel(); }

void PanelModel::reclaimAll() { m_stops.reclaim(reclaimable()); }

// --- Row actions ---

void PanelModel::hidePort(std::int64_t port) {
    auto hidden = hiddenPorts();
    hidden.insert(port);
    m_preferences.setHiddenPortSet(hidden);
}

void PanelModel::toggleWatch(std::int64_t port) {
    auto watched = m_backend.watched();
    if (!watched.erase(port)) watched.insert(port);
    m_backend.setWatched(watched);
    m_watched = std::move(watched);
    notify(Rows);
}

void PanelModel::startLabelEdit(std::int64_t port) {
    const auto label = m_labels.find(QString::number(port));
    m_labelDraft = label == m_labels.end() ? QString() : label->second;
    m_editingLabelPort = port;
    notify(Rows);
}

void PanelModel::setLabelDraft(const QString& text) { m_labelDraft = text; }

void PanelModel::commitLabelEdit(std::int64_t port) {
    m_backend.setLabel(m_labelDraft, port);
    m_labels = m_backend.labels();
    m_editingLabelPort.reset();
    notify(List | Rows);
}

void PanelModel::toggleSearch() {
    m_showSearch = !m_showSearch;
    if (!m_showSearch) m_searchText.clear();
    notify(Search | Header | List | Rows);
}

void PanelModel::setSearchText(const QString& text) {
    if (text == m_searchText) return;
    m_searchText = text;
    notify(Search | List | Rows);
}

void PanelModel::toggleExposedOnly() {
    m_exposedOnly = !m_exposedOnly;
    notify(Strip | List | Rows);
}

void PanelModel::openPort(const PortEntry& entry) {
    select(entry.id());
    if (entry.isDev()) m_backend.openUrl(text(entry.url()));
}

void PanelModel::trigger(RowAction action, const PortEntry& entry) {
    switch (action) {
    case RowAction::OpenInBrowser:
        m_backend.openUrl(text(entry.url()));
        break;
    case RowAction::OpenInEditor:
        if (entry.cwd) m_backend.openFolder(text(*entry.cwd));
        break;
    case RowAction::SetLabel:
        startLabelEdit(entry.port);
        break;
    case RowAction::ToggleWatch:
        toggleWatch(entry.port);
        break;
    case RowAction::Hide:
        hidePort(entry.port);
        break;
    case RowAction::Restart:
        request(entry, StopAction::RestartTree);
        break;
    case RowAction::KillTree:
        request(entry, StopAction::StopTree);
        break;
    case RowAction::ForceKill:
        request(entry, StopAction::ForceStop);
        break;
    case RowAction::CopyUrl:
        m_backend.copyText(text(entry.url()));
        break;
    case RowAction::CopyPort:
        m_backend.copyText(QString::number(entry.port));
        break;
    case RowAction::CopyPid:
        m_backend.copyText(QString::number(entry.pid));
        break;
    case RowAction::CopyKill:
        m_backend.copyText(QStringLiteral("kill ") + QString::number(entry.pid));
        break;
    case RowAction::History:
        m_history.showFor(entry.port);
        break;
    case RowAction::CopyPath:
        if (entry.cwd) m_backend.copyText(text(*entry.cwd));
        break;
    }
}

} // namespace moorix
