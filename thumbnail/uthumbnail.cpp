#include "uthumbnail.h"

#include "completefile.h"
#include "exclusivefile.h"
#include "fdstream.h"
#include "geometry.h"
#include "jpegcodec.h"
#include "memorybudget.h"

#include <algorithm>
#include <exception>
#include <istream>
#include <new>
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

bool render(JpegDecoder &decoder, const ThumbnailGeometry &g, TColor fill, JpegEncoder &encoder) {
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
        if (!encoder.writeRow(out))
            return false;
    }
    return true;
}

ThumbnailStatus decodeFailure(const JpegDecoder &decoder, std::uint64_t need) {
    if (decoder.tooLarge())
        return {ThumbnailError::TooLarge, 0, decoder.message(), need};
    return {ThumbnailError::NotDecodable, 0, decoder.message()};
}

// Decodes, samples and encodes; the thumbnail is complete in `encoder` when this succeeds.
ThumbnailStatus renderThumbnail(std::istream &source, int width, int height, bool keepAspect,
                                TColor fill, bool eraseEmpty, DecoderMemoryBudget *budget,
                                JpegEncoder &encoder) {
    if (width < 1 || height < 1)
        return {ThumbnailError::InvalidBox};
    JpegDecoder decoder(source);
    if (!decoder.readHeader())
        return decodeFailure(decoder, 0);
    const ThumbnailGeometry g = ComputeGeometry(decoder.width(), decoder.height(), width, height,
                                                ModeOf(keepAspect, eraseEmpty));
    // A canvas without pixels is no thumbnail: reported, not written as an empty file.
    if (g.canvasWidth == 0 || g.canvasHeight == 0)
        return {ThumbnailError::EmptyThumbnail};
    // The only size limit is memory: a picture is refused when what it needs is more than
    // the decoder may have, never for its pixel count.
    const std::uint64_t need = decoder.memoryNeed();
    const std::uint64_t limit = budget ? budget->limit() : kDefaultDecoderMemory;
    decoder.setMemoryLimit(limit);
    BudgetReservation reservation;
    if (need > limit || (budget && !reservation.take(*budget, need)))
        return {ThumbnailError::TooLarge, 0, {}, need};
    // Rows go from the decoder through the sampler straight into the encoder; neither the
    // decoded picture nor the canvas is ever held whole.
    if (!decoder.start())
        return decodeFailure(decoder, need);
    if (!encoder.start(g.canvasWidth, g.canvasHeight, decoder.progressive()))
        return {ThumbnailError::NotEncodable, 0, encoder.message()};
    if (!render(decoder, g, fill, encoder) || !decoder.finish()) {
        // A row the encoder refused leaves the decoder sound.
        if (!*decoder.message() && *encoder.message())
            return {ThumbnailError::NotEncodable, 0, encoder.message()};
        return decodeFailure(decoder, need);
    }
    if (!encoder.finish())
        return {ThumbnailError::NotEncodable, 0, encoder.message()};
    return {};
}

} // namespace

bool CreateThumbnailStream(std::istream &Source, std::ostream &Target, int Width, int Height,
                           bool KeepAspect, TColor FillColor, bool Transparent, bool EraseEmpty) {
    // JPEG has no transparency: the flag cannot reach the written bytes.
    (void)Transparent;
    try {
        JpegEncoder encoder;
        if (!renderThumbnail(Source, Width, Height, KeepAspect, FillColor, EraseEmpty, nullptr,
                             encoder))
            return false;
        Target.write(reinterpret_cast<const char *>(encoder.data()),
                     std::streamsize(encoder.size()));
        Target.flush();
        return bool(Target);
    } catch (...) {
        return false;
    }
}

ThumbnailStatus MakeThumbnailFile(const std::string &SourceFileName,
                                  const std::string &TargetFileName, int Width, int Height,
                                  bool KeepAspect, TColor FillColor, bool Transparent,
                                  bool EraseEmpty, const ThumbnailFileOptions &Options) {
    (void)Transparent;
    try {
        if (Width < 1 || Height < 1)
            return {ThumbnailError::InvalidBox};
        ExclusiveFile source;
        if (!source.openForReading(SourceFileName))
            return {ThumbnailError::Source, source.error()};
        std::vector<FileIdentity> keep(Options.keep.begin(), Options.keep.end());
        keep.push_back(source.identity());
        // Refused before the work, not only at the end: the target's name is checked the
        // same way once more just before the finished file takes it.
        if (int error = CheckCompleteFileTarget(TargetFileName, keep))
            return {ThumbnailError::Target, error};
        JpegEncoder encoder;
        {
            FdStreamBuf in(source.fd());
            std::istream sourceStream(&in);
            const ThumbnailStatus made =
                renderThumbnail(sourceStream, Width, Height, KeepAspect, FillColor, EraseEmpty,
                                Options.budget, encoder);
            if (!made)
                return made;
        }
        const std::string_view bytes(reinterpret_cast<const char *>(encoder.data()),
                                     encoder.size());
        if (int error = WriteCompleteFile(TargetFileName, bytes, keep))
            return {ThumbnailError::Target, error};
        return {};
    } catch (const std::bad_alloc &) {
        return {ThumbnailError::OutOfMemory};
    } catch (const std::exception &e) {
        return {ThumbnailError::Unexpected, 0, e.what()};
    } catch (...) {
        return {ThumbnailError::Unexpected, 0, "an exception of unknown type"};
    }
}

bool CreateThumbnail(const std::string &SourceFileName, const std::string &TargetFileName,
                     int Width, int Height, bool KeepAspect, TColor FillColor, bool Transparent,
                     bool EraseEmpty) {
    return bool(MakeThumbnailFile(SourceFileName, TargetFileName, Width, Height, KeepAspect,
                                  FillColor, Transparent, EraseEmpty));
}
