#include "RowGate.h"

#include "HandOver.h"

void RowGate::Open(std::uint32_t rows) {
    {
        std::lock_guard lock(mutex_);
        if (rows <= open_) return;
        open_ = rows;
    }
    opened_.notify_all();
    handover::At(handover::Side::Given);
}

void RowGate::Abandon() {
    {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
    }
    opened_.notify_all();
}

bool RowGate::WaitFor(std::uint32_t rows) {
    bool open = false;
    {
        std::unique_lock lock(mutex_);
        opened_.wait(lock, [&] { return open_ >= rows || abandoned_; });
        open = open_ >= rows;
    }
    handover::At(handover::Side::Taken);
    return open;
}

bool RowGate::IsOpen(std::uint32_t rows) {
    std::lock_guard lock(mutex_);
    return open_ >= rows;
}
