#include "agent/call_queue.h"

#include <algorithm>

#include <QElapsedTimer>

namespace velkor {

CallQueue::CallQueue(size_t capacity, QObject* parent)
    : QObject(parent)
    , capacity_(capacity)
{
}

CallQueue::~CallQueue() = default;

bool CallQueue::Enqueue(std::unique_ptr<QueuedCall> call)
{
    // A full queue still takes one call of an owner that has none waiting: otherwise a few pages
    // that keep the queue full would have every call of every other page refused. This is bounded
    // by the number of owners (connections).
    if (waitingCount_ >= capacity_ && waiting_.contains(call->Owner())) {
        return false;
    }
    auto& calls = waiting_[call->Owner()];
    if (calls.empty()) {
        turns_.push_back(call->Owner());
    }
    calls.push_back(std::move(call));
    ++waitingCount_;
    SchedulePump();
    return true;
}

void CallQueue::DropWaiting(CallOwner owner)
{
    const auto it = waiting_.find(owner);
    if (it == waiting_.end()) {
        return;
    }
    waitingCount_ -= it->second.size();
    waiting_.erase(it);
    std::erase(turns_, owner);
}

void CallQueue::SchedulePump()
{
    if (pumpScheduled_ || running_ || turns_.empty()) {
        return;
    }
    pumpScheduled_ = true;
    QMetaObject::invokeMethod(this, &CallQueue::RunNext, Qt::QueuedConnection);
}

void CallQueue::RunNext()
{
    pumpScheduled_ = false;
    // Several short calls per turn of the event loop: a turn also reads every page that has
    // input, which under load costs far more than a short call. Long calls end the batch.
    QElapsedTimer batch;
    batch.start();
    while (!running_ && !turns_.empty() && batch.elapsed() < kBatchMs) {
        RunOne();
    }
    SchedulePump();
}

void CallQueue::RunOne()
{
    const CallOwner owner = turns_.front();
    turns_.pop_front();
    auto it = waiting_.find(owner);
    std::unique_ptr<QueuedCall> call = std::move(it->second.front());
    it->second.pop_front();
    --waitingCount_;
    if (it->second.empty()) {
        waiting_.erase(it);
    } else {
        turns_.push_back(owner); // its next call after one of every other owner's
    }
    running_ = true;
    runningOwner_ = call->Owner();
    call->Run();
    running_ = false;
    runningOwner_ = kNoOwner;
    call.reset();
}

} // namespace velkor
