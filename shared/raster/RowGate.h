#pragma once
// Rows of an image made on one thread and read on others while it is being made: the maker opens
// the rows that are final, top first; readers wait for the rows they need.
#include <condition_variable>
#include <cstdint>
#include <mutex>

class RowGate {
public:
    // Rows 0..rows-1 are final; a smaller count than before changes nothing.
    void Open(std::uint32_t rows);
    // No more rows will come: readers of rows not yet open stop waiting.
    void Abandon();
    // Waits until rows 0..rows-1 are final; false when they never will be.
    bool WaitFor(std::uint32_t rows);
    // Whether rows 0..rows-1 are final, without waiting.
    bool IsOpen(std::uint32_t rows);

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    std::uint32_t open_ = 0;
    bool abandoned_ = false;
};
