#include "app/cli/modes.h"

#include "core/control/process_control.h"
#include "core/control/process_inspection.h"
#include "core/history/instant.h"
#include "core/history/port_event.h"
#include "core/history/recorder.h"
#include "core/listing/listing.h"
#include "core/listing/port_sampler.h"
#include "core/platform/platform.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <set>

namespace moorix::cli {

namespace {

constexpr int sampleEveryMilliseconds = 1000;

// SIGINT and SIGTERM write a byte here, which wakes the pause between samples; a handler can do no more.
int stopPipe[2] = {-1, -1};

void onStopSignal(int) {
    const int saved = errno;
    const char byte = 0;
    (void)!::write(stopPipe[1], &byte, 1);
    errno = saved;
}

bool catchStopSignals() {
    if (!platform::makePipe(stopPipe)) return false;
    ::fcntl(stopPipe[1], F_SETFL, O_NONBLOCK);
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    // A reader that went away shows as EPIPE from the write, which ends the watch like an interruption.
    ::signal(SIGPIPE, SIG_IGN);
    return true;
}

// Waits out the pause between samples; false when a stop signal came or standard output was closed (a
// pipe's reader gone, a terminal hung up), so that an idle watch does not outlive its reader.
bool pauseUntilNextSample() {
    pollfd watched[2] = {{stopPipe[0], POLLIN, 0}, {STDOUT_FILENO, 0, 0}};
    const int ready = ::poll(watched, 2, sampleEveryMilliseconds);
    return ready <= 0 || (watched[0].revents == 0 && watched[1].revents == 0);
}

} // namespace

int watchMode(bool all, const KillNotes& kills) {
    if (!catchStopSignals()) {
        std::fputs("moorix: cannot watch: no pipe for the stop signals\n", stderr);
        return 1;
    }
    // Absent while the output is open; then the status the watch ends with.
    std::optional<int> ended;
    Recorder recorder(
        [&ended](const PortEvent& event) {
            const auto line = encodeEventLine(event);
            if (ended || !line) return;
            // Each line at once, so that a reader such as jq sees the event as it happens.
            if (std::fwrite(line->data(), 1, line->size(), stdout) != line->size() ||
                std::fputc('\n', stdout) == EOF || std::fflush(stdout) != 0)
                ended = errno == EPIPE ? 0 : 1;
        },
        [](std::int32_t pid) { return PortCore::argv(pid); },
        [&kills](std::int32_t pid) { return kills.contains(pid); });
    const auto listPorts = [] { return PortCore::listPorts(); };
    // One sampler for the whole watch, as the menu-bar application keeps one.
    PortCore::PortSampler sampler;
    bool baselined = false;
    bool saidWhy = false;
    do {
        const auto live = sampler.listeningPorts();
        if (!live) {
            // Said once per spell of failures; a failed sample changes nothing, as in the application.
            if (!saidWhy) std::fputs("moorix: the listening sockets could not be listed\n", stderr);
            saidWhy = true;
            continue;
        }
        saidWhy = false;
        const Instant now = currentInstant();
        // An empty first sample makes every port already open count as newly open.
        if (all && !baselined) recorder.record(now, {}, listPorts, PortCore::processExists);
        baselined = true;
        recorder.record(now, std::set<std::int64_t>(live->begin(), live->end()), listPorts,
                        PortCore::processExists);
        if (ended) return *ended;
    } while (pauseUntilNextSample());
    return 0;
}

} // namespace moorix::cli
