// The face drawing stage of the dialogue tests and benchmarks.
#include "testdata/FaceStage.h"

#include <cstring>

#include "app/Cpu.h"
#include "graphics2d/Draw.h"

FaceStage::FaceStage() : pipeline(2048, 2048, 16)
{
    pipeline.rasterizer = &rasterizer;
    pipeline.configurer = &configurer;
    // The portable rows, whatever the processor.
    rasterizer.SetProcessor(CPU_GENERIC);
}

FaceStage::~FaceStage()
{
    rasterizer.SetTarget(nullptr);
    rasterizer.ZBuffer(nullptr);
}

bool FaceStage::Open()
{
    CPixelFormat zformat;
    rasterizer.GetZBufferFormat(zformat);
    return target.Create(640, 480, PixelFormatOf(PFID_R5G6B5)) && zbuffer.Create(640, 480, zformat);
}

void FaceStage::Frame(uint32_t background, const std::function<void(CTPolygonPipeline&)>& draw)
{
    ClearSurface(target, PackColor(target.format, background));
    ClearSurface(zbuffer, 0);
    rasterizer.SetTarget(&target);
    rasterizer.SetViewport(ClipRect{0, 479, 639, 0});
    rasterizer.ZBuffer(&zbuffer);
    configurer.BeginScene();
    rasterizer.BeginScene();
    pipeline.BeginScene();
    draw(pipeline);
    pipeline.EndScene();
    rasterizer.EndScene();
    configurer.EndScene();
}

uint64_t FaceStage::Checksum() const
{
    uint64_t h = 1469598103934665603ull;
    for (int y = 0; y < target.height; ++y) {
        const uint8_t* row = target.Row(y);
        for (int i = 0; i < target.width * 2; ++i) h = (h ^ row[i]) * 1099511628211ull;
    }
    return h;
}

uint32_t FaceStage::Pixel(int x, int y) const
{
    uint16_t v;
    std::memcpy(&v, target.Row(y) + 2 * x, 2);
    return UnpackColor(target.format, v);
}
