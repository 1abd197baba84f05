#include "app/panel/panel_model.h"

#include "app/services/l10n.h"
#include "app/services/port_subtitle.h"
#include "app/services/preferences.h"
#include "core/text/format_mem.h"
#include "core/text/port_list.h"

#include <QPointer>

#include <algorithm>
#include <cmath>
#include <thread>

namespace moorix {

namespace {

constexpr auto thirtyDays = std::chrono::seconds(2'592'000);
constexpr double unhealthyProbePause = 30;
constexpr double rowHeight = 52;
constexpr double sectionHeaderHeight = 30;
constexpr double listMargins = 16;
constexpr auto restartSettle = std::chrono::milliseconds(1500);
constexpr unsigned everything = ~0u;
// A new listing changes neither the history sheet nor the search.
constexpr unsigned listingChanges = everything & ~(PanelModel::History | PanelModel::Search);

QString text(const std::string& value) { return QString::fromStdString(value); }

bool contains(const QString& haystack, const QString& lowerQuery) {
    return haystack.toLower().contains(lowerQuery);
}

std::unordered_map<std::int32_t, std::uint64_t> startTimesOf(const PanelBackend& backend,
                                                             const std::vector<PortEntry>& entries) {
    std::unordered_map<std::int32_t, std::uint64_t> times;
    for (const auto& entry : entries) {
        if (times.contains(entry.pid)) continue;
        if (const auto started = backend.startTime(entry.pid)) times.emplace(entry.pid, *started);
    }
    return times;
}

std::vector<std::int32_t> pidsOf(const std::vector<PortEntry>& entries) {
    std::vector<std::int32_t> pids;
    pids.reserve(entries.size());
    for (const auto& entry : entries) pids.push_back(entry.pid);
    return pids;
}

// Whether `pid` still names the process that was listed; unknown start times do not stop an action.
bool stillTheSameProcess(const PanelBackend& backend, std::int32_t pid,
                         std::optional<std::uint64_t> listedStart) {
    return !listedStart || backend.startTime(pid) == listedStart;
}

} // namespace

PanelModel::PanelModel(PanelBackend backend, Executor executor, Preferences& preferences, QObject* parent)
    : QObject(parent), m_backend(std::move(backend)), m_executor(std::move(executor)),
      m_preferences(preferences), m_labels(m_backend.labels()), m_watched(m_backend.watched()) {
    m_refreshTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_refreshTimer, &QTimer::timeout, this, &PanelModel::refresh);
    m_statsTimer.setSingleShot(true);
    connect(&m_statsTimer, &QTimer::timeout, this, &PanelModel::liveStatsTick);

    connect(&m_preferences, &Preferences::refreshIntervalChanged, this, [this] {
        if (m_shown) restartRefreshLoop();
    });
    connect(&m_preferences, &Preferences::hiddenPortsChanged, this, [this] { notify(List | Rows); });
    connect(&m_preferences, &Preferences::panelMaxHeightChanged, this, [this] { notify(List); });
    connect(&m_preferences, &Preferences::appLanguageChanged, this, [this] { notify(everything); });
}

// --- Loops ---

void PanelModel::setShown(bool shown) {
    if (shown == m_shown) return;
    m_shown = shown;
    if (shown) {
        restartRefreshLoop();
        liveStatsTick();
    } else {
        m_refreshTimer.stop();
        m_statsTimer.stop();
    }
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
        auto listing = backend.listPorts();
        // A listing that failed says nothing about the ports: the panel keeps what it shows.
        if (!listing) return;
        Refreshed result;
        result.entries = std::move(*listing);
        result.stats = backend.stats(pidsOf(result.entries));
        const ProcessTable table = backend.processTable();
        result.orphans =
            Insights::orphans(result.entries, [&](std::int32_t pid) -> std::optional<std::int32_t> {
                const auto found = table.find(pid);
                if (found == table.end()) return std::nullopt;
                return found->second.ppid;
            });
        const Instant now = backend.now();
        result.stale = Insights::stale(result.entries, backend.history(now - thirtyDays), now,
                                       Insights::staleThresholdDefault);
        result.startTimes = startTimesOf(backend, result.entries);
        std::vector<PortEntry> probed = result.entries;
        toMain([self, result = std::move(result)]() mutable {
            if (self) self->store(std::move(result));
        });

        toMain([self, names = backend.dockerNames()]() mutable {
            if (!self || self->m_dockerNames == names) return;
            self->m_dockerNames = std::move(names);
            self->notify(Rows);
        });
        toMain([self, probed = std::move(probed)] {
            if (self) self->probe(probed);
        });
    });
}

