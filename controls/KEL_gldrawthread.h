#pragma once
// The pacing thread of an OpenGL panel: it sleeps, then has its event run on the GUI thread
// and waits until it has run, until it is asked to stop. It never draws itself.
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

using TKEL_glpanelevent = std::function<void()>;

class TKEL_gldrawthread : public QThread {
    Q_OBJECT
public:
    // Delay and event are fixed for the thread's life; an empty event makes a thread that
    // only sleeps.
    TKEL_gldrawthread(int delay, TKEL_glpanelevent event, QObject *parent = nullptr);
    // Stops the thread and waits for it; never deadlocks against a tick it has posted.
    ~TKEL_gldrawthread() override;

    int Delay() const { return delay_; }
    // Asks the thread to leave its loop and cuts its sleep short; does not wait. No event
    // runs after this call.
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Whether the event is running right now (GUI thread only).
    bool Ticking() const { return ticking_; }

    // Stops the thread and waits until it has ended (GUI thread only, not from a tick).
    void TerminateAndWait();

protected:
    void run() override;

private:
    void Tick();
    // Sleeps the delay unless a stop request comes first; true when it did.
    bool SleepUnlessTerminated();

    const int delay_;
    const TKEL_glpanelevent event_;
    std::atomic<bool> terminated_{false};
    std::mutex sleepLock_;
    std::condition_variable wake_;
    bool ticking_ = false;
};
