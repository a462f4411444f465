#include "drawpicture.h"

#include "dcscan.h"
#include "imagedecoder.h"
#include "jpegcodec.h"
#include "smoothscale.h"
#include "srgbtransform.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <utility>
#include <vector>

namespace {

// A half-open range of coordinates on one axis.
struct Span {
    int first;
    int end;
    int length() const { return std::max(0, end - first); }
};

// The part of the picture rectangle that lies on the canvas, in canvas coordinates.
Span visible(int offset, int length, int canvasLength) {
    return {std::clamp(offset, 0, canvasLength),
            int(std::clamp<long long>(static_cast<long long>(offset) + length, 0, canvasLength))};
}

// Where the drawn picture goes. "Stored" coordinates are those of the picture as drawn before
// turning: storedWidth x storedHeight, of which the columns and rows in `columns` and `rows`
// reach the canvas.
struct Plan {
    const ThumbnailGeometry &g;
    Orientation turn;
    Span canvasColumns; // visible part of the rectangle, canvas coordinates
    Span canvasRows;
    int storedWidth;
    int storedHeight;
    Span columns;
    Span rows;

    Plan(const ThumbnailGeometry &geometry, Orientation o)
        : g(geometry), turn(o), canvasColumns(visible(g.x, g.width, g.canvasWidth)),
          canvasRows(visible(g.y, g.height, g.canvasHeight)),
          storedWidth(SwapsAxes(o) ? g.height : g.width),
          storedHeight(SwapsAxes(o) ? g.width : g.height), columns{0, 0}, rows{0, 0} {
        if (canvasColumns.length() == 0 || canvasRows.length() == 0) {
            canvasColumns.end = canvasColumns.first; // nothing of the picture shows
            canvasRows.end = canvasRows.first;
            return;
        }
        const PixelPlace a = stored(canvasColumns.first, canvasRows.first);
        const PixelPlace b = stored(canvasColumns.end - 1, canvasRows.end - 1);
        columns = {std::min(a.x, b.x), std::max(a.x, b.x) + 1};
        rows = {std::min(a.y, b.y), std::max(a.y, b.y) + 1};
    }

    // The stored pixel that shows at canvas pixel (cx, cy) of the rectangle.
    PixelPlace stored(int cx, int cy) const {
        return StoredPixel(turn, cx - g.x, cy - g.y, storedWidth, storedHeight);
    }
};

// Writes stored row `y` (rows ascending), its visible columns, as RGB into `out`.
using RowMaker = std::function<bool(int y, std::uint8_t *out)>;

// The decoded rows the drawing reads, whichever decoder delivers them: width x height pixels
// that cover extentWidth x extentHeight pixel widths of the picture (less than the pixel
// count when a scaled decode rounded its last pixel up).
struct RowSource {
    int width;
    int height;
    double extentWidth;
    double extentHeight;
    PixelLayout layout;
    int components;
    std::function<const std::uint8_t *(int y)> row; // rows ascending; null on failure
    // Told before the first row which columns and rows exact sampling reads, where the
    // decoder can spare work on the rest.
    std::function<void(const std::vector<int> &columns, const std::vector<int> &rows)> readOnly;
    // Takes the rows' pixels to sRGB (to RGB, whatever their layout) before anything else.
    const SrgbTransform *toSrgb = nullptr;
};

RowSource jpegRows(JpegDecoder &decoder, double extentWidth, double extentHeight,
                   const SrgbTransform *toSrgb) {
    return {decoder.outputWidth(),
            decoder.outputHeight(),
            extentWidth,
            extentHeight,
            decoder.layout(),
            decoder.components(),
            [&decoder](int y) { return decoder.row(y); },
            [&decoder](const std::vector<int> &columns, const std::vector<int> &rows) {
                decoder.readOnly(columns, rows);
            },
            toSrgb};
}

// RGB rows averaged k x k pixels into one, as a scaled JPEG decode averages its blocks: the
// filter then works on about three times the output's pixels, not on the whole photo.
RowSource boxShrunk(RowSource full, int k) {
    const int width = (full.width + k - 1) / k;
    RowSource shrunk{width,
                     (full.height + k - 1) / k,
                     full.extentWidth / k,
                     full.extentHeight / k,
                     PixelLayout::Rgb,
                     3,
                     {},
                     {},
                     nullptr};
    auto sums = std::make_shared<std::vector<std::uint32_t>>(std::size_t(width) * 3);
    auto out = std::make_shared<std::vector<std::uint8_t>>(std::size_t(width) * 3);
    shrunk.row = [full = std::move(full), k, sums, out](int y) -> const std::uint8_t * {
        std::fill(sums->begin(), sums->end(), 0u);
        const int first = y * k, end = std::min(full.height, first + k);
        for (int r = first; r < end; ++r) {
            const std::uint8_t *src = full.row(r);
            if (!src)
                return nullptr;
            std::uint32_t *sum = sums->data();
            for (int x = 0; x < full.width; x += k, sum += 3)
                for (int i = x, last = std::min(full.width, x + k); i < last; ++i, src += 3) {
                    sum[0] += src[0];
                    sum[1] += src[1];
                    sum[2] += src[2];
                }
        }
        const std::size_t columns = out->size() / 3;
        for (std::size_t x = 0; x < columns; ++x) {
            const std::uint32_t across = std::uint32_t(std::min<std::size_t>(
                std::size_t(k), std::size_t(full.width) - x * std::size_t(k)));
            const std::uint32_t count = across * std::uint32_t(end - first);
            for (std::size_t c = 0; c < 3; ++c)
                (*out)[x * 3 + c] = std::uint8_t(((*sums)[x * 3 + c] + count / 2) / count);
        }
        return out->data();
    };
    return shrunk;
}

// How many decoded pixels a side boxShrunk averages for drawing `p` from width x height of
// them: as many as leave three times the drawn pixels on each axis.
int boxFactor(int width, int height, const Plan &p) {
    return std::max(1, std::min(width / std::max(1, 3 * p.storedWidth),
                                height / std::max(1, 3 * p.storedHeight)));
}

RowSource dcRows(DcScan &scan, const JpegDecoder &decoder) {
    return {scan.width(),
            scan.height(),
            decoder.width() / 8.0,
            decoder.height() / 8.0,
            PixelLayout::Rgb,
            3,
            [&scan](int y) { return scan.row(y); },
            {},
            nullptr};
}

// One JPEG decode shared by several smooth drawings: at the largest scale any of them needs,
// and for each the factor it is averaged by first (1 at its own scale).
struct SharedDecode {
    int eighths = 1;
    int width; // of the decoded picture
    int height;
    double extentWidth;
    double extentHeight;
    std::vector<int> boxes;

