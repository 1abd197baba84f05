#include "app/panel/executor.h"

#include <QCoreApplication>
#include <QThreadPool>

namespace moorix {

Executor Executor::threadPool(QThreadPool& pool) {
    return {[&pool](Task task) { pool.start(std::move(task)); },
            // The application object outlives every panel, so a posted task always has a receiver.
            [](Task task) { QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(task), Qt::QueuedConnection); }};
}

Executor Executor::immediate() {
    return {[](Task task) { task(); }, [](Task task) { task(); }};
}

} // namespace moorix
