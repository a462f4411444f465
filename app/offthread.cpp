#include "offthread.h"

#include <QEventLoop>
#include <QMetaObject>

#include <exception>
#include <thread>

bool RunOffGuiThread(const std::function<bool()> &job) {
    QEventLoop loop;
    bool result = false;
    std::exception_ptr error;
    std::thread worker([&] {
        try {
            result = job();
        } catch (...) {
            error = std::current_exception();
        }
        // Queued, so a quit that comes before exec() starts still ends it.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    if (error)
        std::rethrow_exception(error);
    return result;
}