    SharedDecode(int width, int height, std::span<const ThumbnailGeometry> geometries,
                 Orientation turn) {
        std::vector<int> own;
        for (const ThumbnailGeometry &g : geometries) {
            const Plan p(g, turn);
            own.push_back(SmoothDecodeEighths(width, height, p.storedWidth, p.storedHeight));
            eighths = std::max(eighths, own.back());
        }
        // libjpeg rounds a scaled side up.
        this->width = int((std::int64_t(width) * eighths + 7) / 8);
        this->height = int((std::int64_t(height) * eighths + 7) / 8);
        extentWidth = width * eighths / 8.0;
        extentHeight = height * eighths / 8.0;
        for (std::size_t i = 0; i < geometries.size(); ++i)
            boxes.push_back(own[i] == eighths
                                ? 1
                                : boxFactor(this->width, this->height, Plan(geometries[i], turn)));
    }
};

// Each alpha row read, as grey RGB, until the alpha drawing takes it: both drawings read the
// decoded rows in the same order, so the queue stays a few rows long.
using AlphaQueue = std::deque<std::vector<std::uint8_t>>;

// The transform was chosen from the header; rows of another layout stay as they are.
const SrgbTransform *transformFor(const ImageDecoder &decoder, const SrgbTransform *toSrgb) {
    return toSrgb && toSrgb->inputChannels() == decoder.channels() ? toSrgb : nullptr;
}

// Another format's rows, converted to sRGB when asked and their alpha laid over the fill (the
// same as filtering the premultiplied picture and laying that over the fill). With `alpha`,
// each row's alpha also goes there.
RowSource decodedRows(ImageDecoder &decoder, TColor fill, const SrgbTransform *toSrgb,
                      const std::shared_ptr<AlphaQueue> &alphaRows = nullptr) {
    const int width = decoder.outputWidth();
    RowSource rows{width,
                   decoder.outputHeight(),
                   double(width),
                   double(decoder.outputHeight()),
                   PixelLayout::Rgb,
                   3,
                   {},
                   {},
                   nullptr};
    toSrgb = transformFor(decoder, toSrgb);
    const int channels = toSrgb ? toSrgb->outputChannels() : decoder.channels();
    const bool alpha = channels == 4;
    auto converted = std::make_shared<std::vector<std::uint8_t>>(
        toSrgb ? std::size_t(width) * std::size_t(channels) : 0);
    const auto source = [&decoder, converted, toSrgb, width](int y) -> const std::uint8_t * {
        const std::uint8_t *src = decoder.row(y);
        if (!src || !toSrgb)
            return src;
        toSrgb->convert(src, converted->data(), width);
        return converted->data();
    };
    if (!alpha) {
        rows.row = source;
        return rows;
    }
    const TColor rgb = ResolveColor(fill);
    const unsigned under[3] = {unsigned(redOf(rgb)), unsigned(greenOf(rgb)), unsigned(blueOf(rgb))};
    auto composed = std::make_shared<std::vector<std::uint8_t>>(std::size_t(width) * 3);
    rows.row = [source, composed, under, alphaRows](int y) -> const std::uint8_t * {
        const std::uint8_t *src = source(y);
        if (!src)
            return nullptr;
        if (alphaRows) {
            std::vector<std::uint8_t> &grey = alphaRows->emplace_back(composed->size());
            for (std::size_t i = 0; i < grey.size(); i += 3)
                grey[i] = grey[i + 1] = grey[i + 2] = src[i / 3 * 4 + 3];
        }
        std::uint8_t *out = composed->data();
        for (std::size_t i = 0; i < composed->size(); i += 3, src += 4) {
            const unsigned a = src[3];
            for (std::size_t c = 0; c < 3; ++c)
                out[i + c] = std::uint8_t((src[c] * a + under[c] * (255 - a) + 127) / 255);
        }
        return composed->data();
    };
    return rows;
}

// Nearest-neighbour sampling of the turned picture: each pixel of the rectangle takes the
// source pixel under its centre, chosen on the turned picture's axes so the result is the
// exact thumbnail of a picture whose pixels were turned.
// The source columns and rows exact sampling reads.
struct ExactReads {
    std::vector<int> columns;
    std::vector<int> rows;
};

RowMaker exactRows(const RowSource &source, const Plan &p, ExactReads *reads = nullptr) {
    const int width = source.width, height = source.height;
    const bool swap = SwapsAxes(p.turn);
    const int turnedWidth = swap ? height : width, turnedHeight = swap ? width : height;
    std::vector<std::uint32_t> columnOffset(std::size_t(p.columns.length()));
    std::vector<int> sourceRow(std::size_t(p.rows.length()));
    // Each turned column stands for one stored column (or, turned a quarter, one stored
    // row), and each turned row for the other axis.
    const auto note = [&](bool storedColumn, int drawn, int sourceIndex) {
        if (storedColumn)
            columnOffset[std::size_t(drawn - p.columns.first)] =
                std::uint32_t(sourceIndex) * std::uint32_t(source.components);
        else
            sourceRow[std::size_t(drawn - p.rows.first)] = sourceIndex;
    };
    for (int cx = p.canvasColumns.first; cx < p.canvasColumns.end; ++cx) {
        const int i = cx - p.g.x;
        const PixelPlace drawn = p.stored(cx, p.canvasRows.first);
        const PixelPlace from =
            StoredPixel(p.turn, int(SampleIndex(i, turnedWidth, p.g.width)), 0, width, height);
        note(!swap, swap ? drawn.y : drawn.x, swap ? from.y : from.x);
    }
    for (int cy = p.canvasRows.first; cy < p.canvasRows.end; ++cy) {
        const int j = cy - p.g.y;
        const PixelPlace drawn = p.stored(p.canvasColumns.first, cy);
        const PixelPlace from =
            StoredPixel(p.turn, 0, int(SampleIndex(j, turnedHeight, p.g.height)), width, height);
        note(swap, swap ? drawn.x : drawn.y, swap ? from.x : from.y);
    }
    if (source.readOnly || reads) {
        std::vector<int> columns;
        for (std::uint32_t offset : columnOffset)
            columns.push_back(int(offset / std::uint32_t(source.components)));
        if (reads) { // the caller tells the decoder, once for all its drawings
            reads->columns.insert(reads->columns.end(), columns.begin(), columns.end());
            reads->rows.insert(reads->rows.end(), sourceRow.begin(), sourceRow.end());
        } else {
            source.readOnly(columns, sourceRow);
        }
    }
    // Converted, the chosen pixels are gathered as decoded and then go through the transform
    // together: only the pixels that show are converted.
    std::vector<std::uint8_t> chosen(source.toSrgb ? columnOffset.size() * 4 : 0);
    return [&source, &p, columnOffset = std::move(columnOffset), sourceRow = std::move(sourceRow),
            chosen](int y, std::uint8_t *out) mutable {
        const std::uint8_t *src = source.row(sourceRow[std::size_t(y - p.rows.first)]);
        if (!src)
            return false;
        if (source.toSrgb) {
            const std::size_t size = std::size_t(source.components);
            std::uint8_t *to = chosen.data();
            for (std::uint32_t offset : columnOffset) {
                std::memcpy(to, src + offset, size);
                to += size;
            }
            source.toSrgb->convert(chosen.data(), out, int(columnOffset.size()));
            return true;
        }
        const PixelLayout layout = source.layout;
        for (std::uint32_t offset : columnOffset) {
            PixelToRgb(out, src + offset, layout);
            out += 3;
        }
        return true;
    };
}

// A decoded row as RGB: the row itself when it is RGB already, else converted into `rgb`
// (to sRGB when the source says so).
const std::uint8_t *rgbRow(const RowSource &source, const std::uint8_t *src, std::uint8_t *rgb) {
    // Converted before filtering, as the photo's colours are meant.
    if (src && source.toSrgb) {
        source.toSrgb->convert(src, rgb, source.width);
        return rgb;
    }
    if (!src || source.layout == PixelLayout::Rgb)
        return src;
    const int step = source.components;
    std::uint8_t *dst = rgb;
    for (int x = source.width; x > 0; --x, src += step, dst += 3)
        PixelToRgb(dst, src, source.layout);
    return rgb;
}

// The filter's axes for drawing `p` from width x height decoded pixels that cover
// extentWidth x extentHeight pixel widths of the picture.
std::pair<SmoothScaler::Axis, SmoothScaler::Axis>
smoothAxes(int width, int height, double extentWidth, double extentHeight, const Plan &p) {
    return {{width, extentWidth, p.storedWidth, p.columns.first, p.columns.end},
            {height, extentHeight, p.storedHeight, p.rows.first, p.rows.end}};
}

// What a smooth drawing reads of its source, for drawings that share one.
struct SmoothReads {
    std::function<int(int y)> through; // how many source rows drawn rows up to y read
    int window = 0;                    // the most source rows one drawn row reads
};

// A Lanczos-3 reduction of the decoded rows (for JPEG, a scaled decode).
RowMaker smoothRows(const RowSource &source, const Plan &p, SmoothReads *reads = nullptr) {
    const auto [across, down] =
        smoothAxes(source.width, source.height, source.extentWidth, source.extentHeight, p);
    auto scaler = std::make_shared<SmoothScaler>(across, down);
    if (reads)
        *reads = {[scaler](int y) { return scaler->inputsThrough(y); },
                  int(SmoothScalerRowsRead(down))};
    auto rgb = std::make_shared<std::vector<std::uint8_t>>(std::size_t(across.inputLength) * 3);
    return [&source, scaler, rgb, width = p.columns.length()](int y, std::uint8_t *out) {
        const std::uint8_t *row = scaler->row(
            y, [&source, &rgb](int n) { return rgbRow(source, source.row(n), rgb->data()); });
        if (!row)
            return false;
        std::memcpy(out, row, std::size_t(width) * 3);
        return true;
    };
}

// The rows of `source` as RGB, the last `*kept` of them held (set before the first row is
// read), so that drawings at different scales can each read them in their own order.
RowSource keptRows(RowSource source, const std::shared_ptr<int> &kept) {
    RowSource rows{source.width,
                   source.height,
                   source.extentWidth,
                   source.extentHeight,
                   PixelLayout::Rgb,
                   3,
                   {},
                   {},
                   nullptr};
    const std::size_t stride = std::size_t(source.width) * 3;
    auto held = std::make_shared<std::vector<std::uint8_t>>();
    auto decoded = std::make_shared<int>(0);
    rows.row = [source = std::move(source), kept, held, decoded,
                stride](int y) -> const std::uint8_t * {
        if (held->empty())
            held->resize(stride * std::size_t(*kept));
        if (y < *decoded - *kept) // no longer held: the drawings' order went wrong
            return nullptr;
        for (; *decoded <= y; ++*decoded) {
            std::uint8_t *slot = held->data() + std::size_t(*decoded % *kept) * stride;
            const std::uint8_t *rgb = rgbRow(source, source.row(*decoded), slot);
            if (!rgb)
                return nullptr;
            if (rgb != slot)
                std::memcpy(slot, rgb, stride);
        }
        return held->data() + std::size_t(y % *kept) * stride;
    };
    return rows;
}

// The fill colour; with four channels a pixel, fully transparent.
std::vector<std::uint8_t> fillRow(int width, TColor fill, std::size_t channels) {
    const TColor rgb = ResolveColor(fill);
    std::vector<std::uint8_t> row(std::size_t(width) * channels);
    for (std::size_t i = 0; i < row.size(); i += channels) {
        row[i] = std::uint8_t(redOf(rgb));
        row[i + 1] = std::uint8_t(greenOf(rgb));
        row[i + 2] = std::uint8_t(blueOf(rgb));
    }
    return row;
}

// Colour and alpha drawn apart and joined into RGBA: the colour was filtered premultiplied
// (laid over black), so it is divided by its alpha again.
RowMaker joinAlpha(RowMaker colour, RowMaker alpha, int width) {
    auto rgb = std::make_shared<std::vector<std::uint8_t>>(std::size_t(width) * 3);
    auto grey = std::make_shared<std::vector<std::uint8_t>>(std::size_t(width) * 3);
    return [colour, alpha, rgb, grey](int y, std::uint8_t *out) {
        if (!colour(y, rgb->data()) || !alpha(y, grey->data()))
            return false;
        for (std::size_t i = 0; i < rgb->size(); i += 3, out += 4) {
            const unsigned a = (*grey)[i];
            for (std::size_t c = 0; c < 3; ++c)
                out[c] =
                    a == 0 ? 0 : std::uint8_t(std::min(255u, ((*rgb)[i + c] * 255 + a / 2) / a));
            out[3] = std::uint8_t(a);
        }
        return true;
    };
}

// Upright pictures: every canvas row straight from one drawn row.
bool drawStraight(const Plan &p, const RowMaker &make, const std::vector<std::uint8_t> &fill,
                  std::size_t channels, RowSink &encoder) {
    std::vector<std::uint8_t> line = fill;
    for (int cy = 0; cy < p.g.canvasHeight; ++cy) {
        const std::uint8_t *out = fill.data();
        if (cy >= p.canvasRows.first && cy < p.canvasRows.end && p.columns.length() > 0) {
            if (!make(cy - p.g.y, line.data() + std::size_t(p.canvasColumns.first) * channels))
                return false;
            out = line.data();
        }
        if (!encoder.writeRow(out))
            return false;
    }
    return true;
}

// Turned pictures: the drawn rows are gathered first, then read in the turned order.
bool drawTurned(const Plan &p, const RowMaker &make, const std::vector<std::uint8_t> &fill,
                std::size_t channels, RowSink &encoder) {
    const std::size_t stride = std::size_t(p.columns.length()) * channels;
    std::vector<std::uint8_t> drawn(stride * std::size_t(p.rows.length()));
    for (int y = p.rows.first; y < p.rows.end; ++y)
        if (!make(y, drawn.data() + std::size_t(y - p.rows.first) * stride))
            return false;
    std::vector<std::uint8_t> line = fill;
    for (int cy = 0; cy < p.g.canvasHeight; ++cy) {
        const std::uint8_t *out = fill.data();
        if (cy >= p.canvasRows.first && cy < p.canvasRows.end && !drawn.empty()) {
            for (int cx = p.canvasColumns.first; cx < p.canvasColumns.end; ++cx) {
                const PixelPlace s = p.stored(cx, cy);
                std::memcpy(line.data() + std::size_t(cx) * channels,
                            drawn.data() + std::size_t(s.y - p.rows.first) * stride +
                                std::size_t(s.x - p.columns.first) * channels,
                            channels);
            }
            out = line.data();
        }
        if (!encoder.writeRow(out))
            return false;
    }
    return true;
}

// Makes the drawn rows of a plan, and sets how many source rows, from the first, drawn rows
// up to y read.
using StepMaker = std::function<RowMaker(const Plan &, std::function<int(int y)> &through)>;

// One canvas drawn in steps, each reading source rows only forward, so that one pass of the
// decoder serves several canvases. The steps are those of drawStraight and drawTurned, so the
// canvas comes out the same.
class SteppedDrawing {
public:
    SteppedDrawing(const ThumbnailGeometry &g, const DrawSettings &settings, RowSink &sink,
                   const StepMaker &maker)
        : p_(g, settings.turn), make_(maker(p_, through_)),
          fill_(fillRow(g.canvasWidth, settings.fill, 3)), line_(fill_), sink_(sink),
          turned_(settings.turn != Orientation::Normal), y_(p_.rows.first) {
        if (turned_) {
            stride_ = std::size_t(p_.columns.length()) * 3;
            drawn_.resize(stride_ * std::size_t(p_.rows.length()));
        }
    }

