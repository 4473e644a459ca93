#include "cli/OrderedOutput.h"

#include <chrono>

OrderedOutput::OrderedOutput(std::size_t window, Writer write) : window_(window < 1 ? 1 : window), write_(std::move(write)) {}

void OrderedOutput::WaitForTurn(std::size_t index) {
    std::unique_lock<std::mutex> hold(lock_);
    moved_.wait(hold, [&] { return index < next_ + window_; });
}

void OrderedOutput::Put(std::size_t index, OrderedItem item, const std::function<bool(std::size_t)>& othersStuck) {
    std::unique_lock<std::mutex> hold(lock_);
    if (index < next_) {
        // Given up on earlier: written now, out of its place rather than lost.
        write_(item);
        return;
    }
    ++waiting_;
    while (index >= next_ + window_) {
        moved_.wait_for(hold, std::chrono::milliseconds(50));
        if (index >= next_ + window_ && othersStuck && othersStuck(waiting_)) {
            next_ = held_.empty() || index < held_.begin()->first ? index : held_.begin()->first;
            WriteReady();
        }
    }
    --waiting_;
    held_.emplace(index, std::move(item));
    WriteReady();
}

void OrderedOutput::Flush() {
    std::lock_guard<std::mutex> hold(lock_);
    for (auto& [index, item] : held_) {
        write_(item);
        next_ = index + 1;
    }
    held_.clear();
    moved_.notify_all();
}

void OrderedOutput::WriteReady() {
    bool wrote = false;
    for (auto it = held_.begin(); it != held_.end() && it->first == next_; it = held_.erase(it)) {
        write_(it->second);
        ++next_;
        wrote = true;
    }
    if (wrote) moved_.notify_all();
}
