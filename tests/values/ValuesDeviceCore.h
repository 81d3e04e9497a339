#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "front/ScriptedDeviceCore.h"

namespace kelvra::test {

// The scripted core with the camera's values behind it: gains, exposure, mirroring, cooler,
// temperature, gain mode, short exposure mode, black level and the readout window, each with a
// switch to make the camera lack or refuse it. Every write is logged.
class ValuesDeviceCore : public ScriptedDeviceCore {
  public:
    struct Features {
        bool windowFlagA = true;
        bool windowFlagB = true;
        bool refuseWindow = false;
        bool refuseWrites = false;  // gains, exposure, mirroring, gain mode
        bool shortExposure = false;
        bool shortExposureFails = false;
        bool blackLevel = false;
        bool blackLevelFails = false;
        bool temperature = false;
        bool temperatureFails = false;
        bool secondsReadFails = false;
        bool refuseSeconds = false;
    };

    int32_t gain = 0, red = 0, green1 = 0, green2 = 0, blue = 0;
    int32_t exposure = 0;
    double seconds = 0.0;
    int32_t coolerState = 0;
    int32_t gainMode = 0;
    int32_t shortMode = 0;
    int32_t level = 0;
    double celsius = -20.5;

    ValuesDeviceCore(Script script, Features features, std::vector<std::string>* log)
        : ScriptedDeviceCore(std::move(script), log), features_(features), log_(log) {}

    int32_t GetWindowFlagA() override { return features_.windowFlagA; }
    int32_t GetWindowFlagB() override { return features_.windowFlagB; }
    int32_t SetCaptureWindow(int32_t x, int32_t y, int32_t w, int32_t h, int32_t mode) override {
        Log("SetCaptureWindow " + std::to_string(x) + " " + std::to_string(y) + " " +
            std::to_string(w) + " " + std::to_string(h) + " " + std::to_string(mode));
        return !features_.refuseWindow;
    }

    int32_t SetGain(int32_t v) override { return Write("SetGain", v, &gain); }
    int32_t GetGain() override { return gain; }
    int32_t SetColorGainRed(int32_t v) override { return Write("SetColorGainRed", v, &red); }
    int32_t GetColorGainRed() override { return red; }
    int32_t SetColorGainGreen1(int32_t v) override {
        return Write("SetColorGainGreen1", v, &green1);
    }
    int32_t GetColorGainGreen1() override { return green1; }
    int32_t SetColorGainGreen2(int32_t v) override {
        return Write("SetColorGainGreen2", v, &green2);
    }
    int32_t GetColorGainGreen2() override { return green2; }
    int32_t SetColorGainBlue(int32_t v) override { return Write("SetColorGainBlue", v, &blue); }
    int32_t GetColorGainBlue() override { return blue; }
    // Exposure in 0.1 ms units; the camera keeps its seconds in step.
    int32_t SetExposureTime(int32_t v) override {
        if (!Write("SetExposureTime", v, &exposure)) return 0;
        seconds = v / 10000.0;
        return 1;
    }
    int32_t GetExposureTime() override { return exposure; }
    int32_t SetExposureSeconds(double s) override {
        Log("SetExposureSeconds " + std::to_string(s));
        if (features_.refuseSeconds) return 0;
        seconds = s;
        return 1;
    }
    int32_t GetExposureSeconds(double* s) override {
        if (features_.secondsReadFails) return 0;
        *s = seconds;
        return 1;
    }
    int32_t SetFlip(int32_t v) override { return Write("SetFlip", v, nullptr); }
    int32_t SetMirror(int32_t v) override { return Write("SetMirror", v, nullptr); }

    int32_t GetCoolerState() override { return coolerState; }
    int32_t SetCooler(int32_t v) override {
        Log("SetCooler " + std::to_string(v));
        coolerState = v;
        return 1;
    }
    int32_t IsTemperatureSupported() override { return features_.temperature; }
    int32_t GetTemperature(double* c) override {
        if (features_.temperatureFails) return 0;
        *c = celsius;
        return 1;
    }
    int32_t SetGainMode(int32_t v) override { return Write("SetGainMode", v, &gainMode); }
    int32_t GetGainMode() override { return gainMode; }
    int32_t IsShortExposureModeSupported() override { return features_.shortExposure; }
    int32_t GetShortExposureMode(int32_t* on) override {
        if (features_.shortExposureFails) return 0;
        *on = shortMode;
        return 1;
    }
    int32_t SetShortExposureMode(int32_t on) override {
        Log("SetShortExposureMode " + std::to_string(on));
        if (features_.shortExposureFails) return 0;
        shortMode = on;
        return 1;
    }
    int32_t IsBlackLevelSupported() override { return features_.blackLevel; }
    int32_t SetBlackLevel(int32_t v) override {
        Log("SetBlackLevel " + std::to_string(v));
        if (features_.blackLevelFails) return 0;
        level = v;
        return 1;
    }
    int32_t GetBlackLevel() override { return level; }

  private:
    void Log(const std::string& line) { log_->push_back(line); }
    int32_t Write(const std::string& name, int32_t v, int32_t* target) {
        Log(name + " " + std::to_string(v));
        if (features_.refuseWrites) return 0;
        if (target != nullptr) *target = v;
        return 1;
    }

    Features features_;
    std::vector<std::string>* log_;
};

}  // namespace kelvra::test