    bool done() const { return cy_ >= p_.g.canvasHeight; }

    // The last source row the next step reads; -1 when it reads none.
    int nextSourceRow() const {
        if (turned_)
            return y_ < p_.rows.end ? rowOf(y_) : -1;
        return showsPicture() ? rowOf(cy_ - p_.g.y) : -1;
    }

    bool step() {
        if (turned_ && y_ < p_.rows.end) {
            const bool made = make_(y_, drawn_.data() + std::size_t(y_ - p_.rows.first) * stride_);
            ++y_;
            return made;
        }
        if (turned_) { // the gathered rows need no more decoding: every canvas row at once
            for (; cy_ < p_.g.canvasHeight; ++cy_)
                if (!sink_.writeRow(turnedRow()))
                    return false;
            return true;
        }
        const std::uint8_t *out = fill_.data();
        if (showsPicture()) {
            if (!make_(cy_ - p_.g.y, line_.data() + std::size_t(p_.canvasColumns.first) * 3))
                return false;
            out = line_.data();
        }
        ++cy_;
        return sink_.writeRow(out);
    }

private:
    int rowOf(int y) const { return through_(y) - 1; }

    bool showsPicture() const {
        return cy_ >= p_.canvasRows.first && cy_ < p_.canvasRows.end && p_.columns.length() > 0;
    }

