#include "RowGate.h"

void RowGate::Open(std::uint32_t rows) {
    {
        std::lock_guard lock(mutex_);
        if (rows <= open_) return;
        open_ = rows;
    }
    opened_.notify_all();
}

void RowGate::Abandon() {
    {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
    }
    opened_.notify_all();
}

bool RowGate::WaitFor(std::uint32_t rows) {
    std::unique_lock lock(mutex_);
    opened_.wait(lock, [&] { return open_ >= rows || abandoned_; });
    return open_ >= rows;
}

bool RowGate::IsOpen(std::uint32_t rows) {
    std::lock_guard lock(mutex_);
    return open_ >= rows;
}
