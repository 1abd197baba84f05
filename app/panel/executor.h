#pragma once

#include <functional>

class QThreadPool;

namespace moorix {

// Where the panel's work runs: slow work on background workers, results back on the main thread in
// the order they were posted. Tests use the immediate executor, which runs both on the calling thread.
struct Executor {
    using Task = std::function<void()>;
    std::function<void(Task)> background;
    std::function<void(Task)> toMain;

    static Executor threadPool(QThreadPool& pool);
    static Executor immediate();
};

} // namespace moorix
