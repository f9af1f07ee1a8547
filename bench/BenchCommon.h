// What the flow and window benchmarks share: a reachability check that answers at once, the calling thread's CPU time, a watch on the event loop's gaps and a file of random bytes.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "Flow.h"

// Finds every server at 127.0.0.1 without a lookup or an echo.
class TAtOnce : public TReachCheck {
public:
    void Check() override {
        Found = Reachable = true;
        Address = "127.0.0.1";
    }
};

// CPU time of the calling thread: tells a gap the program's own work made
// from one where the system ran something else (the servers, other jobs).
inline double ThreadCpuMs() {
    timespec T;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &T);
    return T.tv_sec * 1e3 + T.tv_nsec / 1e6;
}

// Watches the calling thread's event loop with a 10 ms timer from Start to
// Stop: the longest gap between two turns, the thread's CPU time within it,
// and the thread's longest run between two turns.
class TLoopGaps {
public:
    double MaxGapMs = 0, GapCpuMs = 0, MaxCpuMs = 0;
    std::function<void()> OnLongest;  // called when a new longest gap ends

    TLoopGaps() {
        Tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&Tick, &QTimer::timeout, [this] { Turn(); });
    }
    void Start() {
        Cpu = ThreadCpuMs();
        Tick.start(10);
        Gap.start();
    }
    // One turn of the loop; the timer calls it, a caller may too.
    void Turn() {
        const double Ms = Gap.nsecsElapsed() / 1e6;
        const double Now = ThreadCpuMs();
        if (Ms > MaxGapMs) {
            MaxGapMs = Ms;
            GapCpuMs = Now - Cpu;
            if (OnLongest) OnLongest();
        }
        MaxCpuMs = std::max(MaxCpuMs, Now - Cpu);
        Cpu = Now;
        Gap.restart();
    }
    void Stop() { Tick.stop(); }

private:
    QTimer Tick;
    QElapsedTimer Gap;
    double Cpu = 0;
};

// Writes MB megabytes of random bytes (the same for every run) to Path.
inline void WriteRandomFile(const std::string& Path, int MB) {
    std::string Bytes(static_cast<size_t>(MB) << 20, '\0');
    std::mt19937_64 Random(1);
    for (size_t i = 0; i + 8 <= Bytes.size(); i += 8) {
        const uint64_t V = Random();
        std::memcpy(&Bytes[i], &V, 8);
    }
    std::ofstream(Path, std::ios::binary).write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
}
