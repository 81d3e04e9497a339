#pragma once
// Sensor temperature: a first-order approach toward the cooler's set-point (cooler on) or toward
// ambient plus self-heating (cooler off), with a time constant of seconds. Not locked: the
// owning camera serialises access.

#include <chrono>

namespace kelvra::sim {

class ThermalModel {
  public:
    using Clock = std::chrono::steady_clock;

    ThermalModel(double ambient, double selfHeating, double setPoint, double timeConstant);

    void powerOn(Clock::time_point now);
    double celsius(Clock::time_point now);
    void setCooling(bool on, Clock::time_point now);
    void setSetPoint(double celsius, Clock::time_point now);
    bool cooling() const { return cooling_; }
    void force(double celsius, Clock::time_point now);
    void setTimeConstant(double seconds, Clock::time_point now);
    void advance(double seconds);

  private:
    double target() const { return cooling_ ? setPoint_ : ambient_ + selfHeating_; }
    void step(double seconds);

    double ambient_, selfHeating_, setPoint_, timeConstant_;
    double celsius_ = 0.0;
    bool cooling_ = false;
    Clock::time_point last_{};
};

}  // namespace kelvra::sim