    const std::uint8_t *turnedRow() {
        if (cy_ < p_.canvasRows.first || cy_ >= p_.canvasRows.end || drawn_.empty())
            return fill_.data();
        for (int cx = p_.canvasColumns.first; cx < p_.canvasColumns.end; ++cx) {
            const PixelPlace s = p_.stored(cx, cy_);
            std::memcpy(line_.data() + std::size_t(cx) * 3,
                        drawn_.data() + std::size_t(s.y - p_.rows.first) * stride_ +
                            std::size_t(s.x - p_.columns.first) * 3,
                        3);
        }
        return line_.data();
    }

    const Plan p_;
    std::function<int(int)> through_;
    const RowMaker make_;
    const std::vector<std::uint8_t> fill_;
    std::vector<std::uint8_t> line_;
    RowSink &sink_;
    const bool turned_;
    int y_;      // the next drawn row to gather (turned pictures)
    int cy_ = 0; // the next canvas row to write
    std::size_t stride_ = 0;
    std::vector<std::uint8_t> drawn_;
};

} // namespace

namespace {

std::uint64_t turnedMemory(const Plan &p, const DrawSettings &settings) {
    if (settings.turn == Orientation::Normal)
        return 0;
    return std::uint64_t(p.columns.length()) * std::uint64_t(p.rows.length()) * 3;
}

// What smoothRows holds for drawing `p` from width x height decoded pixels: the filter, and a
// decoded row turned into RGB.
std::uint64_t smoothMemory(int width, int height, double extentWidth, double extentHeight,
                           const Plan &p) {
    const auto [across, down] = smoothAxes(width, height, extentWidth, extentHeight, p);
    return SmoothScalerMemory(across, down) + std::uint64_t(width) * 3;
}

} // namespace

