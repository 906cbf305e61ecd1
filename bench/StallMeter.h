#pragma once

#include <QElapsedTimer>
#include <QTimer>

// Measures the longest gap between two turns of the event loop, shared by the
// benchmarks that drive the real model and screens.
class StallMeter {
  public:
    StallMeter() {
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            if (last_ != 0 && now - last_ > longest_) {
                longest_ = now - last_;
                longestEnd_ = now;
            }
            last_ = now;
        });
    }
    void start() {
        longest_ = 0;
        last_ = 0;
        clock_.start();
        timer_.start();
    }
    // The longest stall in milliseconds.
    double stop() {
        timer_.stop();
        return static_cast<double>(longest_) / 1e6;
    }
    // Seconds from start() to the end of the longest stall.
    double longestAt() const { return static_cast<double>(longestEnd_) / 1e9; }

  private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
    qint64 longestEnd_ = 0;
};
