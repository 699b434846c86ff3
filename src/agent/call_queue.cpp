#include "agent/call_queue.h"

#include <algorithm>

namespace velkor {

CallQueue::CallQueue(size_t capacity, QObject* parent)
    : QObject(parent)
    , capacity_(capacity)
{
}

CallQueue::~CallQueue() = default;

bool CallQueue::Enqueue(std::unique_ptr<QueuedCall> call)
{
    if (waiting_.size() >= capacity_) {
        return false;
    }
    waiting_.push_back(std::move(call));
    SchedulePump();
    return true;
}

void CallQueue::DropWaiting(const void* owner)
{
    std::erase_if(waiting_, [owner](const auto& call) { return call->Owner() == owner; });
}

void CallQueue::SchedulePump()
{
    if (pumpScheduled_ || running_ || waiting_.empty()) {
        return;
    }
    pumpScheduled_ = true;
    QMetaObject::invokeMethod(this, &CallQueue::RunNext, Qt::QueuedConnection);
}

void CallQueue::RunNext()
{
    pumpScheduled_ = false;
    if (running_ || waiting_.empty()) {
        return;
    }
    std::unique_ptr<QueuedCall> call = std::move(waiting_.front());
    waiting_.pop_front();
    running_ = true;
    runningOwner_ = call->Owner();
    call->Run();
    running_ = false;
    runningOwner_ = nullptr;
    call.reset();
    SchedulePump();
}

} // namespace velkor