std::uint64_t DrawingMemory(int width, int height, bool scaledDecode, const ThumbnailGeometry &g,
                            const DrawSettings &settings) {
    const Plan p(g, settings.turn);
    std::uint64_t bytes = turnedMemory(p, settings);
    if (settings.smooth) {
        // The axes smoothRows builds, from the size libjpeg gives a scaled decode; other
        // decoders may deliver the whole picture.
        const int eighths =
            scaledDecode ? SmoothDecodeEighths(width, height, p.storedWidth, p.storedHeight) : 8;
        const auto scaled = [eighths](int side) {
            return int((std::int64_t(side) * eighths + 7) / 8);
        };
        bytes += smoothMemory(scaled(width), scaled(height), width * eighths / 8.0,
                              height * eighths / 8.0, p);
    }
    return bytes;
}

std::uint64_t DrawingsMemory(int width, int height, std::span<const ThumbnailGeometry> geometries,
                             const DrawSettings &settings) {
    std::uint64_t bytes = 0;
    if (!settings.smooth) {
        for (const ThumbnailGeometry &g : geometries)
            bytes += DrawingMemory(width, height, true, g, settings);
        return bytes;
    }
    const SharedDecode shared(width, height, geometries, settings.turn);
    std::uint64_t kept = 1;
    for (std::size_t i = 0; i < geometries.size(); ++i) {
        const Plan p(geometries[i], settings.turn);
        const int k = shared.boxes[i];
        const int w = (shared.width + k - 1) / k, h = (shared.height + k - 1) / k;
        const double extentWidth = shared.extentWidth / k, extentHeight = shared.extentHeight / k;
        bytes += turnedMemory(p, settings) + smoothMemory(w, h, extentWidth, extentHeight, p);
        if (k > 1) // boxShrunk's sums and row
            bytes += std::uint64_t(w) * 3 * (sizeof(std::uint32_t) + 1);
        const std::uint64_t read =
            SmoothScalerRowsRead(smoothAxes(w, h, extentWidth, extentHeight, p).second);
        kept = std::max(kept, std::uint64_t(k) * (read + 1));
    }
    return bytes + kept * std::uint64_t(shared.width) * 3;
}

