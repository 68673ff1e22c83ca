// IMA ADPCM encoder of KSN sound files, writer of ".spp" music marks, and test signals.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Encodes interleaved 16-bit PCM (channels 1 or 2) into a whole KSN file image. Each channel starts
// from its first sample as predictor and step index 0. For every frame in markFrames (stereo only,
// in range) a 56-byte mark record is appended to *spp: the data offset of that frame and the
// decoder's state there.
std::vector<uint8_t> KsnWriter_Encode(const std::vector<int16_t>& pcm, int channels, uint32_t rate,
                                      const std::vector<uint32_t>& markFrames = {},
                                      std::vector<uint8_t>* spp = nullptr);

// Writes the KSN file, and for a non-empty mark list the ".spp" file beside it (same name, extension
// replaced); false when a file cannot be written.
bool KsnWriter_Save(const std::string& ksnPath, const std::vector<int16_t>& pcm, int channels, uint32_t rate,
                    const std::vector<uint32_t>& markFrames = {});

// A deterministic test signal: a few drifting tones and some noise, different in each channel.
std::vector<int16_t> KsnWriter_TestSignal(uint32_t frames, int channels, uint32_t seed);

// The demo installation's sounds: music "muzik01.ksn" with marks in <dir>/music/ and the effects of
// the CD in <dir>/datas_q2/ksn/ ("vent.ksn", "oiseau.ksn", "gouttes.ksn").
bool DemoAudio_Write(const std::string& dir, std::string* error = nullptr);
