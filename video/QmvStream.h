// The dialogue video stream: a ".qmv" cinematic stepped frame by frame and composited through its alpha mask.
#pragma once
#include <cstdint>
#include <string>

class CSurface;

class QmvStream {
public:
    QmvStream() = default;
    ~QmvStream();
    QmvStream(const QmvStream&) = delete;
    QmvStream& operator=(const QmvStream&) = delete;

    // Opens the video at a full path and decodes its first two frames; failures are warnings and leave the
    // stream closed. Takes over the video player while open.
    void Open(const std::string& name);
    void Close();
    // The next frame, the first one again after the last.
    void Advance();
    // Draws the current frame into a locked 16-bit destination of any size: through the alpha mask when the
    // block has one, else copied whole.
    void Update(CSurface* destination);

    const std::string& GetName() const { return name_; }
    int32_t GetFrame() const { return frame_ < 0 ? 0 : frame_; }
    bool IsOpen() const { return open_ != 0; }

    // Composites a source picture (width x height, no row gap) onto the destination through alpha runs
    // {count - 1, level 0..31}; pixels outside the destination's width and height are left out.
    static void AlphaCopy(const uint16_t* source, uint16_t* destination, const uint8_t* alpha, uint32_t alphaSize,
                          int width, int height, int destinationWidth, int destinationHeight,
                          int destinationPitch);
    // Blend tables of the weight (31 - level) / 32 on the scene: the high-byte and low-byte entries.
    static void BuildBlendTables(bool is555);
    static uint32_t BlendHigh(int level, int byte);
    static uint32_t BlendLow(int level, int byte);

private:
    std::string name_;
    uint8_t open_ = 0;
    uint8_t second_ = 0;
    int32_t frame_ = 0;
    uint8_t is555_ = 0;
};
