// Filter values: the general form by index, the named forms with a fixed index, and the
// channel gain and offset forms.
#include "KelvraSdk.h"
#include "api/ExportFrame.h"

using kelvra::CallFront;
using kelvra::CKelvra;

namespace {

int SetValue(int handle, int index, int value) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.SetFilterValue(index, value); });
}

int GetValue(int handle, int index, int* ok) {
    return CallFront(handle, 0, [&](CKelvra& front) { return front.GetFilterValue(index, ok); });
}

}  // namespace

extern "C" {

int Kelvra_SetFilterValue(int handle, int index, int value) {
    return SetValue(handle, index, value);
}

int Kelvra_GetFilterValue(int handle, int index, int* ok) {
    return GetValue(handle, index, ok);
}

int Kelvra_SetBrightness(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_BRIGHTNESS, value);
}

int Kelvra_GetBrightness(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_BRIGHTNESS, ok);
}

int Kelvra_SetContrast(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_CONTRAST, value);
}

int Kelvra_GetContrast(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_CONTRAST, ok);
}

int Kelvra_SetHue(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_HUE, value);
}

int Kelvra_GetHue(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_HUE, ok);
}

int Kelvra_SetSaturation(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_SATURATION, value);
}

int Kelvra_GetSaturation(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_SATURATION, ok);
}

int Kelvra_SetSharpness(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_SHARPNESS, value);
}

int Kelvra_GetSharpness(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_SHARPNESS, ok);
}

int Kelvra_SetBayerGainRGB(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_BAYER_GAIN_RGB, value);
}

int Kelvra_GetBayerGainRGB(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_BAYER_GAIN_RGB, ok);
}

int Kelvra_SetBayerGainRed(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_BAYER_GAIN_RED, value);
}

int Kelvra_GetBayerGainRed(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_BAYER_GAIN_RED, ok);
}

int Kelvra_SetBayerGainGreen(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_BAYER_GAIN_GREEN, value);
}

int Kelvra_GetBayerGainGreen(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_BAYER_GAIN_GREEN, ok);
}

int Kelvra_SetBayerGainBlue(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_BAYER_GAIN_BLUE, value);
}

int Kelvra_GetBayerGainBlue(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_BAYER_GAIN_BLUE, ok);
}

int Kelvra_SetBayerGainAuto(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_BAYER_GAIN_AUTO, value);
}

int Kelvra_GetBayerGainAuto(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_BAYER_GAIN_AUTO, ok);
}

int Kelvra_SetGamma(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_GAMMA, value);
}

int Kelvra_GetGamma(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_GAMMA, ok);
}

int Kelvra_SetBayerMode(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_BAYER_MODE, value);
}

int Kelvra_GetBayerMode(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_BAYER_MODE, ok);
}

int Kelvra_SetGlobalGain(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_GLOBAL_GAIN, value);
}

int Kelvra_GetGlobalGain(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_GLOBAL_GAIN, ok);
}

int Kelvra_SetColorGainRed(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_COLOR_GAIN_RED, value);
}

int Kelvra_GetColorGainRed(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_COLOR_GAIN_RED, ok);
}

int Kelvra_SetColorGainGreen1(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_COLOR_GAIN_GREEN1, value);
}

int Kelvra_GetColorGainGreen1(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_COLOR_GAIN_GREEN1, ok);
}

int Kelvra_SetColorGainGreen2(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_COLOR_GAIN_GREEN2, value);
}

int Kelvra_GetColorGainGreen2(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_COLOR_GAIN_GREEN2, ok);
}

int Kelvra_SetColorGainBlue(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_COLOR_GAIN_BLUE, value);
}

int Kelvra_GetColorGainBlue(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_COLOR_GAIN_BLUE, ok);
}

int Kelvra_SetExposureTime(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_EXPOSURE, value);
}

int Kelvra_GetExposureTime(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_EXPOSURE, ok);
}

int Kelvra_SetGrayMode(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_GRAY_MODE, value);
}

int Kelvra_GetGrayMode(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_GRAY_MODE, ok);
}

int Kelvra_SetGrayGainR(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_GRAY_GAIN_R, value);
}

int Kelvra_GetGrayGainR(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_GRAY_GAIN_R, ok);
}

int Kelvra_SetGrayGainG1(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_GRAY_GAIN_G1, value);
}

int Kelvra_GetGrayGainG1(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_GRAY_GAIN_G1, ok);
}

int Kelvra_SetGrayGainG2(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_GRAY_GAIN_G2, value);
}

int Kelvra_GetGrayGainG2(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_GRAY_GAIN_G2, ok);
}

int Kelvra_SetGrayGainB(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_GRAY_GAIN_B, value);
}

int Kelvra_GetGrayGainB(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_GRAY_GAIN_B, ok);
}

int Kelvra_SetGrayOffsetR(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_GRAY_OFFSET_R, value);
}

int Kelvra_GetGrayOffsetR(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_GRAY_OFFSET_R, ok);
}

int Kelvra_SetGrayOffsetG1(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_GRAY_OFFSET_G1, value);
}

int Kelvra_GetGrayOffsetG1(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_GRAY_OFFSET_G1, ok);
}

int Kelvra_SetGrayOffsetG2(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_GRAY_OFFSET_G2, value);
}

int Kelvra_GetGrayOffsetG2(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_GRAY_OFFSET_G2, ok);
}

int Kelvra_SetGrayOffsetB(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_GRAY_OFFSET_B, value);
}

int Kelvra_GetGrayOffsetB(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_GRAY_OFFSET_B, ok);
}

int Kelvra_SetPeltier(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_COOLER, value);
}

int Kelvra_GetPeltier(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_COOLER, ok);
}

int Kelvra_SetDotFilter(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_DOT_FILTER, value);
}

int Kelvra_GetDotFilter(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_DOT_FILTER, ok);
}

int Kelvra_SetMaskFilter(int handle, int value) {
    return SetValue(handle, KELVRA_FILTER_MASK_FILTER, value);
}

int Kelvra_GetMaskFilter(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_MASK_FILTER, ok);
}

int Kelvra_GetTemperature(int handle, int* ok) {
    return GetValue(handle, KELVRA_FILTER_TEMPERATURE, ok);
}

int Kelvra_SetChannelGain(int handle, int channel, int value) {
    return CallFront(handle, 0,
                     [&](CKelvra& front) { return front.SetChannelValue(false, channel, value); });
}

int Kelvra_GetChannelGain(int handle, int channel, int* ok) {
    return CallFront(handle, 0,
                     [&](CKelvra& front) { return front.GetChannelValue(false, channel, ok); });
}

int Kelvra_SetChannelOffset(int handle, int channel, int value) {
    return CallFront(handle, 0,
                     [&](CKelvra& front) { return front.SetChannelValue(true, channel, value); });
}

int Kelvra_GetChannelOffset(int handle, int channel, int* ok) {
    return CallFront(handle, 0,
                     [&](CKelvra& front) { return front.GetChannelValue(true, channel, ok); });
}

}  // extern "C"
