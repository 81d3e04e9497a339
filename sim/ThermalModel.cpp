#include "sim/ThermalModel.h"

#include <cmath>

namespace kelvra::sim {

ThermalModel::ThermalModel(double ambient, double selfHeating, double setPoint, double timeConstant)
    : ambient_(ambient),
      selfHeating_(selfHeating),
      setPoint_(setPoint),
      timeConstant_(timeConstant) {}

// A camera that has been powered long enough to settle, cooler off.
void ThermalModel::powerOn(Clock::time_point now) {
    cooling_ = false;
    celsius_ = target();
    last_ = now;
}

// The temperature now, after letting real time act on it.
double ThermalModel::celsius(Clock::time_point now) {
    if (now > last_) {
        step(std::chrono::duration<double>(now - last_).count());
        last_ = now;
    }
    return celsius_;
}

void ThermalModel::setCooling(bool on, Clock::time_point now) {
    celsius(now);
    cooling_ = on;
}

// A cooler given a new set-point heads for it from now on.
void ThermalModel::setSetPoint(double celsius, Clock::time_point now) {
    this->celsius(now);
    setPoint_ = celsius;
}

void ThermalModel::force(double celsius, Clock::time_point now) {
    last_ = now;
    celsius_ = celsius;
}

// A time constant of 0 makes every change immediate.
void ThermalModel::setTimeConstant(double seconds, Clock::time_point now) {
    celsius(now);
    timeConstant_ = seconds < 0 ? 0 : seconds;
}

// Lets `seconds` of simulated time pass at once, so tests need not wait.
void ThermalModel::advance(double seconds) {
    if (seconds > 0) step(seconds);
}

void ThermalModel::step(double seconds) {
    if (timeConstant_ <= 0) {
        celsius_ = target();
        return;
    }
    celsius_ = target() + (celsius_ - target()) * std::exp(-seconds / timeConstant_);
}

}  // namespace kelvra::sim
