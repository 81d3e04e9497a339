// The 640 x 512 near-infrared area sensor with a cooler of product 0x3200 (model code 99). Its
// temperature is the average of the raw samples a background thread collects while frames are
// transferred (started and stopped by the device core's transfer start and stop); its frame
// rate is set through the extended command 0.
//
// Register programs are ours, on the area-sensor block; the cooler bit (FPGA 0x97), the
// temperature conversion and the frame-rate formula are the family description's.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "sensors/CSensorAreaSensor.h"

namespace kelvra {

class CSensorModelC : public CSensorAreaSensor {
  public:
    static constexpr uint8_t kBusAddress = 0x48;
    static constexpr int kSamplesKept = 32;
    static constexpr uint32_t kSamplePeriodMs = 100;

    explicit CSensorModelC(CControllerBase* controller, uint8_t busAddress = kBusAddress);
    // Stops the sampling thread.
    ~CSensorModelC() override;

    // Command 0: frame rate *value (as the camera's tool gives it): the frame length becomes
    // 100000 / rate / (line length x 3 / 2.2 / clock), at least height + 46 and at most 65535,
    // and the exposure is applied again. 0 for another command or a rate that is not positive.
    int32_t ExtendedCommand(int32_t type, int32_t* value) override;

    // Sampling thread: start (104), stop and wait for it (105), running (106).
    void SensorOperation104() override;
    void SensorOperation105(int32_t wait) override;
    int32_t SensorOperation106() override;

    // Samples the thread has kept (at most kSamplesKept).
    int SampleCount() const;
    // Degrees Celsius of a mean raw sample a: v = a x 3.3 / 4096, then the board's amplifier.
    static double CelsiusFromMeanRaw(double mean);

  protected:
    double LinePeriodNs() const override;
    bool CoolerFitted() override;
    int32_t CoolerState() override;
    int32_t ProgramCooler(bool on) override;
    bool TemperatureAvailable() override;
    // The mean of the kept samples; 0 while there are none.
    int32_t ReadTemperature(double* celsius) override;

  private:
    void SampleLoop();
    void StopSampling();

    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stop = false;                    // guarded by m_lock
    int m_kept = 0;                         // guarded by m_lock
    int m_next = 0;                         // guarded by m_lock
    uint16_t m_samples[kSamplesKept] = {};  // guarded by m_lock
    std::thread m_thread;                   // started and joined under m_control
    std::mutex m_control;
};

}  // namespace kelvra
