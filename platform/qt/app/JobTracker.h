// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaObject>
#include <QObject>

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <stop_token>
#include <thread>

namespace ohmrada::qt {

// The windows' one helper for background work. Each Start() is a request
// with a generation number of its own; the job runs on a thread of its own
// with a stop token, and its result is handed to the done function by a
// queued call on the context object's (the window's) thread, only if no
// later Start() or Cancel() came in between: stale results are dropped.
// The GUI thread never waits for a job, except in the destructor, which
// asks every job to stop and joins its thread (a simulation stops at once:
// its worker process is killed).
//
//   m_jobs.Start([request](std::stop_token stop) { return Heavy(request, stop); },
//                [this](CResult result) { Show(result); });
class CJobTracker {
public:
    explicit CJobTracker(QObject* context) : m_context(context) {}
    ~CJobTracker() {
        for (CThread& thread : m_threads) {
            thread.thread.request_stop();
        }
        m_threads.clear();  // joins
    }
    CJobTracker(const CJobTracker&) = delete;
    CJobTracker& operator=(const CJobTracker&) = delete;

    // Starts a job; a job still running is asked to stop and its result
    // will be dropped. Job: Result(std::stop_token); Done: void(Result).
    template <class Job, class Done>
    void Start(Job job, Done done) {
        Cancel();
        const unsigned long long generation = ++m_generation;
        m_running = true;
        auto finished = std::make_shared<std::atomic<bool>>(false);
        QObject* context = m_context;
        CJobTracker* tracker = this;
        m_threads.push_back(CThread{
            std::jthread([job = std::move(job), done = std::move(done), generation, context,
                          tracker, finished](std::stop_token stop) mutable {
                using CResult = decltype(job(stop));
                auto result = std::make_shared<CResult>(job(stop));
                auto shared = std::make_shared<Done>(std::move(done));
                // Dropped by Qt if the context is gone by then.
                QMetaObject::invokeMethod(
                    context,
                    [tracker, generation, result, shared] {
                        tracker->Deliver(generation, [&] { (*shared)(std::move(*result)); });
                    },
                    Qt::QueuedConnection);
                finished->store(true);
            }),
            finished});
    }

    // Asks the running job to stop and drops its result.
    void Cancel() {
        ++m_generation;
        m_running = false;
        for (CThread& thread : m_threads) {
            thread.thread.request_stop();
        }
        Reap();
    }

    // A job whose result is still to come.
    bool Running() const { return m_running; }
    unsigned long long Generation() const { return m_generation; }

private:
    struct CThread {
        std::jthread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };

    void Deliver(unsigned long long generation, const std::function<void()>& hand) {
        Reap();
        if (generation != m_generation) {
            return;  // a later request or a cancel came in between
        }
        m_running = false;
        hand();
    }

    // Joins the threads whose job has ended (it is only returning now).
    void Reap() {
        m_threads.remove_if([](const CThread& thread) { return thread.finished->load(); });
    }

    QObject* m_context;
    unsigned long long m_generation = 0;
    bool m_running = false;
    std::list<CThread> m_threads;
};

}  // namespace ohmrada::qt
