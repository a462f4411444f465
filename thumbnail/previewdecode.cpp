#include "previewdecode.h"

#include "exiforientation.h"
#include "fdstream.h"
#include "imagedecoder.h"
#include "jpegcodec.h"
#include "memorybudget.h"
#include "sharedreadfile.h"

#include <algorithm>
#include <functional>
#include <istream>

namespace {

// The file's data, ending early once the decode is to stop: libjpeg then finishes the
// picture from nothing, quickly, whatever phase it is in (a progressive file's first pass
// reads the whole file before the first row).
class StoppableStreamBuf : public FdStreamBuf {
public:
    StoppableStreamBuf(int fd, const std::atomic<bool> *stop) : FdStreamBuf(fd), stop_(stop) {}
    bool stopped() const { return stop_ && stop_->load(std::memory_order_relaxed); }

protected:
    int_type underflow() override {
        return stopped() ? traits_type::eof() : FdStreamBuf::underflow();
    }

private:
    const std::atomic<bool> *stop_;
};

PixelSize swapped(PixelSize size, bool swap) {
    return swap ? PixelSize{size.height, size.width} : size;
}

// How many of `scaled` cells fall into each of `shown` cells when cell i goes to
// i * shown / scaled; with the cell map itself when asked.
std::vector<int> cellCounts(int scaled, int shown, std::vector<int> *cellOf = nullptr) {
    std::vector<int> counts(std::size_t(shown), 0);
    if (cellOf)
        cellOf->resize(std::size_t(scaled));
    for (int i = 0; i < scaled; ++i) {
        const int to = int(std::int64_t(i) * shown / scaled);
        ++counts[std::size_t(to)];
        if (cellOf)
            (*cellOf)[std::size_t(i)] = to;
    }
    return counts;
}

// The rows a decoder delivers for the preview, whatever the format.
struct ScaledRows {
    int width;
    int height;
    PixelLayout layout;
    int components;
    std::function<const std::uint8_t *(int y)> row;
};

ScaledRows jpegRows(JpegDecoder &decoder) {
    return {decoder.outputWidth(), decoder.outputHeight(), decoder.layout(), decoder.components(),
            [&decoder](int y) { return decoder.row(y); }};
}

// Another format's rows; transparency shows over white, as on a light page.
ScaledRows decodedRows(ImageDecoder &decoder, std::vector<std::uint8_t> &composed) {
    const int width = decoder.outputWidth();
    if (decoder.channels() == 3)
        return {width, decoder.outputHeight(), PixelLayout::Rgb, 3,
                [&decoder](int y) { return decoder.row(y); }};
    composed.resize(std::size_t(width) * 3);
    return {width, decoder.outputHeight(), PixelLayout::Rgb, 3,
            [&decoder, &composed](int y) -> const std::uint8_t * {
                const std::uint8_t *src = decoder.row(y);
                if (!src)
                    return nullptr;
                for (std::size_t i = 0; i < composed.size(); i += 3, src += 4)
                    for (std::size_t c = 0; c < 3; ++c)
                        composed[i + c] =
                            std::uint8_t((src[c] * src[3] + 255u * (255u - src[3]) + 127) / 255);
                return composed.data();
            }};
}

// Reads every scaled row and averages each box of them into the shown pixel it covers.
bool boxFilter(const ScaledRows &decoder, PixelSize shown, std::vector<std::uint8_t> &out,
               const StoppableStreamBuf &data) {
    const int scaledW = decoder.width;
    const int scaledH = decoder.height;
    const int n = decoder.components;
    std::vector<int> columnOf;
    const std::vector<int> colsPerShown = cellCounts(scaledW, shown.width, &columnOf);
    const std::vector<int> rowsPerShown = cellCounts(scaledH, shown.height);
    std::vector<std::uint32_t> sums(std::size_t(shown.width) * 3, 0);
    out.assign(std::size_t(shown.width) * std::size_t(shown.height) * 3, 0);
    int shownRow = 0;
    for (int y = 0; y < scaledH; ++y) {
        const std::uint8_t *row = data.stopped() ? nullptr : decoder.row(y);
        if (!row)
            return false;
        for (int x = 0; x < scaledW; ++x) {
            std::uint8_t rgb[3];
            PixelToRgb(rgb, row + x * n, decoder.layout);
            std::uint32_t *sum = &sums[std::size_t(columnOf[std::size_t(x)]) * 3];
            sum[0] += rgb[0];
            sum[1] += rgb[1];
            sum[2] += rgb[2];
        }
        if (int(std::int64_t(y + 1) * shown.height / scaledH) == shownRow)
            continue;
        std::uint8_t *line = &out[std::size_t(shownRow) * std::size_t(shown.width) * 3];
        for (std::size_t x = 0; x < std::size_t(shown.width); ++x) {
            const auto count =
                std::uint32_t(colsPerShown[x]) * std::uint32_t(rowsPerShown[std::size_t(shownRow)]);
            for (std::size_t ch = 0; ch < 3; ++ch) {
                std::uint32_t &sum = sums[x * 3 + ch];
                line[x * 3 + ch] = std::uint8_t((sum + count / 2) / count);
                sum = 0;
            }
        }
        ++shownRow;
    }
    return true;
}

// The stored-orientation pixels of `stored` rearranged as they show upright.
std::vector<std::uint8_t> turned(const std::vector<std::uint8_t> &stored, PixelSize storedSize,
                                 Orientation o) {
    const PixelSize upright = swapped(storedSize, SwapsAxes(o));
    std::vector<std::uint8_t> out(stored.size());
    for (int y = 0; y < upright.height; ++y)
        for (int x = 0; x < upright.width; ++x) {
            const PixelPlace from = StoredPixel(o, x, y, storedSize.width, storedSize.height);
            const std::size_t src =
                (std::size_t(from.y) * std::size_t(storedSize.width) + std::size_t(from.x)) * 3;
            const std::size_t dst =
                (std::size_t(y) * std::size_t(upright.width) + std::size_t(x)) * 3;
            std::copy_n(&stored[src], 3, &out[dst]);
        }
    return out;
}

} // namespace

