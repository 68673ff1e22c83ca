// The dialogue's voice stream: one whole KSN file decoded at once, played on a sound voice.
#pragma once
#include <cstdint>
#include <fstream>
#include <string>

class AdpcmStream {
public:
    AdpcmStream();
    ~AdpcmStream();
    AdpcmStream(const AdpcmStream&) = delete;
    AdpcmStream& operator=(const AdpcmStream&) = delete;

    // A missing file leaves the stream closed; a file that is not KSN is fatal.
    void Open(const char* name);
    void Close();
    bool IsOpen() const { return open_ != 0; }
    // Plays once on the voice; the voice gets its own copy of the samples.
    int Play(int voice, int attenuation, int pan);
    const int16_t* GetPcmBuffer() const { return pcm_; }
    int32_t GetPcmSize() const { return pcmSize_; }
    int32_t GetFrequency() const { return frequency_; }
    int32_t GetStereo() const { return stereo_; }

private:
    std::string name_;
    uint8_t* fileData_ = nullptr;
    int32_t fileSize_ = 0;
    int16_t* pcm_ = nullptr;
    int32_t pcmSize_ = 0;
    int32_t frequency_ = 0;
    int32_t stereo_ = 0;
    std::ifstream stream_;
    uint8_t open_ = 0;
};
