#include "uthumbnail.h"

#include "completefile.h"
#include "drawpicture.h"
#include "fdstream.h"
#include "geometry.h"
#include "imagedecoder.h"
#include "jpegcodec.h"
#include "memorybudget.h"

#include <cerrno>
#include <exception>
#include <istream>
#include <new>
#include <ostream>
#include <vector>

namespace {

ThumbnailStatus decodeFailure(const JpegDecoder &decoder, std::uint64_t need) {
    if (decoder.tooLarge())
        return {ThumbnailError::TooLarge, 0, decoder.message(), need};
    return {ThumbnailError::NotDecodable, 0, decoder.message()};
}

ThumbnailStatus decodeFailure(const ImageDecoder &decoder, std::uint64_t need) {
    if (decoder.tooLarge())
        return {ThumbnailError::TooLarge, 0, decoder.message(), need};
    return {ThumbnailError::NotDecodable, 0, decoder.message()};
}

// The geometry of the picture as shown.
ThumbnailGeometry geometryOf(int width, int height, const ThumbnailRequest &request,
                             Orientation turn) {
    const bool swap = SwapsAxes(turn);
    return ComputeGeometry(swap ? height : width, swap ? width : height, request.width,
                           request.height, ModeOf(request.keepAspect, request.eraseEmpty));
}

// Takes what the decoding needs from the budget. The only size limit is memory: a picture is
// refused when what it needs is more than the decoder may have, never for its pixel count.
ThumbnailStatus reserve(std::uint64_t need, std::uint64_t limit, DecoderMemoryBudget *budget,
                        BudgetReservation &reservation) {
    if (need > limit || (budget && !reservation.take(*budget, need)))
        return {ThumbnailError::TooLarge, 0, {}, need};
    return {};
}

ThumbnailStatus startEncoder(JpegEncoder &encoder, const ThumbnailGeometry &g, bool progressive,
                             const ThumbnailExtras &extras,
                             const std::vector<std::uint8_t> &profile) {
    if (!encoder.start(g.canvasWidth, g.canvasHeight, progressive, extras.smooth) ||
        (extras.keepProfile && !profile.empty() && !encoder.writeProfile(profile)))
        return {ThumbnailError::NotEncodable, 0, encoder.message()};
    return {};
}

// The JPEG route: rows go from the decoder through the drawing straight into the encoder;
// the decoded picture is never held whole, nor the canvas.
ThumbnailStatus renderJpeg(std::istream &source, const ThumbnailRequest &request,
                           DecoderMemoryBudget *budget, JpegEncoder &encoder) {
    const ThumbnailExtras &extras = request.extras;
    JpegDecoder decoder(source);
    decoder.keepMetadata(extras.upright, extras.keepProfile);
    if (!decoder.readHeader())
        return decodeFailure(decoder, 0);
    DrawSettings settings{
        extras.smooth, extras.upright ? decoder.orientation() : Orientation::Normal, request.fill};
    const ThumbnailGeometry g =
        geometryOf(decoder.width(), decoder.height(), request, settings.turn);
    // A canvas without pixels is no thumbnail: reported, not written as an empty file.
    if (g.canvasWidth == 0 || g.canvasHeight == 0)
        return {ThumbnailError::EmptyThumbnail};
    // A turned picture is gathered at its drawn size besides.
    const std::uint64_t need = decoder.memoryNeed() + DrawingMemory(g, settings);
    const std::uint64_t limit = budget ? budget->limit() : kDefaultDecoderMemory;
    decoder.setMemoryLimit(limit);
    BudgetReservation reservation;
    if (ThumbnailStatus refused = reserve(need, limit, budget, reservation); !refused)
        return refused;
    const std::vector<std::uint8_t> profile =
        extras.keepProfile ? decoder.iccProfile() : std::vector<std::uint8_t>();
    if (ThumbnailStatus refused = startEncoder(encoder, g, decoder.progressive(), extras, profile);
        !refused)
        return refused;
    if (!DrawPicture(decoder, g, settings, encoder) || !decoder.finish()) {
        // A row the encoder refused leaves the decoder sound.
        if (!*decoder.message() && *encoder.message())
            return {ThumbnailError::NotEncodable, 0, encoder.message()};
        return decodeFailure(decoder, need);
    }
    return {};
}

// Every other format through its decoder: the same geometry, modes and budget.
ThumbnailStatus renderDecoded(PhotoFormat format, DecoderInput &source,
                              const ThumbnailRequest &request, DecoderMemoryBudget *budget,
                              JpegEncoder &encoder) {
    const ThumbnailExtras &extras = request.extras;
    const std::unique_ptr<ImageDecoder> decoder = MakeImageDecoder(format, source);
    const std::uint64_t limit = budget ? budget->limit() : kDefaultDecoderMemory;
    decoder->setMemoryLimit(limit);
    if (!decoder->readHeader())
        return decodeFailure(*decoder, decoder->header().memoryNeed);
    const DecodedHeader &header = decoder->header();
    const DrawSettings settings{
        extras.smooth, extras.upright ? header.orientation : Orientation::Normal, request.fill};
    const ThumbnailGeometry g = geometryOf(header.width, header.height, request, settings.turn);
    if (g.canvasWidth == 0 || g.canvasHeight == 0)
        return {ThumbnailError::EmptyThumbnail};
    const std::uint64_t need = header.memoryNeed + DrawingMemory(g, settings);
    BudgetReservation reservation;
    if (ThumbnailStatus refused = reserve(need, limit, budget, reservation); !refused)
        return refused;
    if (ThumbnailStatus refused = startEncoder(encoder, g, false, extras, header.iccProfile);
        !refused)
        return refused;
    if (!DrawDecodedPicture(*decoder, g, settings, encoder) || !decoder->finish()) {
        if (decoder->message().empty() && *encoder.message())
            return {ThumbnailError::NotEncodable, 0, encoder.message()};
        if (decoder->message().empty())
            return {ThumbnailError::NotDecodable, 0, "the decoder delivered an unexpected size"};
        return decodeFailure(*decoder, need);
    }
    return {};
}

// Decodes, draws and encodes; the thumbnail is complete in `encoder` when this succeeds. The
// format is told by the first bytes; what no decoder knows goes to libjpeg, whose words say
// what it is not.
ThumbnailStatus renderThumbnail(std::istream &source, const ThumbnailRequest &request,
                                DecoderMemoryBudget *budget, JpegEncoder &encoder) {
    if (request.width < 1 || request.height < 1)
        return {ThumbnailError::InvalidBox};
    DecoderInput input(source);
    const PhotoFormat format = SniffFormat(input.head());
    ThumbnailStatus made;
    if (format == PhotoFormat::Jpeg || format == PhotoFormat::Unknown) {
        std::istream stream(&input);
        made = renderJpeg(stream, request, budget, encoder);
    } else {
        made = renderDecoded(format, input, request, budget, encoder);
    }
    if (made && !encoder.finish())
        return {ThumbnailError::NotEncodable, 0, encoder.message()};
    return made;
}

// Runs `work`, turning what it throws into a status: the system's refusal of memory stays
// apart from any other cause.
template <typename Work> ThumbnailStatus guarded(Work work) {
    try {
        return work();
    } catch (const std::bad_alloc &) {
        return {ThumbnailError::OutOfMemory};
    } catch (const std::exception &e) {
        return {ThumbnailError::Unexpected, 0, e.what()};
    } catch (...) {
        return {ThumbnailError::Unexpected, 0, "an exception of unknown type"};
    }
}

} // namespace

