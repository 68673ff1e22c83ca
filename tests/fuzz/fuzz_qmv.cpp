// ".qmv" videos: the player and the dialogue's video stream read every block and decode every picture.
#include "graphics2d/Surface.h"
#include "testdata/QmvWriter.h"
#include "tests/fuzz/FuzzTarget.h"
#include "video/Orv_Qmv.h"
#include "video/QmvStream.h"

namespace {

void Setup() {
    Fuzz_UseDisplay();
    Fuzz_UseSprites();
}

bool Run(const uint8_t* data, size_t size) {
    Fuzz_WriteFile("datas_q2/qmv/fuzz.qmv", data, size);
    const std::string path = Fuzz_Path("datas_q2/qmv/fuzz.qmv");
    const bool opened = OrvQmv_open(path.c_str());
    bool whole = opened;
    if (opened) {
        OrvQmv_frame();
        // Each step reads at least a block head: a file holds at most size / 4 blocks.
        for (size_t k = 0; !OrvQmv_IsEnded(); k++) {
            Fuzz_Check(k <= size / 4, "the player reads past the blocks of the file");
            const int32_t before = OrvQmv_GetFrameCount();
            OrvQmv_next();
            whole = whole && (OrvQmv_GetFrameCount() != before || OrvQmv_IsEnded());
        }
        OrvQmv_rewind();
        OrvQmv_next();
        OrvQmv_stop();
    }

    QmvStream stream;
    stream.Open(path);
    if (stream.IsOpen()) {
        CSystemMemorySurface scene;
        Fuzz_Check(scene.Create(300, 200, PixelFormatOf(PFID_R5G6B5)), "no scene");
        scene.Lock();
        for (int k = 0; k < 6; k++) {
            stream.Update(&scene);
            stream.Advance();
        }
        scene.Unlock();
        stream.Close();
    }
    return opened;
}

// Pictures of a gradient and a square that moves, as a video of n frames; with masks, a disc.
std::vector<std::vector<uint32_t>> Pictures(int n) {
    std::vector<std::vector<uint32_t>> out;
    for (int k = 0; k < n; k++) {
        std::vector<uint32_t> p(640 * 480);
        for (int y = 0; y < 480; y++)
            for (int x = 0; x < 640; x++) {
                const bool square = x >= 100 + 8 * k && x < 164 + 8 * k && y >= 96 && y < 160;
                p[size_t(y) * 640 + size_t(x)] = square ? 0xFFE0C020u : 0xFF000040u | uint32_t(y / 60 * 30) << 8;
            }
        out.push_back(std::move(p));
    }
    return out;
}

std::vector<FuzzBytes> Seeds() {
    std::vector<std::vector<uint8_t>> masks;
    for (int k = 0; k < 2; k++) {
        std::vector<uint8_t> m(640 * 480);
        for (int y = 0; y < 480; y++)
            for (int x = 0; x < 640; x++) m[size_t(y) * 640 + size_t(x)] = (x - 320) * (x - 320) + (y - 240) * (y - 240) < 90000 ? 31 : k * 9;
        masks.push_back(std::move(m));
    }
    return {QmvWriter_Video(Pictures(3), 40), QmvWriter_Video(Pictures(2), 80, masks)};
}

}  // namespace

QM_FUZZ_TARGET(qmv, Setup, Run, Seeds);
