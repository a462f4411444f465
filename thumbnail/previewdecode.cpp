#include "previewdecode.h"

#include "exiforientation.h"
#include "jpegcodec.h"
#include "regularfile.h"

#include <algorithm>
#include <unistd.h>

namespace {

// Everything the trapped steps touch, in plain memory: no destructors between setjmp and
// libjpeg's longjmp.
struct PreviewJob {
    jpeg_decompress_struct cinfo;
    JpegErrorTrap trap;
    FILE *file;
    bool upright;
    PixelSize shown; // in stored orientation
    PixelLayout layout;
    std::uint8_t *row;       // one scaled row as libjpeg delivers it
    std::uint32_t *sums;     // per shown column and channel, for the shown row being built
    const int *columnOf;     // the shown column of each scaled column
    const int *rowsPerShown; // how many scaled rows fall into each shown row
    const int *colsPerShown; // how many scaled columns fall into each shown column
    std::uint8_t *out;       // the result
};

void stepCreate(PreviewJob *job) {
    jpeg_create_decompress(&job->cinfo);
    job->cinfo.mem->max_memory_to_use = long(kDefaultDecoderMemory);
    jpeg_stdio_src(&job->cinfo, job->file);
    if (job->upright)
        jpeg_save_markers(&job->cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&job->cinfo, TRUE);
}

void stepChooseScale(PreviewJob *job) {
    jpeg_decompress_struct &c = job->cinfo;
    c.scale_num =
        unsigned(PreviewScaleEighths({int(c.image_width), int(c.image_height)}, job->shown));
    c.scale_denom = 8;
    jpeg_calc_output_dimensions(&c);
}

void stepStart(PreviewJob *job) {
    jpeg_start_decompress(&job->cinfo);
}

// Reads every scaled row and averages each box of them into the shown pixel it covers.
void stepReadRows(PreviewJob *job) {
    jpeg_decompress_struct &c = job->cinfo;
    const int scaledW = int(c.output_width);
    const int scaledH = int(c.output_height);
    const int shownW = job->shown.width;
    const int shownH = job->shown.height;
    const int n = c.output_components;
    JSAMPROW row = job->row;
    int shownRow = 0;
    for (int y = 0; y < scaledH; ++y) {
        if (jpeg_read_scanlines(&c, &row, 1) != 1)
            ERREXIT(&c, JERR_FILE_READ);
        for (int x = 0; x < scaledW; ++x) {
            std::uint8_t rgb[3];
            PixelToRgb(rgb, job->row + x * n, job->layout);
            std::uint32_t *sum = job->sums + job->columnOf[x] * 3;
            sum[0] += rgb[0];
            sum[1] += rgb[1];
            sum[2] += rgb[2];
        }
        if (int(std::int64_t(y + 1) * shownH / scaledH) == shownRow)
            continue;
        std::uint8_t *out = job->out + std::size_t(shownRow) * std::size_t(shownW) * 3;
        for (int x = 0; x < shownW; ++x) {
            const std::uint32_t count =
                std::uint32_t(job->colsPerShown[x]) * std::uint32_t(job->rowsPerShown[shownRow]);
            for (int ch = 0; ch < 3; ++ch) {
                std::uint32_t &sum = job->sums[x * 3 + ch];
                out[x * 3 + ch] = std::uint8_t((sum + count / 2) / count);
                sum = 0;
            }
        }
        ++shownRow;
    }
}

void stepFinish(PreviewJob *job) {
    jpeg_finish_decompress(&job->cinfo);
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

Orientation orientationOf(const jpeg_decompress_struct &cinfo) {
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m != nullptr; m = m->next)
        if (m->marker == JPEG_APP0 + 1) {
            const Orientation o = ExifOrientation({m->data, m->data_length});
            if (o != Orientation::Normal)
                return o;
        }
    return Orientation::Normal;
}

PixelSize swapped(PixelSize size, bool swap) {
    return swap ? PixelSize{size.height, size.width} : size;
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
            out[dst] = stored[src];
            out[dst + 1] = stored[src + 1];
            out[dst + 2] = stored[src + 2];
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

int PreviewScaleEighths(PixelSize source, PixelSize shown) {
    // libjpeg rounds a scaled side up: ceil(side * eighths / 8).
    const auto covers = [](int side, int eighths, int wanted) {
        return (std::int64_t(side) * eighths + 7) / 8 >= wanted;
    };
    for (int eighths = 1; eighths < 8; ++eighths)
        if (covers(source.width, eighths, shown.width) &&
            covers(source.height, eighths, shown.height))
            return eighths;
    return 8;
}

std::optional<PreviewPicture> DecodePreview(const std::string &path, PixelSize box, bool upright) {
    int error = 0;
    const int fd = OpenRegularFile(path, error);
    if (fd < 0)
        return std::nullopt;
    FILE *file = fdopen(fd, "rb");
    if (file == nullptr) {
        close(fd);
        return std::nullopt;
    }

    PreviewJob job{};
    job.file = file;
    job.upright = upright;
    armTrap(job.trap);
    job.cinfo.err = &job.trap.manager;
    PreviewPicture picture;
    std::vector<std::uint8_t> row;
    std::vector<std::uint32_t> sums;
    std::vector<int> columnOf, rowsPerShown, colsPerShown;
    Orientation orientation = Orientation::Normal;

    bool ok = runTrapped(job.trap, stepCreate, &job) && box.width > 0 && box.height > 0;
    if (ok) {
        if (upright)
            orientation = orientationOf(job.cinfo);
        const bool swap = SwapsAxes(orientation);
        picture.source = swapped({int(job.cinfo.image_width), int(job.cinfo.image_height)}, swap);
        picture.size = FitInBox(picture.source, box);
        job.shown = swapped(picture.size, swap);
        ok = runTrapped(job.trap, stepChooseScale, &job) && LayoutOf(job.cinfo, job.layout);
    }
    if (ok) {
        const int scaledW = int(job.cinfo.output_width);
        const int scaledH = int(job.cinfo.output_height);
        row.resize(std::size_t(scaledW) * std::size_t(job.cinfo.out_color_components));
        sums.assign(std::size_t(job.shown.width) * 3, 0);
        colsPerShown = cellCounts(scaledW, job.shown.width, &columnOf);
        rowsPerShown = cellCounts(scaledH, job.shown.height);
        picture.rgb.resize(std::size_t(job.shown.width) * std::size_t(job.shown.height) * 3);
        job.row = row.data();
        job.sums = sums.data();
        job.columnOf = columnOf.data();
        job.rowsPerShown = rowsPerShown.data();
        job.colsPerShown = colsPerShown.data();
        job.out = picture.rgb.data();
        ok = runTrapped(job.trap, stepStart, &job) && runTrapped(job.trap, stepReadRows, &job) &&
             runTrapped(job.trap, stepFinish, &job) && !job.trap.endedEarly;
    }
    if (job.cinfo.mem)
        jpeg_destroy_decompress(&job.cinfo);
    fclose(file);
    if (!ok)
        return std::nullopt;
    if (orientation != Orientation::Normal)
        picture.rgb = turned(picture.rgb, job.shown, orientation);
    return picture;
}
