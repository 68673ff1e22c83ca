// The demo installation's intro video and its soundtrack.
#include "testdata/DemoVideo.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "testdata/DemoWorld.h"
#include "testdata/KsnWriter.h"
#include "testdata/QmvWriter.h"
#include "testdata/TempDir.h"
#include "app/FloatToInt.h"

namespace {

constexpr int W = 640;
constexpr int H = 480;
constexpr uint32_t kRate = 22050;

// A dusk sky, a horizon line that grows from the centre, and a sun that rises and crosses the frame.
std::vector<uint32_t> introPicture(int n) {
    std::vector<uint32_t> p(size_t(W) * H);
    const int sunX = 80 + n * 11, sunY = 330 - n * 4, radius = 36;
    const int halfLine = 20 + n * 7;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            uint32_t r = 20 + uint32_t(y) * 120 / H, g = 10 + uint32_t(y) * 40 / H, b = 90 - uint32_t(y) * 60 / H;
            if (y >= 360) r = 16, g = 24, b = 40;  // ground
            const int dx = x - sunX, dy = y - sunY;
            if (dx * dx + dy * dy <= radius * radius && y < 360) r = 250, g = 200, b = 60;
            if (y >= 358 && y < 362 && std::abs(x - W / 2) < halfLine) r = 255, g = 230, b = 160;
            p[size_t(y) * W + size_t(x)] = 0xFF000000u | r << 16 | g << 8 | b;
        }
    return p;
}

// A swelling open fifth with a slow beat, fading in and out.
std::vector<int16_t> introSound() {
    const uint32_t frames = uint32_t(DEMO_INTRO_FRAMES) * kRate / 15;
    std::vector<int16_t> pcm(frames);
    for (uint32_t f = 0; f < frames; ++f) {
        const double t = f / double(kRate), total = frames / double(kRate);
        const double env = std::sin(M_PI * t / total) * (0.8 + 0.2 * std::sin(2 * M_PI * 1.5 * t));
        const double s = std::sin(2 * M_PI * 220.0 * t) + 0.6 * std::sin(2 * M_PI * 330.0 * t) +
                         0.3 * std::sin(2 * M_PI * 440.5 * t);
        pcm[f] = int16_t(std::max(-32768, std::min(32767, Orv_RoundSat(9000.0 * env * s))));
    }
    return pcm;
}

// A step between two views: six frames of dusk through which a pale doorway grows, as if walked towards.
std::vector<std::vector<uint32_t>> stepPictures() {
    std::vector<std::vector<uint32_t>> frames;
    for (int n = 0; n < 6; ++n) {
        std::vector<uint32_t> p(size_t(W) * H);
        const int halfW = 40 + n * 40, halfH = 60 + n * 50;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const bool door = std::abs(x - W / 2) < halfW && std::abs(y - H / 2) < halfH;
                const uint32_t shade = uint32_t(30 + n * 12);
                p[size_t(y) * W + size_t(x)] = door ? 0xFF000000u | (shade + 80) << 16 | (shade + 70) << 8 | (shade + 40)
                                                    : 0xFF000000u | shade << 16 | shade << 8 | (shade + 20);
            }
        frames.push_back(std::move(p));
    }
    return frames;
}

}  // namespace

bool DemoVideo_Write(const std::string& dir, std::string* error) {
    std::string root = dir;
    if (!root.empty() && root.back() != '/') root += '/';
    std::vector<std::vector<uint32_t>> pictures;
    for (int n = 0; n < DEMO_INTRO_FRAMES; ++n) pictures.push_back(introPicture(n));
    const std::vector<uint8_t> video = QmvWriter_Video(pictures, 75);
    const std::string videoPath = root + "datas_q2/qmv/" + DEMO_INTRO_VIDEO;
    if (!WriteFileBytes(videoPath, video.data(), video.size())) {
        if (error) *error = videoPath + ": cannot be written";
        return false;
    }
    // The transition videos the worlds name for their moves, under the names they give.
    const std::vector<uint8_t> step = QmvWriter_Video(stepPictures(), 75);
    for (const WamFileDesc& world : {DemoWorld_Ir(), DemoWorld_Yu()})
        for (const WamLieuDesc& lieu : world.lieux)
            for (const WamVueDesc& v : lieu.vues)
                for (const WamDestDesc& d : v.dests) {
                    const std::string path = root + "datas_q2/qmv/" + d.video;
                    if (!d.video.empty() && !WriteFileBytes(path, step.data(), step.size())) {
                        if (error) *error = path + ": cannot be written";
                        return false;
                    }
                }
    const std::string soundPath = root + "datas_q2/ksn/" + DEMO_INTRO_SOUND;
    if (!KsnWriter_Save(soundPath, introSound(), 1, kRate)) {
        if (error) *error = soundPath + ": cannot be written";
        return false;
    }
    return true;
}
