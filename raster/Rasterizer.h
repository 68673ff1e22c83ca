// CTRasterizer: publishes destination, viewport, z-buffer, texture and colours, and selects table rows.
#pragma once
#include <cstdint>
#include "graphics2d/PixelFormat.h"
#include "graphics2d/Surface.h"
#include "raster/RenderMode.h"
#include "raster/RoutineTable.h"

class CTRasterizer {
public:
    // Builds rastFirstRow, takes the variant of the detected processor and selects the wireframe row.
    CTRasterizer();

    // Processor kind 0..23 to routine variant; sets the default z kind. Other values change nothing.
    void SetProcessor(int kind);
    // Destination: packs colour and alpha into its format, sets the key's format bits and the
    // 16-bit channel masks. Null changes nothing else.
    void SetTarget(CSurface* surface);
    void SetViewport(const ClipRect& rect);
    void ZBuffer(CSurface* surface);
    // The spans address the texture as a block of 2^wb x 2^hb texels (its sides rounded up to powers
    // of two) in rows of 2^wb: a surface whose memory does not hold that whole block is refused with
    // a warning and counts as none, as does a surface without pixels.
    void SetTexture(CSurface* surface);
    void SetTexturePalette(CSurface* surface);
    void SetColor(uint32_t argb);
    // The low byte is the colour key of the 8-bit rows and the stored alpha word of the 16-bit rows.
    void SetAlpha(uint32_t value);
    // The variable-transparency alpha (0..1, clamped; NaN gives 0) of all three channels, published
    // as the weight of the blend selected, now and at every selection: round(16 x alpha) for the
    // AddVar and SubVar blends (16 = the texel at full weight), round(32 x alpha) for the others
    // (the VarGouraudmono blends: 32 = the lit texel alone).
    void SetVarAlpha(float alpha);

    // Publishes the row of the mode for the key: the variant's group, else the portable group, else
    // the wireframe row. A resource the mode needs that is missing or too small gives the wireframe row.
    void SelectRoutine(RenderMode mode, uint32_t key);
    void SetRenderMode(RenderMode mode) { SelectRoutine(mode, key_); }
    // Whether SetRenderMode(mode) would select a row other than the wireframe row, with the
    // resources set now.
    bool HasRowFor(RenderMode mode) const;

    // Publishes the row strides and pixel addresses and the viewport limited to what they hold.
    void BeginScene();
    void EndScene() { inScene_ = false; }

    // The z-buffer pixel format of the default z kind; an unknown kind leaves the record as it was.
    CPixelFormat& GetZBufferFormat(CPixelFormat& out) const;

    // Draws the rasteriser vertices with the current row, through its linear twin when the
    // triangle is at most 32 pixels wide from its first vertex.
    void DrawTriangle();

    const RasterizerRow* CurrentRow() const { return row_; }
    uint32_t Key() const { return key_; }
    uint32_t EnabledMask() const { return enabled_; }
    uint32_t DefaultZKind() const { return defaultZKind_; }
    bool InScene() const { return inScene_; }
    const ClipRect& Viewport() const { return viewport_; }
    uint32_t Color() const { return color_; }
    uint32_t Alpha() const { return alpha_; }

    // Set by the deferred-face pass to the low six bits of each face's first word.
    uint32_t faceCode = 0;

private:
    // Which of the mode's resources are set and large enough for what its rows read.
    uint32_t UsableResources(RenderMode m) const;
    bool CacheHit(RenderMode mode, uint32_t key, uint32_t resources) const;
    const RasterizerRow* Lookup(RenderMode mode, uint32_t key, RenderMode& completed, uint32_t& usedKey) const;
    void PublishViewport();
    void PublishVarWeight() const;

    const RasterizerRow* row_ = nullptr;
    bool inScene_ = false;
    CSurface* zbuffer_ = nullptr;
    CSurface* texture_ = nullptr;
    CSurface* palette_ = nullptr;
    // The last surface refused, warned about once.
    const CSurface* refused_ = nullptr;
    ClipRect viewport_{0, 0, 0, 0};
    uint32_t enabled_ = 0;
    uint32_t key_ = 0;
    uint32_t defaultZKind_ = RM_DEFAULT_ZKIND;
    uint32_t color_ = 0;
    uint32_t alpha_ = 0;
    float varAlpha_ = 0.0f;
    // Sizes of the destination and z-buffer published by BeginScene: the viewport never exceeds them.
    int32_t sceneLimitW_ = 0;
    int32_t sceneLimitH_ = 0;

    // The last request and what it published; valid only while the shared cells still hold it.
    struct Cache {
        bool valid = false;
        RenderMode mode = 0;
        uint32_t key = 0;
        uint32_t resources = 0;
        uint32_t defaultZKind = 0;
        RenderMode publishedMode = 0;
        uint32_t publishedKey = 0;
    } cache_;
};

extern CTRasterizer rasterizerTR;