namespace {

RowMaker rowsOf(const RowSource &source, const Plan &p, const DrawSettings &settings) {
    return settings.smooth ? smoothRows(source, p) : exactRows(source, p);
}

bool drawMade(const Plan &p, const RowMaker &make, const DrawSettings &settings,
              std::size_t channels, RowSink &encoder) {
    const std::vector<std::uint8_t> fill = fillRow(p.g.canvasWidth, settings.fill, channels);
    return settings.turn == Orientation::Normal ? drawStraight(p, make, fill, channels, encoder)
                                                : drawTurned(p, make, fill, channels, encoder);
}

bool drawRows(const RowSource &source, const Plan &p, const DrawSettings &settings,
              RowSink &encoder) {
    return drawMade(p, rowsOf(source, p, settings), settings, 3, encoder);
}

} // namespace

bool DrawPicture(JpegDecoder &decoder, const ThumbnailGeometry &g, const DrawSettings &settings,
                 RowSink &encoder) {
    const Plan p(g, settings.turn);
    if (!settings.smooth)
        return decoder.start() &&
               drawRows(jpegRows(decoder, decoder.width(), decoder.height(), settings.toSrgb), p,
                        settings, encoder);
    const int eighths =
        SmoothDecodeEighths(decoder.width(), decoder.height(), p.storedWidth, p.storedHeight);
    // The eighth-size picture from the DC coefficients, read without libjpeg's full entropy
    // decode; its rows are RGB, so a conversion to sRGB takes libjpeg's route.
    if (eighths == 1 && !settings.toSrgb && DcScan::Suits(decoder)) {
        DcScan scan(decoder);
        return drawRows(dcRows(scan, decoder), p, settings, encoder);
    }
    return decoder.startScaled(eighths) &&
           drawRows(jpegRows(decoder, decoder.width() * eighths / 8.0,
                             decoder.height() * eighths / 8.0, settings.toSrgb),
                    p, settings, encoder);
}

