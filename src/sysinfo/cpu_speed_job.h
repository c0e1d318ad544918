#pragma once
// Measures the processor's speed again and again until stopped, posting
// each measurement to the thread that started it.

#include "core/job.h"

#include <functional>

namespace sysinfo {

class CpuSpeedJob : public core::Job {
  public:
    // `measure` answers one measurement in MHz; `measured` receives it on the
    // starting thread.
    CpuSpeedJob(std::function<double()> measure, std::function<void(double mhz)> measured)
        : m_measure(std::move(measure)), m_measured(std::move(measured)) {}
    ~CpuSpeedJob() override { stop(); }

    void run() override {
        while (!cancelled()) {
            const double mhz = m_measure();
            if (cancelled()) break;
            post([this, mhz] { m_measured(mhz); });
        }
    }

  private:
    std::function<double()> m_measure;
    std::function<void(double)> m_measured;
};

} // namespace sysinfo
