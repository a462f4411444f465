#include "uthumbnail.h"

#include "canvascollector.h"
#include "completefile.h"
#include "drawpicture.h"
#include "fdstream.h"
#include "geometry.h"
#include "imagedecoder.h"
#include "jpegcodec.h"
#include "memorybudget.h"
#include "settingsstamp.h"
#include "srgbtransform.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <istream>
#include <memory>
#include <new>
#include <optional>
#include <ostream>
#include <span>
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
    const int shownWidth = swap ? height : width, shownHeight = swap ? width : height;
    const ThumbnailMode mode = ModeOf(request.keepAspect, request.eraseEmpty);
    const ThumbnailGeometry g =
        ComputeGeometry(shownWidth, shownHeight, request.width, request.height, mode);
    return request.extras.onlyShrink ? WithoutEnlarging(g, shownWidth, shownHeight, mode) : g;
}

// Takes what the decoding needs from the budget. The only size limit is memory: a picture is
// refused when what it needs is more than the decoder may have, never for its pixel count.
ThumbnailStatus reserve(std::uint64_t need, std::uint64_t limit, DecoderMemoryBudget *budget,
                        BudgetReservation &reservation) {
    if (need > limit || (budget && !reservation.take(*budget, need)))
        return {budget && budget->cancelled() ? ThumbnailError::Stopped : ThumbnailError::TooLarge,
                0,
                {},
                need};
    return {};
}

// What both routes do with the photo's colours: the transform to sRGB when asked for (a
// profile lcms cannot use leaves the colours as stored, as a viewer would show them, and says
// why), and the profile the thumbnail carries.
struct ColourPlan {
    std::unique_ptr<SrgbTransform> toSrgb;
    std::vector<std::uint8_t> profile;
    std::string note;
};

ColourPlan planColours(const ThumbnailRequest &request, const std::vector<std::uint8_t> &profile,
                       ColourRows rows) {
    ColourPlan plan;
    if (request.srgb && !profile.empty()) {
        std::string unusable;
        plan.toSrgb = SrgbTransform::Create(profile, rows, unusable);
        if (!plan.toSrgb)
            plan.note = unusable + ": the colours are left as stored";
    }
    // The profile of ink cannot describe the RGB of its plain conversion.
    const bool ink = rows == ColourRows::Cmyk || rows == ColourRows::InvertedCmyk ||
                     rows == ColourRows::CmykAlpha;
    if (request.extras.keepProfile && (plan.toSrgb || !ink))
        plan.profile = plan.toSrgb ? CompactSrgbProfile() : profile;
    return plan;
}

ColourRows colourRowsOf(PixelLayout layout) {
    switch (layout) {
    case PixelLayout::Grey:
        return ColourRows::Grey;
    case PixelLayout::Cmyk:
        return ColourRows::Cmyk;
    case PixelLayout::AdobeCmyk:
        return ColourRows::InvertedCmyk;
    case PixelLayout::Rgb:
        break;
    }
    return ColourRows::Rgb;
}

// Where the drawn canvas goes: row by row into libjpeg, or gathered whole for the encoder of
// another format.
class ThumbnailOutput {
public:
    explicit ThumbnailOutput(const ThumbnailRequest &request) : request_(request) {}

    // What the output holds besides the decoder: the gathered canvas and its encoder's copies.
    std::uint64_t memoryNeed(const ThumbnailGeometry &g) const {
        if (request_.format == OutputFormat::Jpeg)
            return 0;
        return CanvasEncodingMemory(request_.format,
                                    std::uint64_t(g.canvasWidth) * std::uint64_t(g.canvasHeight));
    }

    // Whether the drawing keeps a photo's own alpha for this output.
    bool keepsAlpha(bool photoAlpha) const {
        return photoAlpha && request_.transparent && FormatHasAlpha(request_.format);
    }

    ThumbnailStatus start(const ThumbnailGeometry &g, bool progressive,
                          std::vector<std::uint8_t> profile, bool rgbaRows = false) {
        if (request_.format != OutputFormat::Jpeg) {
            canvas_.emplace(g, request_.transparent, rgbaRows);
            profile_ = std::move(profile);
            return {};
        }
        if (!jpeg_.start(g.canvasWidth, g.canvasHeight, progressive, request_.extras.smooth,
                         request_.quality) ||
            (!profile.empty() && !jpeg_.writeProfile(profile)))
            return {ThumbnailError::NotEncodable, 0, jpeg_.message()};
        return {};
    }

