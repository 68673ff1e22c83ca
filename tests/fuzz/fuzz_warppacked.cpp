// Packed panorama views: the six faces of a view in one ".qmv" file, decoded through the codec plug-in.
#include "panorama/WarpCube.h"
#include "panorama/WarpPacked.h"
#include "testdata/Vq6Writer.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

CSystemMemorySurface g_faces[WARP_NB_FACES];

void Setup() {
    Fuzz_Dir();
    for (CSystemMemorySurface& f : g_faces) {
        Fuzz_Check(f.Create(WARP_FACE_SIZE, WARP_FACE_SIZE, PixelFormatOf(PFID_R5G6B5)), "no face");
        f.Lock();
    }
}

bool Run(const uint8_t* data, size_t size) {
    Fuzz_WriteFile("datas_q2/warp/FZ001.qmv", data, size);
    return WarpPacked_Load(Fuzz_Path("datas_q2/warp/FZ001.qmv").c_str(), g_faces, WARP_NB_FACES);
}

std::vector<FuzzBytes> Seeds() {
    std::vector<std::vector<uint32_t>> faces;
    for (int f = 0; f < WARP_NB_FACES; f++) {
        std::vector<uint32_t> face(size_t(WARP_FACE_SIZE) * WARP_FACE_SIZE);
        for (size_t i = 0; i < face.size(); i++)
            face[i] = 0xFF000000u | uint32_t(f * 40) << 16 | uint32_t(i / WARP_FACE_SIZE / 64 * 30) << 8 | uint32_t(i % 7 * 30);
        faces.push_back(std::move(face));
    }
    return {Vq6Writer_PackedView(faces, WARP_FACE_SIZE)};
}

}  // namespace

QM_FUZZ_TARGET(warppacked, Setup, Run, Seeds);