ThumbnailStatus MakeThumbnailStream(std::istream &Source, std::ostream &Target,
                                    const ThumbnailRequest &Request) {
    return guarded([&]() -> ThumbnailStatus {
        JpegEncoder encoder;
        if (ThumbnailStatus made = renderThumbnail(Source, Request, nullptr, encoder); !made)
            return made;
        Target.write(reinterpret_cast<const char *>(encoder.data()),
                     std::streamsize(encoder.size()));
        Target.flush();
        return Target ? ThumbnailStatus{} : ThumbnailStatus{ThumbnailError::Target, EIO};
    });
}

bool CreateThumbnailStream(std::istream &Source, std::ostream &Target, int Width, int Height,
                           bool KeepAspect, TColor FillColor, bool Transparent, bool EraseEmpty) {
    return bool(MakeThumbnailStream(
        Source, Target,
        {Width, Height, KeepAspect, FillColor, Transparent, EraseEmpty, ThumbnailExtras{}}));
}

ThumbnailStatus MakeThumbnailBytes(const std::string &SourceFileName, std::string &Thumbnail,
                                   const ThumbnailRequest &Request, DecoderMemoryBudget *Budget,
                                   const SourceCheck &Opened) {
    Thumbnail.clear();
    return guarded([&]() -> ThumbnailStatus {
        if (Request.width < 1 || Request.height < 1)
            return {ThumbnailError::InvalidBox};
        SharedReadFile source;
        if (!source.openForReading(SourceFileName))
            return {ThumbnailError::Source, source.error()};
        if (Opened)
            if (ThumbnailStatus refused = Opened(source); !refused)
                return refused;
        FdStreamBuf in(source.fd());
        std::istream stream(&in);
        JpegEncoder encoder;
        ThumbnailStatus made = renderThumbnail(stream, Request, Budget, encoder);
        if (made)
            Thumbnail.assign(reinterpret_cast<const char *>(encoder.data()), encoder.size());
        return made;
    });
}

ThumbnailStatus MakeThumbnailFile(const std::string &SourceFileName,
                                  const std::string &TargetFileName,
                                  const ThumbnailRequest &Request, DecoderMemoryBudget *Budget) {
    std::vector<FileIdentity> keep;
    std::string bytes;
    // Refused before the work, not only at the end: the target's name is checked the same way
    // once more just before the finished file takes it.
    const ThumbnailStatus made = MakeThumbnailBytes(
        SourceFileName, bytes, Request, Budget,
        [&](const SharedReadFile &source) -> ThumbnailStatus {
            keep.push_back(source.identity());
            const int error = CheckCompleteFileTarget(TargetFileName, keep);
            return error ? ThumbnailStatus{ThumbnailError::Target, error} : ThumbnailStatus{};
        });
    if (!made)
        return made;
    return guarded([&]() -> ThumbnailStatus {
        const int error =
            WriteCompleteFile(TargetFileName, bytes, keep, AttributesOf(TargetFileName));
        return error ? ThumbnailStatus{ThumbnailError::Target, error} : ThumbnailStatus{};
    });
}

bool CreateThumbnail(const std::string &SourceFileName, const std::string &TargetFileName,
                     int Width, int Height, bool KeepAspect, TColor FillColor, bool Transparent,
                     bool EraseEmpty) {
    return bool(MakeThumbnailFile(
        SourceFileName, TargetFileName,
        {Width, Height, KeepAspect, FillColor, Transparent, EraseEmpty, ThumbnailExtras{}}));
}