PixelSize FitInBox(PixelSize picture, PixelSize box) {
    if (picture.width <= box.width && picture.height <= box.height)
        return picture;
    if (picture.width <= 0 || picture.height <= 0)
        return {std::min(picture.width, box.width), std::min(picture.height, box.height)};
    // The same arithmetic as QSize::scaled with Qt::KeepAspectRatio.
    const std::int64_t widthAtBoxHeight = std::int64_t(box.height) * picture.width / picture.height;
    PixelSize fitted =
        widthAtBoxHeight <= box.width
            ? PixelSize{int(widthAtBoxHeight), box.height}
            : PixelSize{box.width, int(std::int64_t(box.width) * picture.height / picture.width)};
    fitted.width = std::max(fitted.width, 1);
    fitted.height = std::max(fitted.height, 1);
    return fitted;
}

std::optional<PreviewPicture> DecodePreview(const std::string &path, PixelSize box, bool upright,
                                            const std::atomic<bool> *stop) {
    SharedReadFile file;
    if (box.width <= 0 || box.height <= 0 || !file.openForReading(path))
        return std::nullopt;
    StoppableStreamBuf buffer(file.fd(), stop);
    std::istream in(&buffer);
    DecoderInput input(in, file.fd());
    const PhotoFormat format = SniffFormat(input.head());
    Orientation orientation = Orientation::Normal;
    PreviewPicture picture;
    PixelSize stored;
    // Where the picture goes, from its stored size.
    const auto place = [&](int width, int height, Orientation o) {
        orientation = upright ? o : Orientation::Normal;
        const bool swap = SwapsAxes(orientation);
        picture.source = swapped({width, height}, swap);
        picture.size = FitInBox(picture.source, box);
        stored = swapped(picture.size, swap);
    };
    if (format == PhotoFormat::Jpeg || format == PhotoFormat::Unknown) {
        std::istream jpeg(&input);
        JpegDecoder decoder(jpeg);
        decoder.keepMetadata(upright, false);
        if (!decoder.readHeader())
            return std::nullopt;
        place(decoder.width(), decoder.height(), decoder.orientation());
        // A picture patched up by libjpeg after its data ran out is damaged, not previewed.
        if (!decoder.startScaled(
                EighthsCovering(decoder.width(), decoder.height(), stored.width, stored.height)) ||
            !boxFilter(jpegRows(decoder), stored, picture.rgb, buffer) || !decoder.finish() ||
            decoder.endedEarly() || buffer.stopped())
            return std::nullopt;
    } else {
        const std::unique_ptr<ImageDecoder> decoder = MakeImageDecoder(format, input);
        decoder->setMemoryLimit(kDefaultDecoderMemory);
        if (!decoder->readHeader())
            return std::nullopt;
        const DecodedHeader &header = decoder->header();
        place(header.width, header.height, header.orientation);
        // An embedded thumbnail that covers the shown size serves as well as the picture.
        std::vector<std::uint8_t> composed;
        if (!decoder->start(stored.width, stored.height) ||
            !boxFilter(decodedRows(*decoder, composed), stored, picture.rgb, buffer) ||
            !decoder->finish() || buffer.stopped())
            return std::nullopt;
    }
    if (orientation != Orientation::Normal)
        picture.rgb = turned(picture.rgb, stored, orientation);
    return picture;
}