void PanelModel::store(Refreshed refreshed) {
    // Most refreshes find the same ports: then only the figures and the strip can have changed, and
    // redrawing hundreds of rows for them would stall the panel.
    const bool sameList = m_loaded && refreshed.entries == m_entries;
    m_entries = std::move(refreshed.entries);
    m_startTimes = std::move(refreshed.startTimes);
    m_stats = std::move(refreshed.stats);
    m_loaded = true;
    m_backend.publishDevCount(devPortCount());
    m_orphans = std::move(refreshed.orphans);
    m_staleEntries = std::move(refreshed.stale);
    notify(sameList ? Stats | Strip : listingChanges);
}

void PanelModel::storeListing(std::vector<PortEntry> entries,
                              std::unordered_map<std::int32_t, std::uint64_t> startTimes) {
    m_entries = std::move(entries);
    m_startTimes = std::move(startTimes);
    m_loaded = true;
    notify(listingChanges);
}

void PanelModel::probe(const std::vector<PortEntry>& entries) {
    const double now = m_backend.monotonic();
    std::set<std::int64_t> started;
    for (const auto& entry : entries) {
        if (!entry.isDev() || started.contains(entry.port)) continue;
        const auto health = m_health.find(entry.port);
        const auto probed = m_probedAt.find(entry.port);
        if (health != m_health.end() && !health->second && probed != m_probedAt.end() &&
            now - probed->second < unhealthyProbePause)
            continue;
        m_probedAt[entry.port] = now;
        started.insert(entry.port);
        QPointer<PanelModel> self(this);
        m_executor.probes([self, port = entry.port, probe = m_backend.probe, toMain = m_executor.toMain] {
            const bool answered = probe(port);
            toMain([self, port, answered] {
                if (!self) return;
                // Probes answer one by one, many at a time: each touches only its own port's rows.
                const auto [stored, added] = self->m_health.try_emplace(port, answered);
                if (!added && stored->second == answered) return;
                stored->second = answered;
                emit self->portChanged(port);
            });
        });
    }
}

void PanelModel::liveStatsTick() {
    if (!m_shown || m_statsInFlight) return;
    if (m_entries.empty()) {
        scheduleStatsTick();
        return;
    }
    m_statsInFlight = true;
    QPointer<PanelModel> self(this);
    m_executor.background(
        [self, pids = pidsOf(m_entries), stats = m_backend.stats, toMain = m_executor.toMain] {
            toMain([self, figures = stats(pids)]() mutable {
                if (!self) return;
                self->m_statsInFlight = false;
                self->m_stats = std::move(figures);
                self->notify(Stats);
                self->scheduleStatsTick();
            });
        });
}

void PanelModel::scheduleStatsTick() {
    if (m_shown) m_statsTimer.start(1000);
}

// --- Derived values ---

std::set<std::int64_t> PanelModel::hiddenPorts() const {
    return PortList::parse(m_preferences.hiddenPorts().toStdString());
}

std::vector<PortEntry> PanelModel::filtered() const {
    const auto hidden = hiddenPorts();
    const QString query = m_searchText.toLower();
    std::vector<PortEntry> kept;
    for (const auto& entry : m_entries) {
        if (hidden.contains(entry.port) || (m_exposedOnly && !entry.isExposed())) continue;
        if (!query.isEmpty()) {
            const auto label = m_labels.find(QString::number(entry.port));
            const bool found = QString::number(entry.port).contains(query) ||
                               contains(text(entry.command), query) || contains(text(entry.owner()), query) ||
                               (entry.project && contains(text(*entry.project), query)) ||
                               (label != m_labels.end() && contains(label->second, query));
            if (!found) continue;
        }
        kept.push_back(entry);
    }
    return kept;
}

PanelModel::Sections PanelModel::sections() const {
    Sections shown;
    for (auto& entry : filtered()) (entry.isDev() ? shown.dev : shown.other).push_back(std::move(entry));
    return shown;
}

std::vector<PortEntry> PanelModel::shownInOrder() const {
    Sections shown = sections();
    for (auto& entry : shown.other) shown.dev.push_back(std::move(entry));
    return std::move(shown.dev);
}

