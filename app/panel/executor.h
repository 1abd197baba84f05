#pragma once

#include <functional>

class QThreadPool;

namespace moorix {

// Where the panel's work runs: slow work on background workers, HTTP probes on workers of their own (a
// silent port keeps one waiting for 1.5 s, and a stop must never queue behind them), results back on the
// main thread in the order they were posted. Tests use the immediate executor, which runs everything on
// the calling thread.
struct Executor {
    using Task = std::function<void()>;
    std::function<void(Task)> background;
    std::function<void(Task)> probes;
    std::function<void(Task)> toMain;

    static Executor threadPools(QThreadPool& work, QThreadPool& probes);
    static Executor immediate();
};

} // namespace moorix
