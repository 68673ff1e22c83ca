// Float-to-integer conversions of the audio code, with defined results for every input.
#pragma once
#include <cmath>
#include <cstdint>

#include "app/FloatToInt.h"


// Nearest 16-bit sample (halves away from zero), saturated; NaN gives 0.
inline int16_t Snd_FloatToSample(float x) {
    if (!(x == x)) return 0;
    if (x >= 32767.0f) return 32767;
    if (x <= -32768.0f) return -32768;
    return static_cast<int16_t>(x >= 0.0f ? x + 0.5f : x - 0.5f);
}

// Linear gain of an attenuation in hundredths of a decibel; -10000 and below are silence.
inline float Snd_AttenuationToGain(int32_t hundredthsDb) {
    if (hundredthsDb <= -10000) return 0.0f;
    if (hundredthsDb >= 0) return 1.0f;
    return static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0));
}