int PanelModel::devPortCount() const {
    return static_cast<int>(
        std::count_if(m_entries.begin(), m_entries.end(), [](const PortEntry& e) { return e.isDev(); }));
}

double PanelModel::panelMaxHeight() const { return m_preferences.panelMaxHeight(); }

double PanelModel::listHeight(const Sections& shown, double room) const {
    const double fixed =
        (int(!shown.dev.empty()) + int(!shown.other.empty())) * sectionHeaderHeight + listMargins;
    const double natural = static_cast<double>(shown.dev.size() + shown.other.size()) * rowHeight + fixed;
    double limit = panelMaxHeight();
    if (!(limit <= room)) limit = room;
    // A limit that is not a number is not less than anything: the list takes its natural height.
    if (!(limit < natural)) return natural;
    const double rows = std::max(1.0, std::trunc((limit - fixed) / rowHeight));
    return rows * rowHeight + fixed;
}

std::optional<std::string> PanelModel::containerOf(std::int64_t port) const {
    if (const auto found = m_dockerNames.find(port); found != m_dockerNames.end()) return found->second;
    return std::nullopt;
}

RowState PanelModel::rowState(const PortEntry& entry) const {
    RowState row;
    row.entry = entry;
    const std::string id = entry.id();
    row.selected = m_selection == id;
    row.confirming = m_pendingKill && m_pendingKill->entry.id() == id;
    if (const auto label = m_labels.find(QString::number(entry.port)); label != m_labels.end())
        row.label = label->second;
    row.dockerName = containerOf(entry.port);
    if (entry.isDev()) {
        if (const auto health = m_health.find(entry.port); health != m_health.end())
            row.healthy = health->second;
    }
    row.watched = m_watched.contains(entry.port);
    row.editingLabel = m_editingLabelPort == entry.port;
    row.statsText = statsText(entry.pid);

    if (row.confirming) {
        const PendingKill& pending = *m_pendingKill;
        if (entry.isSystemCritical())
            row.secondLine = L10n::text("confirm_sys");
        else if (row.dockerName)
            row.secondLine = L10n::format("confirm_docker", {text(*row.dockerName)});
        else if (pending.restart)
            row.secondLine = L10n::text("confirm_restart");
        else if (pending.tree)
            row.secondLine = L10n::text("confirm_tree");
        else if (pending.force)
            row.secondLine = L10n::text("confirm_force");
        else
            row.secondLine = L10n::text("confirm_kill");
    } else {
        row.secondLine = subtitle(entry, row.dockerName);
    }

    if (entry.isSystemCritical())
        row.stopHelp = L10n::text("help_sys");
    else if (row.dockerName)
        row.stopHelp = L10n::format("help_docker_stop", {text(*row.dockerName)});
    else
        row.stopHelp = L10n::text("help_kill");
    if (entry.isDev())
        row.portHelp = L10n::text("help_open") + QStringLiteral(" \u2014 ") + text(entry.url());
    row.toolTip = text(entry.chainText()) + QStringLiteral("\npid ") + QString::number(entry.pid) +
                  QStringLiteral(" \u00B7 ") + text(entry.user);
    row.accessibleName = QStringLiteral(":") + QString::number(entry.port) +
                         (row.label ? QStringLiteral(" ") + *row.label : QString()) + QStringLiteral(" ") +
                         row.secondLine;
    return row;
}

