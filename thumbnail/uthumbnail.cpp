#include "uthumbnail.h"

#include "exclusivefile.h"
#include "fdstream.h"
#include "geometry.h"
#include "jpegcodec.h"

#include <algorithm>
#include <istream>
#include <ostream>
#include <vector>

namespace {

// One canvas pixel from one decoded source pixel.
inline void putPixel(std::uint8_t *out, const std::uint8_t *in, PixelLayout layout) {
    switch (layout) {
    case PixelLayout::Rgb:
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        break;
    case PixelLayout::Grey:
        out[0] = out[1] = out[2] = in[0];
        break;
    case PixelLayout::AdobeCmyk: // stored inverted: the sample is the share of light
        for (int c = 0; c < 3; ++c)
            out[c] = std::uint8_t((in[c] * in[3] + 127) / 255);
        break;
    case PixelLayout::Cmyk:
        for (int c = 0; c < 3; ++c)
            out[c] = std::uint8_t(((255 - in[c]) * (255 - in[3]) + 127) / 255);
        break;
    }
}

// The part of the picture rectangle that lies on the canvas, as a half-open range of
// canvas coordinates on one axis.
struct Span {
    int first;
    int end;
};

Span visible(int offset, int length, int canvasLength) {
    return {std::clamp(offset, 0, canvasLength),
            int(std::clamp<long long>(static_cast<long long>(offset) + length, 0, canvasLength))};
}

bool render(JpegDecoder &decoder, const ThumbnailGeometry &g, TColor fill, JpegEncoder *encoder) {
    const int srcW = decoder.width();
    const int srcH = decoder.height();
    const int bytesPerPixel = decoder.components();
    const PixelLayout layout = decoder.layout();
    const Span cols = visible(g.x, g.width, g.canvasWidth);
    const Span rows = visible(g.y, g.height, g.canvasHeight);

    // Byte offset in a decoded row of the source pixel behind each visible canvas column.
    std::vector<std::uint32_t> columnOffset(std::size_t(std::max(0, cols.end - cols.first)));
    for (int cx = cols.first; cx < cols.end; ++cx)
        columnOffset[std::size_t(cx - cols.first)] =
            SampleIndex(cx - g.x, srcW, g.width) * std::uint32_t(bytesPerPixel);

    const TColor rgb = ResolveColor(fill);
    std::vector<std::uint8_t> fillRow(std::size_t(g.canvasWidth) * 3);
    for (std::size_t i = 0; i < fillRow.size(); i += 3) {
        fillRow[i] = std::uint8_t(redOf(rgb));
        fillRow[i + 1] = std::uint8_t(greenOf(rgb));
        fillRow[i + 2] = std::uint8_t(blueOf(rgb));
    }
    std::vector<std::uint8_t> line = fillRow;

    for (int cy = 0; cy < g.canvasHeight; ++cy) {
        const std::uint8_t *out = fillRow.data();
        if (cy >= rows.first && cy < rows.end && !columnOffset.empty()) {
            const std::uint8_t *src = decoder.row(int(SampleIndex(cy - g.y, srcH, g.height)));
            if (!src)
                return false;
            std::uint8_t *dst = line.data() + std::size_t(cols.first) * 3;
            for (std::uint32_t offset : columnOffset) {
                putPixel(dst, src + offset, layout);
                dst += 3;
            }
            out = line.data();
        }
        if (encoder && !encoder->writeRow(out))
            return false;
    }
    return true;
}

} // namespace

bool CreateThumbnailStream(std::istream &Source, std::ostream &Target, int Width, int Height,
                           bool KeepAspect, TColor FillColor, bool Transparent, bool EraseEmpty) {
    // JPEG has no transparency: the flag cannot reach the written bytes.
    (void)Transparent;
    if (Width < 1 || Height < 1)
        return false;
    try {
        JpegDecoder decoder(Source);
        if (!decoder.readHeader())
            return false;
        const ThumbnailGeometry g = ComputeGeometry(decoder.width(), decoder.height(), Width,
                                                    Height, ModeOf(KeepAspect, EraseEmpty));
        if (!decoder.start())
            return false;

        // Rows go from the decoder through the sampler straight into the encoder; neither the
        // decoded picture nor the canvas is ever held whole.
        const bool empty = g.canvasWidth == 0 || g.canvasHeight == 0;
        JpegEncoder encoder;
        if (!empty && !encoder.start(g.canvasWidth, g.canvasHeight, decoder.progressive()))
            return false;
        if (!render(decoder, g, FillColor, empty ? nullptr : &encoder) || !decoder.finish())
            return false;
        if (empty)
            return true;
        if (!encoder.finish())
            return false;
        Target.write(reinterpret_cast<const char *>(encoder.data()),
                     std::streamsize(encoder.size()));
        Target.flush();
        return bool(Target);
    } catch (...) {
        return false;
    }
}

bool CreateThumbnail(const std::string &SourceFileName, const std::string &TargetFileName,
                     int Width, int Height, bool KeepAspect, TColor FillColor, bool Transparent,
                     bool EraseEmpty) {
    try {
        ExclusiveFile source;
        if (!source.openForReading(SourceFileName))
            return false;
        ExclusiveFile target;
        if (!target.createForWriting(TargetFileName, &source))
            return false;
        FdStreamBuf in(source.fd());
        FdStreamBuf out(target.fd(), 0);
        std::istream sourceStream(&in);
        std::ostream targetStream(&out);
        const bool ok = CreateThumbnailStream(sourceStream, targetStream, Width, Height, KeepAspect,
                                              FillColor, Transparent, EraseEmpty);
        target.close();
        source.close();
        return ok;
    } catch (...) {
        return false;
    }
}
