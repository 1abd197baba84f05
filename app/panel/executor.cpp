#include "app/panel/executor.h"

#include <QCoreApplication>
#include <QThreadPool>

namespace moorix {

Executor Executor::threadPools(QThreadPool& work, QThreadPool& probes) {
    return {[&work](Task task) { work.start(std::move(task)); },
            [&probes](Task task) { probes.start(std::move(task)); },
            // The application object outlives every panel, so a posted task always has a receiver.
            [](Task task) {
                QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(task),
                                          Qt::QueuedConnection);
            }};
}

Executor Executor::immediate() {
    return {[](Task task) { task(); }, [](Task task) { task(); }, [](Task task) { task(); }};
}

} // namespace moorix
