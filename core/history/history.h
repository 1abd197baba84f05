#pragma once

#include "core/history/history_cache.h"
#include "core/history/history_view.h"
#include "core/history/instant.h"
#include "core/history/port_event.h"

#include <mutex>
#include <string>

namespace moorix {

// The port history on disk: "history.jsonl", one event per line, appended to and never trimmed by the
// program. One lock per store serialises its file accesses; between processes, every append is a single
// write at the end of the file, so a reader in another process sees whole lines and at most one partial
// last line, which it skips.
class History {
public:
    explicit History(std::string path);
    History(const History&) = delete;
    History& operator=(const History&) = delete;

    // "history.jsonl" in the application-data folder, which is created on the first call.
    static const std::string& defaultPath();

    const std::string& path() const { return m_path; }

    void append(const PortEvent& event);

    // Every readable event at or after `since`, in file order. Only bytes appended since the previous read
    // are decoded; what was read before is remembered, and the view shares it rather than copying it.
    HistoryView events(Instant since);

private:
    std::string m_path;
    std::mutex m_lock;
    HistoryCache m_cache;
};

} // namespace moorix
