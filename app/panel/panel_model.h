#pragma once

#include "app/panel/executor.h"
#include "app/panel/panel_backend.h"
#include "app/panel/pending_kill.h"
#include "app/panel/row_menu.h"
#include "app/panel/row_state.h"
#include "core/history/insights.h"
#include "core/history/port_event.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace moorix {

class Preferences;

// All state and logic of the drop-down panel: the live port list, its filters and sections, the keyboard
// and stop-confirmation flow, the row actions, the header, the alert strip and the history sheet. It
// lives on the main thread and never touches a widget; views draw what it says and call its operations.
class PanelModel : public QObject {
    Q_OBJECT

public:
    // What a change touched, so that views redraw only that.
    enum Change : unsigned {
        List = 1u << 0,    // which rows are shown, in which sections, and the list height
        Rows = 1u << 1,    // what the shown rows say (selection, confirmation, label, health, …)
        Stats = 1u << 2,   // CPU and memory figures
        Header = 1u << 3,  // counts text, search and history toggles
        Strip = 1u << 4,   // alert strip
        History = 1u << 5, // the history sheet: shown or not, its port, its events
        Search = 1u << 6,  // the search field shown or not, its text
    };

    PanelModel(PanelBackend backend, Executor executor, Preferences& preferences, QObject* parent = nullptr);

    // --- Loops: both run only while the panel is shown. ---
    void setShown(bool shown);
    void refresh();
    void liveStatsTick();
    // The refresh loop's current period; zero while the loop is stopped.
    std::chrono::milliseconds refreshPeriod() const;

    // --- State. ---
    const std::vector<PortEntry>& entries() const { return m_entries; }
    bool loaded() const { return m_loaded; }
    const std::optional<PendingKill>& pendingKill() const { return m_pendingKill; }
    const QString& searchText() const { return m_searchText; }
    bool showSearch() const { return m_showSearch; }
    const std::optional<std::string>& selection() const { return m_selection; }
    bool exposedOnly() const { return m_exposedOnly; }
    std::optional<std::int64_t> editingLabelPort() const { return m_editingLabelPort; }
    const QString& labelDraft() const { return m_labelDraft; }
    bool showHistory() const { return m_showHistory; }
    std::optional<std::int64_t> historyPort() const { return m_historyPort; }
    // The history sheet's events, newest first; empty until loaded.
    const std::vector<PortEvent>& historyEvents() const { return m_historyEvents; }
    const std::vector<PortEntry>& orphans() const { return m_orphans; }
    bool reclaiming() const { return m_reclaiming; }

    // The user's height limit of the list, which also bounds the history sheet.
    double panelMaxHeight() const;

    // --- Derived values, worked out afresh on each call. ---
    std::set<std::int64_t> hiddenPorts() const;
    std::vector<PortEntry> filtered() const;
    // `filtered` split, in one pass, into the development section and the other one.
    struct Sections {
        std::vector<PortEntry> dev;
        std::vector<PortEntry> other;
        bool empty() const { return dev.empty() && other.empty(); }
    };
    Sections sections() const;
    int devPortCount() const;
    double listHeight() const { return listHeight(sections()); }
    // Whole rows up to the preferred limit, and no taller than `room`, the height left for the list on
    // the screen beside the tray icon.
    double listHeight(const Sections& shown, double room = std::numeric_limits<double>::infinity()) const;
    RowState rowState(const PortEntry& entry) const;
    // "%12 · 340 MB"; empty until the process's figures are known.
    QString statsText(std::int32_t pid) const;
    std::vector<RowMenuItem> menuItems(const PortEntry& entry) const;
    // "3 dev · 5 other"; empty before the first listing and while nothing listens.
    QString countsText() const;
    int exposedCount() const;
    // Orphans, then stale servers: what "reclaim all" stops.
    std::vector<PortEntry> reclaimable() const;
    // The orphan or stale count; empty when there is nothing to reclaim.
    QString insightText() const;
    // The text that stands in for an empty list: scanning, no match, or no ports.
    QString emptyStateText() const;

    // --- Operations. ---
    void select(const std::string& id);
    void moveSelection(int delta);
    // True when the key was used; false lets it pass on.
    bool handleReturn();
    bool handleEscape();
    void request(const PortEntry& entry, bool tree, bool force, bool restart);
    void confirmPending();
    void cancelPending();
    void perform(const PendingKill& kill);
    void hidePort(std::int64_t port);
    void toggleWatch(std::int64_t port);
    void startLabelEdit(std::int64_t port);
    void setLabelDraft(const QString& text);
    void commitLabelEdit(std::int64_t port);
    void toggleSearch();
    void setSearchText(const QString& text);
    void toggleExposedOnly();
    // The header's history button: all ports, or closes the sheet.
    void toggleHistory();
    void showHistoryFor(std::int64_t port);
    void closeHistory();
    void reclaimAll();
    // A click on the port number: selects the row, and opens development servers in the browser.
    void openPort(const PortEntry& entry);
    void trigger(RowAction action, const PortEntry& entry);

signals:
    void changed(unsigned what);
    // Only the rows of this port say something new (a health probe answered differently).
    void portChanged(std::int64_t port);

private:
    struct Refreshed {
        std::vector<PortEntry> entries;
        std::unordered_map<std::int32_t, ProcessStats> stats;
        std::vector<PortEntry> orphans;
        std::vector<Insights::Stale> stale;
        std::unordered_map<std::int32_t, std::uint64_t> startTimes;
    };

    void store(Refreshed refreshed);
    void storeListing(std::vector<PortEntry> entries,
                      std::unordered_map<std::int32_t, std::uint64_t> startTimes);
    void probe(const std::vector<PortEntry>& entries);
    void loadHistory();
    void restartRefreshLoop();
    void scheduleStatsTick();
    std::vector<PortEntry> shownInOrder() const;
    std::optional<PortEntry> selectedEntry() const;
    std::optional<std::string> containerOf(std::int64_t port) const;
    void notify(unsigned what) { emit changed(what); }

    PanelBackend m_backend;
    Executor m_executor;
    Preferences& m_preferences;

    std::vector<PortEntry> m_entries;
    // When each listed pid's process started, to tell a reused pid before signalling it.
    std::unordered_map<std::int32_t, std::uint64_t> m_startTimes;
    bool m_loaded = false;
    std::optional<PendingKill> m_pendingKill;
    QString m_searchText;
    bool m_showSearch = false;
    std::optional<std::string> m_selection;
    std::map<std::int64_t, bool> m_health;
    std::map<std::int64_t, double> m_probedAt;
    std::map<std::int64_t, std::string> m_dockerNames;
    std::unordered_map<std::int32_t, ProcessStats> m_stats;
    bool m_exposedOnly = false;
    std::map<QString, QString> m_labels;
    std::set<std::int64_t> m_watched;
    std::optional<std::int64_t> m_editingLabelPort;
    QString m_labelDraft;
    bool m_showHistory = false;
    std::optional<std::int64_t> m_historyPort;
    std::vector<PortEvent> m_historyEvents;
    std::uint64_t m_historyLoad = 0;
    std::vector<PortEntry> m_orphans;
    std::vector<Insights::Stale> m_staleEntries;
    bool m_reclaiming = false;

    bool m_shown = false;
    QTimer m_refreshTimer;
    QTimer m_statsTimer;
    bool m_statsInFlight = false;
};

} // namespace moorix
