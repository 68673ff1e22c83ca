// The dialogue's voice stream: reading, decoding and playing one reply's KSN file.
#include "audio/AdpcmStream.h"

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "audio/Adpcm.h"
#include "audio/Orv_Sound.h"

namespace {
// Larger than any voice the game records; a bigger "KSN" file is not read whole.
constexpr std::streamoff kMaxFileSize = 64 << 20;
}  // namespace

AdpcmStream::AdpcmStream() {
    if (Adpcm_Init(ADPCM_LIB_VERSION) != ADPCM_OK)
        OrvError_Fatal("AdpcmStream::AdpcmStream() ERROR: Initialisation échouée.");
}

AdpcmStream::~AdpcmStream() { Close(); }

void AdpcmStream::Open(const char* name) {
    Close();
    name_ = name ? name : "";
    const std::string path = OrvFile_Resolve(name_.c_str());
    if (name_.empty() || !OrvFile_Exists(path.c_str())) return;
    stream_.open(path, std::ios::binary);
    if (!stream_.is_open()) return;
    open_ = 1;
    stream_.seekg(0, std::ios::end);
    const std::streamoff size = stream_.tellg();
    stream_.seekg(0, std::ios::beg);
    if (size > 0 && size <= kMaxFileSize) {
        fileSize_ = int32_t(size);
        fileData_ = new uint8_t[size_t(size)];
        if (!stream_.read(reinterpret_cast<char*>(fileData_), size)) fileSize_ = 0;
    }
    stream_.close();
    uint32_t pcmSize = 0, frequency = 0, stereo = 0;
    if (Adpcm_GetPcmSize(fileData_, size_t(fileSize_), &pcmSize, &frequency, &stereo) != ADPCM_OK) {
        OrvError_Fatal("void AdpcmStream::Open() ERROR: Erreur lors de GetPcmSize().");
        Close();
        return;
    }
    pcmSize_ = int32_t(pcmSize & ~1u);
    frequency_ = int32_t(frequency);
    stereo_ = int32_t(stereo);
    pcm_ = new int16_t[size_t(pcmSize_ / 2) + 1];
    Adpcm_Decode(fileData_, size_t(fileSize_), pcm_, size_t(pcmSize_));
}

void AdpcmStream::Close() {
    delete[] fileData_;
    delete[] pcm_;
    fileData_ = nullptr;
    pcm_ = nullptr;
    if (stream_.is_open()) stream_.close();
    name_.clear();
    fileSize_ = pcmSize_ = frequency_ = stereo_ = 0;
    open_ = 0;
}

int AdpcmStream::Play(int voice, int attenuation, int pan) {
    return OrvSound_play_set(pcm_, pcmSize_, voice, 0, frequency_, 16, stereo_ + 1, attenuation, pan, 0);
}
