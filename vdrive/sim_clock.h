#pragma once
// The simulated clock long operations run on. At scale s > 0 it runs s times
// faster than real time; at scale 0 it stands still and moves only when told
// (tests advance it by hand, so nothing depends on the machine's speed).

#include <chrono>
#include <mutex>
#include <thread>

namespace sorvane::vdrive {

class TSimClock {
public:
    double Now() const {
        std::lock_guard lock(mutex_);
        return NowLocked();
    }
    double Scale() const {
        std::lock_guard lock(mutex_);
        return scale_;
    }
    void SetScale(double scale) {
        std::lock_guard lock(mutex_);
        offset_ = NowLocked();
        origin_ = Clock::now();
        scale_ = scale < 0 ? 0 : scale;
    }
    void Advance(double seconds) {
        std::lock_guard lock(mutex_);
        if (seconds > 0) offset_ += seconds;
    }
    void Reset() {
        std::lock_guard lock(mutex_);
        offset_ = 0;
        scale_ = 0;
        origin_ = Clock::now();
    }
    // Lets `seconds` of simulated time pass for a command that takes that
    // long: sleeps for the scaled real time, or moves a stopped clock on.
    void Spend(double seconds) {
        if (seconds <= 0) return;
        double scale = Scale();
        if (scale > 0)
            std::this_thread::sleep_for(std::chrono::duration<double>(seconds / scale));
        else
            Advance(seconds);
    }

private:
    using Clock = std::chrono::steady_clock;
    double NowLocked() const {
        if (scale_ <= 0) return offset_;
        return offset_ + std::chrono::duration<double>(Clock::now() - origin_).count() * scale_;
    }

    mutable std::mutex mutex_;
    double offset_ = 0;
    double scale_ = 0;
    Clock::time_point origin_ = Clock::now();
};

}  // namespace sorvane::vdrive