bool DrawDecodedPicture(ImageDecoder &decoder, const ThumbnailGeometry &g,
                        const DrawSettings &settings, RowSink &encoder) {
    const Plan p(g, settings.turn);
    // A smooth reduction may start from a smaller picture that keeps twice the detail.
    const bool started =
        settings.smooth ? decoder.start(2 * p.storedWidth, 2 * p.storedHeight) : decoder.start();
    if (!started)
        return false;
    // Exact sampling is defined on the full picture.
    if (!settings.smooth && (decoder.outputWidth() != decoder.header().width ||
                             decoder.outputHeight() != decoder.header().height))
        return false;
    // Smooth: first averaged k x k, as a scaled JPEG decode would be.
    const int k = settings.smooth ? boxFactor(decoder.outputWidth(), decoder.outputHeight(), p) : 1;
    const auto shrunk = [k](RowSource rows) {
        return k > 1 ? boxShrunk(std::move(rows), k) : rows;
    };
    const SrgbTransform *toSrgb = transformFor(decoder, settings.toSrgb);
    if (!settings.keepAlpha || (toSrgb ? toSrgb->outputChannels() : decoder.channels()) != 4)
        return drawRows(shrunk(decodedRows(decoder, settings.fill, settings.toSrgb)), p, settings,
                        encoder);
    auto queue = std::make_shared<AlphaQueue>();
    const RowSource colour = decodedRows(decoder, clBlack, settings.toSrgb, queue);
    RowSource alpha = colour;
    std::vector<std::uint8_t> taken;
    alpha.row = [queue, &taken](int) -> const std::uint8_t * {
        if (queue->empty())
            return nullptr;
        taken = std::move(queue->front());
        queue->pop_front();
        return taken.data();
    };
    alpha.readOnly = nullptr;
    const RowSource colourRows = shrunk(colour), alphaRows = shrunk(alpha);
    const RowMaker make = joinAlpha(rowsOf(colourRows, p, settings), rowsOf(alphaRows, p, settings),
                                    p.columns.length());
    return drawMade(p, make, settings, 4, encoder);
}

