// Results written in the order of their numbers (the order the paths were listed) while they
// finish in any order. At most `window` results wait in memory: a result that far ahead of
// the first unwritten one waits for its turn, so the output still streams.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>

struct OrderedItem {
    std::string out;    // for standard output
    std::string error;  // for standard error
};

class OrderedOutput {
public:
    using Writer = std::function<void(const OrderedItem& item)>;
    OrderedOutput(std::size_t window, Writer write);

    // Waits until `index` lies within the window, so its result can be taken at once.
    void WaitForTurn(std::size_t index);
    // Hands over the result of `index` and writes every result that is now next in order.
    // While `index` lies beyond the window it waits; `othersStuck` (when given) is asked now
    // and then meanwhile, and when it says every other producer waits too, the missing
    // results are given up and what is held is written in order.
    void Put(std::size_t index, OrderedItem item, const std::function<bool(std::size_t waiting)>& othersStuck = {});
    // Writes everything still held, in order, gaps skipped (results that never came).
    void Flush();

private:
    void WriteReady();
    std::size_t window_;
    Writer write_;
    std::mutex lock_;
    std::condition_variable moved_;
    std::size_t next_ = 0;     // the first index not yet written
    std::size_t waiting_ = 0;  // producers waiting in Put
    std::map<std::size_t, OrderedItem> held_;
};
