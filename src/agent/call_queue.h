#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <unordered_map>

#include <QObject>

namespace velkor {

// Names the page a call came from. Numbers are never reused within a process, so a page that
// opens after another closed cannot be taken for it while the closed page's call still runs.
using CallOwner = uint64_t;
inline constexpr CallOwner kNoOwner = 0;

// One call waiting in the queue. `Owner` names the connection it came from, so that a page that
// goes away can have its waiting calls dropped.
class QueuedCall {
public:
    virtual ~QueuedCall() = default;
    virtual CallOwner Owner() const = 0;
    virtual void Run() = 0;
};

// Runs calls one at a time for the whole process, taking the owners (pages) in turn: each owner's
// calls run in their order, and a call waits for at most one call of each other owner, however
// many calls another page has queued. Calls are never run from inside a socket handler (each run
// is posted to the event loop) and never inside another call: a modal dialog's nested event loop
// may deliver further requests, which wait here until the running call has returned. The queue is
// bounded; Enqueue refuses beyond the capacity, except one call of an owner with none waiting.
class CallQueue : public QObject {
    Q_OBJECT
public:
    explicit CallQueue(size_t capacity, QObject* parent = nullptr);
    ~CallQueue() override;

    bool Enqueue(std::unique_ptr<QueuedCall> call);
    // Discards the owner's waiting calls without running them.
    void DropWaiting(CallOwner owner);

    size_t Waiting() const { return waitingCount_; }
    size_t Capacity() const { return capacity_; }
    // The owner of the call that is running now, or kNoOwner.
    CallOwner RunningOwner() const { return runningOwner_; }

private:
    // How long one turn of the event loop may run calls before the pages are read again.
    static constexpr qint64 kBatchMs = 2;

    void SchedulePump();
    void RunNext();
    void RunOne();

    size_t capacity_;
    size_t waitingCount_ = 0;
    // Each owner with waiting calls appears once in `turns`, in the order it is next served.
    std::unordered_map<CallOwner, std::deque<std::unique_ptr<QueuedCall>>> waiting_;
    std::deque<CallOwner> turns_;
    CallOwner runningOwner_ = kNoOwner;
    bool running_ = false;
    bool pumpScheduled_ = false;
};

} // namespace velkor