namespace {

// Always the drawing whose next step reads the lowest row: the decoder only moves forward
// and decodes each source row once for all canvases.
bool stepInTurn(const std::vector<std::unique_ptr<SteppedDrawing>> &drawings) {
    for (;;) {
        SteppedDrawing *next = nullptr;
        for (const auto &d : drawings)
            if (!d->done() && (!next || d->nextSourceRow() < next->nextSourceRow()))
                next = d.get();
        if (!next)
            return true;
        if (!next->step())
            return false;
    }
}

// Exact canvases over one source, each reading only the rows it samples; `reads` gathers
// the columns and rows they read, and must outlive the drawings.
void addExactDrawings(const RowSource &source, std::span<const ThumbnailGeometry> geometries,
                      const DrawSettings &settings, std::span<RowSink *const> sinks,
                      ExactReads &reads, std::vector<std::unique_ptr<SteppedDrawing>> &drawings) {
    for (std::size_t i = 0; i < geometries.size(); ++i)
        drawings.push_back(std::make_unique<SteppedDrawing>(
            geometries[i], settings, *sinks[i],
            [&source, &reads](const Plan &p, std::function<int(int)> &through) {
                const std::size_t first = reads.rows.size();
                RowMaker make = exactRows(source, p, &reads);
                through = [&reads, first, top = p.rows.first](int y) {
                    return reads.rows[first + std::size_t(y - top)] + 1;
                };
                return make;
            }));
}

// A smooth canvas over `source`, the shared decode (`height` rows) averaged k x k; `kept`
// grows to the shared rows its filter holds at once. The drawing that reads lowest steps
// next, so no other is further ahead than the rows one drawn row reads.
std::unique_ptr<SteppedDrawing> smoothDrawing(const RowSource &source, int k, int height, int &kept,
                                              const ThumbnailGeometry &g,
                                              const DrawSettings &settings, RowSink &sink) {
    return std::make_unique<SteppedDrawing>(
        g, settings, sink,
        [&source, k, &kept, height](const Plan &p, std::function<int(int)> &through) {
            SmoothReads reads;
            RowMaker make = smoothRows(source, p, &reads);
            through = [reads, k, height](int y) { return std::min(height, k * reads.through(y)); };
            kept = std::max(kept, k * (reads.window + 1));
            return make;
        });
}

// Smooth canvases from one decode at the largest scale any of them needs, each drawn as
// DrawPicture draws it alone when that is its own scale; one that needs less detail has the
// decode averaged k x k first, as DrawDecodedPicture does with other formats.
bool drawSmoothPictures(JpegDecoder &decoder, std::span<const ThumbnailGeometry> geometries,
                        const DrawSettings &settings, std::span<RowSink *const> sinks) {
    const SharedDecode shared(decoder.width(), decoder.height(), geometries, settings.turn);
    std::unique_ptr<DcScan> scan;
    RowSource decoded;
    if (shared.eighths == 1 && !settings.toSrgb && DcScan::Suits(decoder)) {
        scan = std::make_unique<DcScan>(decoder);
        decoded = dcRows(*scan, decoder);
    } else {
        if (!decoder.startScaled(shared.eighths))
            return false;
        decoded = jpegRows(decoder, shared.extentWidth, shared.extentHeight, settings.toSrgb);
    }
    auto kept = std::make_shared<int>(1);
    const RowSource rows = keptRows(std::move(decoded), kept);
    std::deque<RowSource> shrunk; // what the drawings read, kept in place
    std::vector<std::unique_ptr<SteppedDrawing>> drawings;
    for (std::size_t i = 0; i < geometries.size(); ++i) {
        const int k = shared.boxes[i];
        const RowSource &source = k > 1 ? shrunk.emplace_back(boxShrunk(rows, k)) : rows;
        drawings.push_back(
            smoothDrawing(source, k, rows.height, *kept, geometries[i], settings, *sinks[i]));
    }
    return stepInTurn(drawings);
}

} // namespace

bool DrawPictures(JpegDecoder &decoder, std::span<const ThumbnailGeometry> geometries,
                  const DrawSettings &settings, std::span<RowSink *const> sinks) {
    if (settings.smooth)
        return drawSmoothPictures(decoder, geometries, settings, sinks);
    if (!decoder.start())
        return false;
    RowSource source = jpegRows(decoder, decoder.width(), decoder.height(), settings.toSrgb);
    const auto readOnly = std::move(source.readOnly);
    source.readOnly = {};
    ExactReads reads;
    std::vector<std::unique_ptr<SteppedDrawing>> drawings;
    addExactDrawings(source, geometries, settings, sinks, reads, drawings);
    // The decoder may spare only the blocks that no canvas reads.
    if (readOnly)
        readOnly(reads.columns, reads.rows);
    return stepInTurn(drawings);
}

bool DrawDecodedPictures(ImageDecoder &decoder, std::span<const ThumbnailGeometry> geometries,
                         const DrawSettings &settings, std::span<RowSink *const> sinks) {
    int coverWidth = 0, coverHeight = 0;
    for (const ThumbnailGeometry &g : geometries) {
        const Plan p(g, settings.turn);
        coverWidth = std::max(coverWidth, 2 * p.storedWidth);
        coverHeight = std::max(coverHeight, 2 * p.storedHeight);
    }
    if (!(settings.smooth ? decoder.start(coverWidth, coverHeight) : decoder.start()))
        return false;
    if (!settings.smooth && (decoder.outputWidth() != decoder.header().width ||
                             decoder.outputHeight() != decoder.header().height))
        return false;
    // Held while the drawings read at different depths: each decoded row is read once.
    auto kept = std::make_shared<int>(1);
    const RowSource rows = keptRows(decodedRows(decoder, settings.fill, settings.toSrgb), kept);
    std::vector<std::unique_ptr<SteppedDrawing>> drawings;
    ExactReads reads;
    if (!settings.smooth)
        addExactDrawings(rows, geometries, settings, sinks, reads, drawings);
    std::deque<RowSource> shrunk;
    for (std::size_t i = 0; settings.smooth && i < geometries.size(); ++i) {
        // As DrawDecodedPicture reduces for this canvas alone from the same decode.
        const int k = boxFactor(rows.width, rows.height, Plan(geometries[i], settings.turn));
        const RowSource &source = k > 1 ? shrunk.emplace_back(boxShrunk(rows, k)) : rows;
        drawings.push_back(
            smoothDrawing(source, k, rows.height, *kept, geometries[i], settings, *sinks[i]));
    }
    return stepInTurn(drawings);
}