    RowSink &rows() { return canvas_ ? static_cast<RowSink &>(*canvas_) : jpeg_; }
    // After a refused row: the encoder's cause, empty when it refused nothing.
    const char *message() const { return jpeg_.message(); }

    ThumbnailStatus finish(std::string &bytes) {
        const std::string stamp = request_.stamped ? SettingsStampOf(request_) : std::string();
        if (canvas_) {
            // WebP and AVIF take the stamp as XMP from their encoders.
            const bool xmp =
                request_.format == OutputFormat::Webp || request_.format == OutputFormat::Avif;
            EncodedCanvas encoded = EncodeCanvas(
                request_.format, canvas_->canvas(), request_.quality, request_.extras.smooth,
                std::move(profile_), xmp && !stamp.empty() ? SettingsXmp(stamp) : std::string());
            if (!encoded)
                return {ThumbnailError::NotEncodable, 0, std::move(encoded.cause)};
            bytes = std::move(encoded.bytes);
        } else {
            if (!jpeg_.finish())
                return {ThumbnailError::NotEncodable, 0, jpeg_.message()};
            bytes.assign(reinterpret_cast<const char *>(jpeg_.data()), jpeg_.size());
        }
        if (!stamp.empty())
            bytes = AddSettingsStamp(bytes, stamp); // JPEG and PNG; the others have it
        return {ThumbnailError::None, 0, note};
    }

    // Made, but not quite as asked: why (a colour profile that could not be used).
    std::string note;

private:
    const ThumbnailRequest &request_;
    JpegEncoder jpeg_;
    std::optional<CanvasCollector> canvas_;
    std::vector<std::uint8_t> profile_;
};

// The JPEG route: rows go from the decoder through the drawing straight into the encoder;
// the decoded picture is never held whole, nor the canvas.
ThumbnailStatus renderJpeg(std::istream &source, const ThumbnailRequest &request,
                           DecoderMemoryBudget *budget, ThumbnailOutput &output) {
    const ThumbnailExtras &extras = request.extras;
    JpegDecoder decoder(source);
    decoder.keepMetadata(extras.upright, extras.keepProfile || request.srgb);
    if (!decoder.readHeader())
        return decodeFailure(decoder, 0);
    DrawSettings settings{
        extras.smooth, extras.upright ? decoder.orientation() : Orientation::Normal, request.fill};
    const ThumbnailGeometry g =
        geometryOf(decoder.width(), decoder.height(), request, settings.turn);
    // A canvas without pixels is no thumbnail: reported, not written as an empty file.
    if (g.canvasWidth == 0 || g.canvasHeight == 0)
        return {ThumbnailError::EmptyThumbnail};
    // A turned picture is gathered at its drawn size besides, and a smooth reduction holds its
    // filter's rows.
    const std::uint64_t decoding = decoder.memoryNeed();
    const std::uint64_t need = decoding +
                               DrawingMemory(decoder.width(), decoder.height(), true, g, settings) +
                               output.memoryNeed(g);
    const std::uint64_t limit = budget ? budget->limit() : kDefaultDecoderMemory;
    BudgetReservation reservation;
    if (ThumbnailStatus refused = reserve(need, limit, budget, reservation); !refused)
        return refused;
    // libjpeg may use what this picture reserved, not the budget that others share.
    decoder.setMemoryLimit(decoding);
    ColourPlan colours = planColours(request, decoder.iccProfile(), colourRowsOf(decoder.layout()));
    settings.toSrgb = colours.toSrgb.get();
    output.note = colours.note;
    if (ThumbnailStatus refused =
            output.start(g, decoder.progressive(), std::move(colours.profile));
        !refused)
        return refused;
    if (!DrawPicture(decoder, g, settings, output.rows()) || !decoder.finish()) {
        // A row the encoder refused leaves the decoder sound.
        if (!*decoder.message() && *output.message())
            return {ThumbnailError::NotEncodable, 0, output.message()};
        return decodeFailure(decoder, need);
    }
    return {};
}