QString PanelModel::statsText(std::int32_t pid) const {
    const auto stat = m_stats.find(pid);
    if (stat == m_stats.end()) return {};
    return QStringLiteral("%") + QString::number(std::lround(stat->second.cpu)) + QStringLiteral(" \u00B7 ") +
           text(formatMem(stat->second.memMB));
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

bool PanelModel::handleReturn() {
    if (m_editingLabelPort) return false;
    const auto selected = selectedEntry();
    if (!selected) return false;
    if (m_pendingKill && m_pendingKill->entry.id() == selected->id()) {
        confirmPending();
    } else {
        request(*selected, false, false, false);
    }
    return true;
}

bool PanelModel::handleEscape() {
    if (m_editingLabelPort) {
        m_editingLabelPort.reset();
        notify(Rows);
    } else if (m_pendingKill) {
        cancelPending();
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

void PanelModel::request(const PortEntry& entry, bool tree, bool force, bool restart) {
    PendingKill kill{entry, tree, force, restart, std::nullopt};
    if (const auto started = m_startTimes.find(entry.pid); started != m_startTimes.end())
        kill.startTime = started->second;
    if (!m_preferences.confirmBeforeKill() && !entry.isSystemCritical()) {
        perform(kill);
        return;
    }
    m_pendingKill = std::move(kill);
    notify(Rows);
}

void PanelModel::confirmPending() {
    if (!m_pendingKill) return;
    const PendingKill kill = *m_pendingKill;
    m_pendingKill.reset();
    notify(Rows);
    perform(kill);
}

void PanelModel::cancelPending() {
    if (!m_pendingKill) return;
    m_pendingKill.reset();
    notify(Rows);
}

void PanelModel::perform(const PendingKill& kill) {
    QPointer<PanelModel> self(this);
    m_executor.background([self, kill, container = containerOf(kill.entry.port), backend = m_backend,
                           toMain = m_executor.toMain] {
        const std::int32_t pid = kill.entry.pid;
        if (kill.restart) {
            if (stillTheSameProcess(backend, pid, kill.startTime)) {
                backend.restartTree(pid);
                std::this_thread::sleep_for(restartSettle);
            }
        } else if (container) {
            // The port belongs to the container, not to the proxy process that holds it.
            backend.stopContainer(*container);
        } else if (stillTheSameProcess(backend, pid, kill.startTime)) {
            if (kill.tree)
                backend.killTree(pid);
            else
                backend.killProcess(pid, kill.force);
        }
        auto listing = backend.listPorts();
        if (!listing) return;
        auto startTimes = startTimesOf(backend, *listing);
        toMain([self, entries = std::move(*listing), startTimes = std::move(startTimes)]() mutable {
            if (self) self->storeListing(std::move(entries), std::move(startTimes));
        });
    });
}

void PanelModel::reclaimAll() {
    const auto targets = reclaimable();
    if (targets.empty() || m_reclaiming) return;
    m_reclaiming = true;
    notify(Strip);
    std::vector<PendingKill> kills;
    for (const auto& entry : targets) {
        const auto started = m_startTimes.find(entry.pid);
        kills.push_back({entry, true, false, false,
                         started == m_startTimes.end() ? std::nullopt : std::optional(started->second)});
    }
    QPointer<PanelModel> self(this);
    m_executor.background([self, kills = std::move(kills), backend = m_backend, toMain = m_executor.toMain] {
        for (const auto& kill : kills)
            if (stillTheSameProcess(backend, kill.entry.pid, kill.startTime))
                backend.killTree(kill.entry.pid);
        toMain([self] {
            if (!self) return;
            self->m_reclaiming = false;
            self->notify(Strip);
            self->refresh();
        });
    });
}

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

void PanelModel::toggleHistory() {
    m_historyPort.reset();
    m_showHistory = !m_showHistory;
    if (m_showHistory) loadHistory();
    notify(History | Header);
}

void PanelModel::showHistoryFor(std::int64_t port) {
    m_historyPort = port;
    m_showHistory = true;
    loadHistory();
    notify(History | Header);
}

void PanelModel::closeHistory() {
    if (!m_showHistory) return;
    m_showHistory = false;
    notify(History | Header);
}

// The sheet shows what the file held when it was opened; a cold read of a long history takes a while, so
// it happens on a worker.
void PanelModel::loadHistory() {
    m_historyEvents.clear();
    const std::uint64_t load = ++m_historyLoad;
    QPointer<PanelModel> self(this);
    m_executor.background(
        [self, load, port = m_historyPort, backend = m_backend, toMain = m_executor.toMain] {
            const HistoryView view = backend.history(backend.now() - thirtyDays);
            std::vector<PortEvent> events;
            for (const auto& event : view)
                if (!port || event.port == *port) events.push_back(event);
            std::reverse(events.begin(), events.end());
            toMain([self, load, events = std::move(events)]() mutable {
                if (!self || load != self->m_historyLoad || !self->m_showHistory) return;
                self->m_historyEvents = std::move(events);
                self->notify(History);
            });
        });
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
        request(entry, true, false, true);
        break;
    case RowAction::KillTree:
        request(entry, true, false, false);
        break;
    case RowAction::ForceKill:
        request(entry, false, true, false);
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
        showHistoryFor(entry.port);
        break;
    case RowAction::CopyPath:
        if (entry.cwd) m_backend.copyText(text(*entry.cwd));
        break;
    }
}

} // namespace moorix
