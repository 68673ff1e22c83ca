// A 640 x 480 stage for drawing 3D faces: portable rasteriser, polygon pipeline and a 32-bit z-buffer.
#pragma once
#include <cstdint>
#include <functional>

#include "engine3d/Material.h"
#include "engine3d/PolygonPipeline.h"
#include "graphics2d/Surface.h"
#include "raster/Rasterizer.h"

class FaceStage {
public:
    FaceStage();
    // The rasteriser's state is shared: it must not keep pointing at this stage's surfaces.
    ~FaceStage();
    FaceStage(const FaceStage&) = delete;
    FaceStage& operator=(const FaceStage&) = delete;
    // A 5-6-5 target (the texture format without a display) and the z-buffer of the rasteriser's
    // default z kind.
    bool Open();
    // One frame: the target cleared to the background, the z-buffer to 0, then draw(pipeline) inside
    // the scene, deferred faces drawn at its end.
    void Frame(uint32_t background, const std::function<void(CTPolygonPipeline&)>& draw);
    // FNV-1a of the target's pixels.
    uint64_t Checksum() const;
    // The target's pixel as 0xAARRGGBB.
    uint32_t Pixel(int x, int y) const;

    CTRasterizer rasterizer;
    CTConfigurer configurer;
    CTPolygonPipeline pipeline;
    CSystemMemorySurface target;
    CSystemMemorySurface zbuffer;
};