// Several boxes of one JPEG from one pass of the decoder, each output started as renderJpeg
// starts it alone.
ThumbnailStatus renderJpegSizes(std::istream &source, std::span<const ThumbnailRequest> requests,
                                DecoderMemoryBudget *budget,
                                std::span<const std::unique_ptr<ThumbnailOutput>> outputs) {
    const ThumbnailRequest &request = requests.front();
    const ThumbnailExtras &extras = request.extras;
    JpegDecoder decoder(source);
    decoder.keepMetadata(extras.upright, extras.keepProfile || request.srgb);
    if (!decoder.readHeader())
        return decodeFailure(decoder, 0);
    DrawSettings settings{
        extras.smooth, extras.upright ? decoder.orientation() : Orientation::Normal, request.fill};
    std::vector<ThumbnailGeometry> geometries;
    std::uint64_t need = decoder.memoryNeed();
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const ThumbnailGeometry g =
            geometryOf(decoder.width(), decoder.height(), requests[i], settings.turn);
        if (g.canvasWidth == 0 || g.canvasHeight == 0)
            return {ThumbnailError::EmptyThumbnail};
        need += outputs[i]->memoryNeed(g);
        geometries.push_back(g);
    }
    need += DrawingsMemory(decoder.width(), decoder.height(), geometries, settings);
    const std::uint64_t limit = budget ? budget->limit() : kDefaultDecoderMemory;
    decoder.setMemoryLimit(limit);
    BudgetReservation reservation;
    if (ThumbnailStatus refused = reserve(need, limit, budget, reservation); !refused)
        return refused;
    ColourPlan colours = planColours(request, decoder.iccProfile(), colourRowsOf(decoder.layout()));
    settings.toSrgb = colours.toSrgb.get();
    std::vector<RowSink *> sinks;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        outputs[i]->note = colours.note;
        if (ThumbnailStatus refused =
                outputs[i]->start(geometries[i], decoder.progressive(), colours.profile);
            !refused)
            return refused;
        sinks.push_back(&outputs[i]->rows());
    }
    if (!DrawPictures(decoder, geometries, settings, sinks) || !decoder.finish()) {
        for (const auto &output : outputs)
            if (!*decoder.message() && *output->message())
                return {ThumbnailError::NotEncodable, 0, output->message()};
        return decodeFailure(decoder, need);
    }
    return {};
}

// Every other format through its decoder: the same geometry, modes and budget. Several
// boxes share one decode; a photo's own alpha is kept only for one box.
ThumbnailStatus renderDecoded(PhotoFormat format, DecoderInput &source,
                              std::span<const ThumbnailRequest> requests,
                              DecoderMemoryBudget *budget,
                              std::span<const std::unique_ptr<ThumbnailOutput>> outputs) {
    const ThumbnailRequest &request = requests.front();
    const ThumbnailExtras &extras = request.extras;
    const std::unique_ptr<ImageDecoder> decoder = MakeImageDecoder(format, source);
    const std::uint64_t limit = budget ? budget->limit() : kDefaultDecoderMemory;
    decoder->setMemoryLimit(limit);
    if (!decoder->readHeader())
        return decodeFailure(*decoder, decoder->header().memoryNeed);
    const DecodedHeader &header = decoder->header();
    DrawSettings settings{extras.smooth, extras.upright ? header.orientation : Orientation::Normal,
                          request.fill};
    std::vector<ThumbnailGeometry> geometries;
    std::uint64_t need = header.memoryNeed;
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const ThumbnailGeometry g =
            geometryOf(header.width, header.height, requests[i], settings.turn);
        if (g.canvasWidth == 0 || g.canvasHeight == 0)
            return {ThumbnailError::EmptyThumbnail};
        need += DrawingMemory(header.width, header.height, false, g, settings) +
                outputs[i]->memoryNeed(g);
        geometries.push_back(g);
    }
    BudgetReservation reservation;
    if (ThumbnailStatus refused = reserve(need, limit, budget, reservation); !refused)
        return refused;
    // The header was read within the whole budget; the decoding keeps to its own share.
    decoder->setMemoryLimit(header.memoryNeed);
    const ColourRows rows = header.ink ? (header.alpha ? ColourRows::CmykAlpha : ColourRows::Cmyk)
                            : header.alpha ? ColourRows::Rgba
                                           : ColourRows::Rgb;
    ColourPlan colours = planColours(request, header.iccProfile, rows);
    // Ink goes to its profile as stored; without one it comes as RGB from the decoder.
    if (colours.toSrgb)
        decoder->deliverInk();
    settings.toSrgb = colours.toSrgb.get();
    settings.keepAlpha = outputs.size() == 1 && outputs.front()->keepsAlpha(header.alpha);
    std::vector<RowSink *> sinks;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        outputs[i]->note = colours.note;
        if (ThumbnailStatus refused =
                outputs[i]->start(geometries[i], false, colours.profile, settings.keepAlpha);
            !refused)
            return refused;
        sinks.push_back(&outputs[i]->rows());
    }
    const bool drawn = sinks.size() == 1
                           ? DrawDecodedPicture(*decoder, geometries.front(), settings, *sinks[0])
                           : DrawDecodedPictures(*decoder, geometries, settings, sinks);
    if (!drawn || !decoder->finish()) {
        for (const auto &output : outputs)
            if (decoder->message().empty() && *output->message())
                return {ThumbnailError::NotEncodable, 0, output->message()};
        if (decoder->message().empty())
            return {ThumbnailError::NotDecodable, 0, "the decoder delivered an unexpected size"};
        return decodeFailure(*decoder, need);
    }
    return {};
}

