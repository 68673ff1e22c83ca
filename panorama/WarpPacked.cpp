// Packed panorama views: the six faces of a view in one ".qmv" file, decoded through the codec plug-in.
#include "panorama/WarpPacked.h"

#include <cstring>
#include <vector>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "graphics2d/PixelFormat.h"
#include "graphics2d/Surface.h"
#include "panorama/WarpCube.h"
#include "video/QmvFormat.h"
#include "video/QmvPlugin.h"
#include "video/Vq6Format.h"

namespace {
// Six faces of the largest block the container allows, and the header.
constexpr int32_t kMaxFileBytes = int32_t(QMV_HEADER_SIZE + WARP_NB_FACES * BUFCOMPSIZE);

bool refuse(const char* path, const char* why) {
    OrvError_Warning("WarpPacked_Load() %s : %s", path, why);
    return false;
}
}  // namespace

std::string WarpPacked_FileName(const char* viewName) { return std::string(viewName ? viewName : "") + ".qmv"; }

bool WarpPacked_Load(const char* path, CSystemMemorySurface* faces, int count) {
    const int32_t size = OrvFile_GetSizeByName(path);
    if (size < int32_t(QMV_HEADER_SIZE) || size > kMaxFileBytes) return refuse(path, "taille incorrecte");
    std::vector<uint8_t> file(static_cast<size_t>(size));
    if (!OrvFile_Load(path, file.data(), size)) return refuse(path, "lecture impossible");
    const uint8_t* header = file.data();
    const int side = QmvRead16(header + QMV_HDR_WIDTH);
    if (std::memcmp(header, QMV_MAGIC, 4) != 0 || side != WARP_FACE_SIZE || QmvRead16(header + QMV_HDR_HEIGHT) != side)
        return refuse(path, "en-tête incorrect");
    for (int f = 0; f < count; f++)
        if (faces[f].width != side || faces[f].height != side || faces[f].pitch != side ||
            faces[f].format.bitsPerPixel != 16 || !faces[f].pixels)
            return refuse(path, "surfaces de faces incorrectes");

    // The codec writes the screen's 16-bit pixels: 5-6-5 or 5-5-5.
    const int depth = PixelFormat_Is565(faces[0].format) ? 16 : 15;
    if (QmvPlugin_IsLoaded() && QmvPlugin_GetDepth() != depth) QmvPlugin_Unload();
    const int rc = QmvPlugin_Load(header, depth, 1);
    if (rc != QMVPLUGIN_OK && rc != QMVPLUGIN_ERR_LOADED) {
        OrvError_Warning("WarpPacked_Load() %s : codec indisponible (%d)", path, rc);
        return false;
    }

    uint32_t pos = QMV_HEADER_SIZE;
    for (int f = 0; f < count; f++) {
        if (file.size() - pos < QMV_BLOCK_HEAD_SIZE) return refuse(path, "bloc manquant");
        const uint32_t length = QmvRead32(&file[pos]) & QMV_BLOCK_LENGTH_MASK;
        QmvBlockChunks chunks;
        if (length > file.size() - pos || !QmvBlock_ScanChunks(&file[pos], length, &chunks) || !chunks.video.data)
            return refuse(path, "bloc incorrect");
        // The decoder is given no length: the chunk must hold one whole frame of the face size.
        if (!Vq6_FrameFits(chunks.video.data, chunks.video.size, side, side) || !QmvPlugin_DecodeFrame ||
            QmvPlugin_DecodeFrame(chunks.video.data, faces[f].pixels, faces[f].pixels) != 0)
            return refuse(path, "face illisible");
        pos += length;
    }
    return true;
}

void WarpPacked_Close() {
    if (QmvPlugin_IsLoaded()) QmvPlugin_Unload();
}