// Decodes, draws and encodes; the thumbnail is complete in `bytes` when this succeeds. The
// format is told by the first bytes; what no decoder knows goes to libjpeg, whose words say
// what it is not. `file` is the source's open file, when it is one (see DecoderInput).
ThumbnailStatus renderThumbnail(std::istream &source, const ThumbnailRequest &request,
                                DecoderMemoryBudget *budget, std::string &bytes, int file = -1) {
    if (request.width < 1 || request.height < 1)
        return {ThumbnailError::InvalidBox};
    DecoderInput input(source, file);
    const PhotoFormat format = SniffFormat(input.head());
    std::unique_ptr<ThumbnailOutput> output = std::make_unique<ThumbnailOutput>(request);
    ThumbnailStatus made;
    if (format == PhotoFormat::Jpeg || format == PhotoFormat::Unknown) {
        std::istream stream(&input);
        made = renderJpeg(stream, request, budget, *output);
    } else {
        made = renderDecoded(format, input, {&request, 1}, budget, {&output, 1});
    }
    return made ? output->finish(bytes) : made;
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
        std::string bytes;
        if (ThumbnailStatus made = renderThumbnail(Source, Request, nullptr, bytes); !made)
            return made;
        Target.write(bytes.data(), std::streamsize(bytes.size()));
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
        return renderThumbnail(stream, Request, Budget, Thumbnail, source.fd());
    });
}

std::vector<ThumbnailStatus>
MakeThumbnailSizes(const std::string &SourceFileName, const ThumbnailRequest &Request,
                   std::span<const ThumbnailBox> Boxes, std::vector<std::string> &Thumbnails,
                   DecoderMemoryBudget *Budget, const SourceCheck &Opened) {
    Thumbnails.assign(Boxes.size(), {});
    std::vector<ThumbnailRequest> requests(Boxes.size(), Request);
    for (std::size_t i = 0; i < Boxes.size(); ++i) {
        requests[i].width = Boxes[i].width;
        requests[i].height = Boxes[i].height;
    }
    const bool invalid = std::any_of(Boxes.begin(), Boxes.end(), [](const ThumbnailBox &b) {
        return b.width < 1 || b.height < 1;
    });
    std::vector<ThumbnailStatus> statuses(Boxes.size());
    // A photo is read and decoded once for all boxes.
    bool each = invalid || Boxes.size() < 2;
    const ThumbnailStatus made = each ? ThumbnailStatus{} : guarded([&]() -> ThumbnailStatus {
        SharedReadFile source;
        if (!source.openForReading(SourceFileName))
            return {ThumbnailError::Source, source.error()};
        if (Opened)
            if (ThumbnailStatus refused = Opened(source); !refused)
                return refused;
        FdStreamBuf in(source.fd());
        std::istream stream(&in);
        DecoderInput input(stream, source.fd());
        const PhotoFormat format = SniffFormat(input.head());
        const bool jpeg = format == PhotoFormat::Jpeg || format == PhotoFormat::Unknown;
        // A photo's own alpha, kept, is drawn for one box at a time.
        if (!jpeg && Request.transparent && FormatHasAlpha(Request.format)) {
            each = true;
            return {};
        }
        std::vector<std::unique_ptr<ThumbnailOutput>> outputs;
        for (const ThumbnailRequest &request : requests)
            outputs.push_back(std::make_unique<ThumbnailOutput>(request));
        std::istream jpegStream(&input);
        if (ThumbnailStatus failed = jpeg ? renderJpegSizes(jpegStream, requests, Budget, outputs)
                                          : renderDecoded(format, input, requests, Budget, outputs);
            !failed)
            return failed;
        for (std::size_t i = 0; i < outputs.size(); ++i)
            statuses[i] = outputs[i]->finish(Thumbnails[i]);
        return {};
    });
    if (!made)
        return std::vector<ThumbnailStatus>(Boxes.size(), made);
    if (each)
        for (std::size_t i = 0; i < Boxes.size(); ++i)
            statuses[i] =
                MakeThumbnailBytes(SourceFileName, Thumbnails[i], requests[i], Budget, Opened);
    return statuses;
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
