#include "jpegcodec.h"

#include "rgbquantiser.h"

// The inverse DCT table, so readOnly can leave blocks out.
#include <jpegint.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <istream>
#include <limits>

namespace {

// The layout libjpeg delivers for the header's output colour space; false for one we cannot
// turn into RGB.
bool layoutOf(const jpeg_decompress_struct &cinfo, PixelLayout &layout) {
    switch (cinfo.out_color_space) {
    case JCS_GRAYSCALE:
        layout = PixelLayout::Grey;
        return true;
    case JCS_RGB:
        layout = PixelLayout::Rgb;
        return true;
    case JCS_CMYK:
        // Adobe writes CMYK (and YCCK) inverted: 255 means no ink.
        layout = cinfo.saw_Adobe_marker ? PixelLayout::AdobeCmyk : PixelLayout::Cmyk;
        return true;
    default:
        return false;
    }
}

} // namespace

// ---- reading from a std::istream in chunks -------------------------------------------------

struct JpegDecoder::Source {
    jpeg_source_mgr manager;
    std::istream *in;
    JOCTET *buffer;
    std::size_t capacity;
    bool startOfFile;

    static Source *of(j_decompress_ptr cinfo) { return reinterpret_cast<Source *>(cinfo->src); }

    static void init(j_decompress_ptr cinfo) { of(cinfo)->startOfFile = true; }

    static boolean fill(j_decompress_ptr cinfo) {
        Source *s = of(cinfo);
        std::streamsize n = 0;
        bool readFailed = false;
        try {
            s->in->read(reinterpret_cast<char *>(s->buffer), std::streamsize(s->capacity));
            n = s->in->gcount();
        } catch (...) {
            readFailed = true;
        }
        // Raised only after the handler above has ended, so no exception is alive.
        if (readFailed)
            ERREXIT(cinfo, JERR_FILE_READ);
        if (n <= 0) {
            if (s->startOfFile)
                ERREXIT(cinfo, JERR_INPUT_EMPTY);
            WARNMS(cinfo, JWRN_JPEG_EOF);
            // A missing tail reads as the end of the picture.
            s->buffer[0] = 0xFF;
            s->buffer[1] = JPEG_EOI;
            n = 2;
        }
        s->manager.next_input_byte = s->buffer;
        s->manager.bytes_in_buffer = std::size_t(n);
        s->startOfFile = false;
        return TRUE;
    }

    static void skip(j_decompress_ptr cinfo, long count) {
        Source *s = of(cinfo);
        while (count > 0) {
            if (std::size_t(count) <= s->manager.bytes_in_buffer) {
                s->manager.next_input_byte += count;
                s->manager.bytes_in_buffer -= std::size_t(count);
                return;
            }
            count -= long(s->manager.bytes_in_buffer);
            s->manager.bytes_in_buffer = 0;
            fill(cinfo);
        }
    }

    static void term(j_decompress_ptr) {}
};

namespace {

void limitScans(j_common_ptr common) {
    auto *cinfo = reinterpret_cast<j_decompress_ptr>(common);
    if (cinfo->input_scan_number > kMaxScans)
        ERREXIT(cinfo, JERR_BAD_PROGRESSION);
}

// Step functions: plain code on raw state, called under the trap.
void stepReadHeader(JpegDecoder *d) {
    if (d->keepExif_)
        jpeg_save_markers(&d->cinfo_, JPEG_APP0 + 1, 0xFFFF);
    if (d->keepProfile_)
        jpeg_save_markers(&d->cinfo_, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&d->cinfo_, TRUE);
}

// The profile's pieces, put together by libjpeg into one malloc'd block.
struct ProfileRead {
    JpegDecoder *decoder;
    JOCTET *data;
    unsigned int length;
};

void stepReadProfile(ProfileRead *r) {
    if (!jpeg_read_icc_profile(&r->decoder->cinfo_, &r->data, &r->length)) {
        r->data = nullptr;
        r->length = 0;
    }
}

void stepStart(JpegDecoder *d) {
    jpeg_start_decompress(&d->cinfo_);
}

void stepReadRow(JpegDecoder *d) {
    JSAMPROW row = d->decoded_.data();
    while (jpeg_read_scanlines(&d->cinfo_, &row, 1) != 1) {
        // A suspending source never happens with our reader; guard against a stall anyway.
        if (++d->stepCount_ > 16)
            ERREXIT(&d->cinfo_, JERR_FILE_READ);
    }
}

void stepReadRawRows(JpegDecoder *d) {
    JSAMPARRAY rows = d->rawRows_.data();
    // Our source never suspends, so nothing read means a stall.
    if (jpeg_read_raw_data(&d->cinfo_, &rows, JDIMENSION(d->rawRows_.size())) == 0)
        ERREXIT(&d->cinfo_, JERR_FILE_READ);
}

void stepSkipRows(JpegDecoder *d) {
    jpeg_skip_scanlines(&d->cinfo_, d->stepCount_);
}

void stepFinish(JpegDecoder *d) {
    jpeg_finish_decompress(&d->cinfo_);
}

} // namespace

JpegDecoder::JpegDecoder(std::istream &source) : in_(source), inputBuffer_(64 * 1024) {
    armTrap(trap_);
    cinfo_.err = &trap_.manager;
    if (!runTrapped<jpeg_decompress_struct>(
            trap_, [](jpeg_decompress_struct *c) { jpeg_create_decompress(c); }, &cinfo_)) {
        failed_ = true;
        return;
    }
    cinfo_.mem->max_memory_to_use = long(kDefaultDecoderMemory);
    progress_.progress_monitor = limitScans;
    cinfo_.progress = &progress_;

    auto *src = static_cast<Source *>((*cinfo_.mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(&cinfo_), JPOOL_PERMANENT, sizeof(Source)));
    src->manager.init_source = Source::init;
    src->manager.fill_input_buffer = Source::fill;
    src->manager.skip_input_data = Source::skip;
    src->manager.resync_to_restart = jpeg_resync_to_restart;
    src->manager.term_source = Source::term;
    src->manager.bytes_in_buffer = 0;
    src->manager.next_input_byte = nullptr;
    src->in = &in_;
    src->buffer = inputBuffer_.data();
    src->capacity = inputBuffer_.size();
    src->startOfFile = true;
    cinfo_.src = &src->manager;
}

JpegDecoder::~JpegDecoder() {
    if (cinfo_.mem)
        jpeg_destroy_decompress(&cinfo_);
}

bool JpegDecoder::run(void (*step)(JpegDecoder *)) {
    if (failed_)
        return false;
    failed_ = !runTrapped(trap_, step, this);
    if (failed_) {
        // Going beyond max_memory_to_use asks for a backing store, which we never offer.
        const int code = trap_.manager.msg_code;
        tooLarge_ = code == JERR_NO_BACKING_STORE || code == JERR_OUT_OF_MEMORY;
    }
    return !failed_;
}

bool JpegDecoder::refuse(const char *why) {
    failed_ = true;
    std::snprintf(trap_.message, sizeof trap_.message, "%s", why);
    return false;
}

bool JpegDecoder::readHeader() {
    if (!run(stepReadHeader))
        return false;
    progressive_ = jpeg_has_multiple_scans(&cinfo_);
    // What the rows will hold, for a colour transform chosen before decoding; begin()
    // refuses a colour space without a layout.
    layoutOf(cinfo_, layout_);
    return true;
}

Orientation JpegDecoder::orientation() const {
    for (jpeg_saved_marker_ptr m = cinfo_.marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 1) {
            const Orientation o = ExifOrientation({m->data, m->data_length});
            if (o != Orientation::Normal)
                return o;
        }
    return Orientation::Normal;
}

std::vector<std::uint8_t> JpegDecoder::iccProfile() {
    std::vector<std::uint8_t> profile;
    ProfileRead read{this, nullptr, 0};
    if (!failed_)
        failed_ = !runTrapped(trap_, stepReadProfile, &read);
    if (!failed_ && read.data)
        profile.assign(read.data, read.data + read.length);
    std::free(read.data);
    return profile;
}

std::uint64_t JpegDecoder::memoryNeed() const {
    const std::uint64_t width = cinfo_.image_width;
    int maxV = 1;
    std::uint64_t coefficients = 0;
    for (int c = 0; c < cinfo_.num_components; ++c) {
        const jpeg_component_info &comp = cinfo_.comp_info[c];
        maxV = std::max(maxV, comp.v_samp_factor);
        const auto roundUp = [](std::uint64_t n, int to) {
            return (n + unsigned(to) - 1) / unsigned(to) * unsigned(to);
        };
        coefficients += roundUp(comp.width_in_blocks, comp.h_samp_factor) *
                        roundUp(comp.height_in_blocks, comp.v_samp_factor) * sizeof(JBLOCK);
    }
    // Rows of every component for one MCU row, twice over for context and upsampling, plus
    // the delivered and dithered rows; the library's own tables and our input buffer fit in
    // the slack, which stays well below the smallest limit a user may set (1 MiB).
    const std::uint64_t rows = width * std::uint64_t(std::max(cinfo_.num_components, 3)) *
                               std::uint64_t(maxV) * DCTSIZE * 4;
    return (progressive_ ? coefficients : 0) + rows + 256 * 1024;
}

void JpegDecoder::setMemoryLimit(std::uint64_t bytes) {
    if (cinfo_.mem)
        cinfo_.mem->max_memory_to_use = long(std::min<std::uint64_t>(bytes, LONG_MAX));
}

bool JpegDecoder::start() {
    return begin(8, true);
}

int EighthsCovering(int width, int height, std::int64_t coverWidth, std::int64_t coverHeight) {
    const auto scaled = [](int side, int eighths) {
        return (std::int64_t(side) * eighths + 7) / 8; // libjpeg rounds a scaled side up
    };
    for (int eighths = 1; eighths < 8; ++eighths)
        if (scaled(width, eighths) >= coverWidth && scaled(height, eighths) >= coverHeight)
            return eighths;
    return 8;
}

bool JpegDecoder::startScaled(int eighths) {
    return begin(eighths, false);
}

bool JpegDecoder::begin(int eighths, bool dither) {
    if (failed_)
        return false;
    cinfo_.scale_num = unsigned(eighths);
    cinfo_.scale_denom = 8;
    cinfo_.do_block_smoothing = TRUE;
    cinfo_.buffered_image = FALSE;
    // Grey is quantised to 236 levels with Floyd-Steinberg dithering; GreyDither gives
    // libjpeg's own results at a fraction of the cost, so libjpeg delivers plain grey.
    if (!layoutOf(cinfo_, layout_))
        return refuse("Unsupported output colour space");
    // A grey photo's samples come out of the inverse DCT as they are: taken raw, a block row
    // at a time, they skip libjpeg's copy of each row, and the dithering works through rows
    // while its tables are still in the cache.
    const bool raw = dither && layout_ == PixelLayout::Grey && cinfo_.num_components == 1 &&
                     cinfo_.jpeg_color_space == JCS_GRAYSCALE;
    cinfo_.raw_data_out = raw ? TRUE : FALSE;
    if (!run(stepStart))
        return false;
    const int expected = layout_ == PixelLayout::Grey ? 1 : layout_ == PixelLayout::Rgb ? 3 : 4;
    if (cinfo_.output_components != expected)
        return refuse("Unexpected number of colour components");
    // Dithering carries error from row to row, so the dithered grey path reads every row.
    canSkip_ = !dither || layout_ != PixelLayout::Grey;
    decoded_.resize(std::size_t(cinfo_.output_width) * std::size_t(cinfo_.output_components));
    if (dither && layout_ == PixelLayout::Grey) {
        dither_ = std::make_unique<GreyDither>(int(cinfo_.output_width));
        dithered_.resize(cinfo_.output_width);
    }
    if (raw) {
        // One call delivers the block rows of an iMCU row, each block whole.
        const jpeg_component_info &comp = cinfo_.comp_info[0];
        const std::size_t width =
            std::size_t(comp.width_in_blocks) * std::size_t(comp.DCT_scaled_size);
        const std::size_t rows =
            std::size_t(cinfo_.max_v_samp_factor) * std::size_t(cinfo_.min_DCT_scaled_size);
        decoded_.assign(width * rows, 0);
        rawRows_.resize(rows);
        for (std::size_t r = 0; r < rows; ++r)
            rawRows_[r] = decoded_.data() + r * width;
        rawNext_ = rows;
    }
    return true;
}

namespace {

// Stands in for the inverse DCT of each component: blocks no read pixel depends on are left
// as they are.
void filteredIdct(j_decompress_ptr cinfo, jpeg_component_info *comp, JCOEFPTR coefficients,
                  JSAMPARRAY output, JDIMENSION column) {
    auto &f = *static_cast<JpegDecoder::BlockFilter *>(cinfo->client_data);
    const int c = comp->component_index;
    if (!f.rows[c].empty()) {
        // The library fills an iMCU row's blocks top row first, so the first output row it
        // names in a new iMCU row is that row's top.
        if (f.iMCURow[c] != cinfo->output_iMCU_row) {
            f.iMCURow[c] = cinfo->output_iMCU_row;
            f.firstRow[c] = output;
        }
        const std::size_t row =
            std::size_t(cinfo->output_iMCU_row) * std::size_t(comp->v_samp_factor) +
            std::size_t(output - f.firstRow[c]) / DCTSIZE;
        if (row >= f.rows[c].size() || !f.rows[c][row])
            return;
    }
    const std::size_t block = column / DCTSIZE;
    if (block < f.columns[c].size() && f.columns[c][block])
        f.original[c](cinfo, comp, coefficients, output, column);
}

} // namespace

void JpegDecoder::readOnly(const std::vector<int> &columns, const std::vector<int> &rows) {
    if (failed_ || dither_ || cinfo_.output_width != cinfo_.image_width)
        return;
    const int maxH = cinfo_.max_h_samp_factor, maxV = cinfo_.max_v_samp_factor;
    for (int c = 0; c < cinfo_.num_components; ++c) {
        const jpeg_component_info &comp = cinfo_.comp_info[c];
        const bool fullSize = comp.h_samp_factor == maxH && comp.v_samp_factor == maxV;
        // Upsampling reads the component's samples beside the one under a pixel as well.
        const int reach = fullSize ? 0 : 1;
        std::vector<bool> &blockColumns = filter_.columns[c];
        blockColumns.assign(comp.width_in_blocks, false);
        for (int x : columns) {
            const int sample = int(std::int64_t(x) * comp.h_samp_factor / maxH);
            for (int s = std::max(0, sample - reach); s <= sample + reach; ++s)
                if (std::size_t(s / DCTSIZE) < blockColumns.size())
                    blockColumns[std::size_t(s / DCTSIZE)] = true;
        }
        // Only where nothing is upsampled does a pixel row depend on its own block row alone.
        filter_.rows[c].clear();
        if (fullSize) {
            filter_.rows[c].assign(comp.height_in_blocks, false);
            for (int y : rows)
                if (std::size_t(y / DCTSIZE) < filter_.rows[c].size())
                    filter_.rows[c][std::size_t(y / DCTSIZE)] = true;
        }
        filter_.iMCURow[c] = ~JDIMENSION(0);
        filter_.original[c] = cinfo_.idct->inverse_DCT[c];
        cinfo_.idct->inverse_DCT[c] = filteredIdct;
    }
    cinfo_.client_data = &filter_;
}

bool JpegDecoder::readRow(std::uint8_t *dithered) {
    const std::uint8_t *decoded = decoded_.data();
    if (rawRows_.empty()) {
        stepCount_ = 0;
        if (!run(stepReadRow))
            return false;
    } else {
        if (rawNext_ == rawRows_.size()) {
            if (!run(stepReadRawRows))
                return false;
            rawNext_ = 0;
        }
        decoded = rawRows_[rawNext_++];
    }
    if (dither_)
        dither_->row(decoded, dithered);
    return true;
}

bool JpegDecoder::advanceTo(int y) {
    if (canSkip_ && nextRow_ < y) {
        stepCount_ = unsigned(y - nextRow_);
        if (!run(stepSkipRows))
            return false;
        nextRow_ = y;
    }
    for (; nextRow_ < y; ++nextRow_)
        if (!readRow(nullptr))
            return false;
    return true;
}

const std::uint8_t *JpegDecoder::row(int y) {
    if (failed_)
        return nullptr;
    std::uint8_t *pixels = dither_ ? dithered_.data() : decoded_.data();
    if (y == currentRow_)
        return pixels;
    if (y < nextRow_ || y >= outputHeight() || !advanceTo(y) ||
        !readRow(dither_ ? pixels : nullptr))
        return nullptr;
    currentRow_ = y;
    nextRow_ = y + 1;
    return pixels;
}

std::size_t JpegDecoder::readCompressed(std::uint8_t *to, std::size_t size) {
    compressedTaken_ = true;
    jpeg_source_mgr &buffered = *cinfo_.src;
    if (buffered.bytes_in_buffer) {
        const std::size_t n = std::min(size, buffered.bytes_in_buffer);
        std::copy_n(buffered.next_input_byte, n, to);
        buffered.next_input_byte += n;
        buffered.bytes_in_buffer -= n;
        return n;
    }
    try {
        in_.read(reinterpret_cast<char *>(to), std::streamsize(size));
        return std::size_t(std::max<std::streamsize>(0, in_.gcount()));
    } catch (...) {
        return 0;
    }
}

bool JpegDecoder::finish() {
    if (compressedTaken_ && !failed_) {
        try {
            in_.ignore(std::numeric_limits<std::streamsize>::max());
        } catch (...) {
        }
        return true;
    }
    // The last row is decoded, not skipped: skipping to the end would stop libjpeg short of
    // the rest of the scan and the markers after it, where a full decode can still fail.
    if (failed_ || (currentRow_ != outputHeight() - 1 && !row(outputHeight() - 1)))
        return false;
    if (!run(stepFinish))
        return false;
    // The caller's stream is left at its end, as after reading it whole.
    try {
        in_.ignore(std::numeric_limits<std::streamsize>::max());
    } catch (...) {
    }
    return true;
}

// ---- encoding into memory --------------------------------------------------------------------

namespace {

void stepStartCompress(JpegEncoder *e) {
    jpeg_start_compress(&e->cinfo_, TRUE);
}

// Stands in for libjpeg's forward DCT and quantisation of a filtered picture: the blocks come
// from the encoder's own RGB rows of the block row being compressed (RgbBlockQuantiser),
// all three components at once as Y is asked for; Cb and Cr follow from what that left.
void filteredForwardDct(j_compress_ptr c, jpeg_component_info *component, JSAMPARRAY,
                        JBLOCKROW blocks, JDIMENSION, JDIMENSION startColumn, JDIMENSION count) {
    static_cast<JpegEncoder *>(c->client_data)
        ->quantiseBlocks(component->component_index, blocks, int(startColumn / DCTSIZE),
                         int(count));
}

void stepWriteRow(JpegEncoder *e) {
    JSAMPROW row = const_cast<JSAMPROW>(e->pendingRow_);
    jpeg_write_scanlines(&e->cinfo_, &row, 1);
}

void stepWriteProfile(JpegEncoder *e) {
    jpeg_write_icc_profile(&e->cinfo_, e->pendingProfile_->data(),
                           unsigned(e->pendingProfile_->size()));
}

void stepFinishCompress(JpegEncoder *e) {
    jpeg_finish_compress(&e->cinfo_);
}

} // namespace

JpegEncoder::JpegEncoder() {
    armTrap(trap_);
    cinfo_.err = &trap_.manager;
    failed_ = !runTrapped<jpeg_compress_struct>(
        trap_, [](jpeg_compress_struct *c) { jpeg_create_compress(c); }, &cinfo_);
}

JpegEncoder::~JpegEncoder() {
    if (cinfo_.mem)
        jpeg_destroy_compress(&cinfo_);
    std::free(output_);
}

bool JpegEncoder::run(void (*step)(JpegEncoder *)) {
    if (failed_)
        return false;
    failed_ = !runTrapped(trap_, step, this);
    return !failed_;
}

namespace {

// Collects the encoded bytes in one growing malloc'd block that the encoder owns, so an
// error part-way leaves nothing dangling.
struct MemoryDestination {
    jpeg_destination_mgr manager;
    JpegEncoder *encoder;

    static MemoryDestination *of(j_compress_ptr c) {
        return reinterpret_cast<MemoryDestination *>(c->dest);
    }

    static void init(j_compress_ptr c) { grow(c, 64 * 1024); }

    static void grow(j_compress_ptr c, std::size_t capacity) {
        JpegEncoder *e = of(c)->encoder;
        auto *bigger = static_cast<unsigned char *>(std::realloc(e->output_, capacity));
        if (!bigger)
            ERREXIT1(c, JERR_OUT_OF_MEMORY, 10);
        e->output_ = bigger;
        of(c)->manager.next_output_byte = bigger + e->capacity_;
        of(c)->manager.free_in_buffer = capacity - e->capacity_;
        e->capacity_ = capacity;
    }

    static boolean empty(j_compress_ptr c) {
        grow(c, of(c)->encoder->capacity_ * 2);
        return TRUE;
    }

    static void term(j_compress_ptr c) {
        JpegEncoder *e = of(c)->encoder;
        e->size_ = e->capacity_ - of(c)->manager.free_in_buffer;
    }
};

struct EncoderSetup {
    JpegEncoder *encoder;
    int width, height;
    bool progressive;
    bool filtered;
    int quality;
};

void stepSetup(EncoderSetup *s) {
    jpeg_compress_struct *c = &s->encoder->cinfo_;
    auto *dest = static_cast<MemoryDestination *>((*c->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(c), JPOOL_PERMANENT, sizeof(MemoryDestination)));
    dest->manager.init_destination = MemoryDestination::init;
    dest->manager.empty_output_buffer = MemoryDestination::empty;
    dest->manager.term_destination = MemoryDestination::term;
    dest->encoder = s->encoder;
    c->dest = &dest->manager;
    c->image_width = JDIMENSION(s->width);
    c->image_height = JDIMENSION(s->height);
    c->input_components = 3;
    c->in_color_space = JCS_RGB;
    jpeg_set_defaults(c);
    jpeg_set_quality(c, s->quality, TRUE);
    if (s->filtered) {
        c->comp_info[0].h_samp_factor = 1;
        c->comp_info[0].v_samp_factor = 1;
    }
    if (s->progressive)
        jpeg_simple_progression(c);
}

} // namespace

bool JpegEncoder::start(int width, int height, bool progressive, bool filtered, int quality) {
    if (failed_)
        return false;
    EncoderSetup setup{this, width, height, progressive, filtered, quality};
    failed_ = !runTrapped(trap_, stepSetup, &setup);
    if (failed_ || !run(stepStartCompress))
        return false;
    if (!filtered)
        return true;
    quantiser_ = std::make_unique<RgbBlockQuantiser>(cinfo_.quant_tbl_ptrs[0]->quantval,
                                                     cinfo_.quant_tbl_ptrs[1]->quantval);
    strip_.resize(std::size_t(width) * 3 * DCTSIZE);
    chroma_.resize(std::size_t(width + DCTSIZE - 1) / DCTSIZE);
    cinfo_.client_data = this;
    cinfo_.fdct->forward_DCT = filteredForwardDct;
    return true;
}

bool JpegEncoder::writeRow(const std::uint8_t *rgb) {
    if (quantiser_ && !failed_) {
        // libjpeg compresses a block row in the call that gives its last row (or the
        // picture's), and then reads the block row's pixels from here.
        const std::size_t stride = std::size_t(cinfo_.image_width) * 3;
        std::copy_n(rgb, stride, strip_.data() + std::size_t(stripRows_) * stride);
        ++stripRows_;
    }
    pendingRow_ = rgb;
    const bool written = run(stepWriteRow);
    if (stripRows_ == DCTSIZE)
        stripRows_ = 0;
    return written;
}

void JpegEncoder::quantiseBlocks(int component, JBLOCKROW blocks, int first, int count) {
    const int width = int(cinfo_.image_width);
    for (int i = 0; i < count; ++i) {
        const int x = std::min(first + i, (width - 1) / DCTSIZE) * DCTSIZE;
        std::array<JBLOCK, 2> &chroma = chroma_[std::size_t(x / DCTSIZE)];
        if (component == 0) {
            std::int16_t block[3][DCTSIZE2];
            quantiser_->quantise(strip_.data() + std::size_t(x) * 3, std::size_t(width) * 3,
                                 std::min(DCTSIZE, width - x), std::max(stripRows_, 1), block);
            std::copy_n(block[0], DCTSIZE2, blocks[i]);
            std::copy_n(block[1], DCTSIZE2, chroma[0]);
            std::copy_n(block[2], DCTSIZE2, chroma[1]);
        } else {
            std::copy_n(chroma[std::size_t(component - 1)], DCTSIZE2, blocks[i]);
        }
    }
}

bool JpegEncoder::writeProfile(const std::vector<std::uint8_t> &profile) {
    pendingProfile_ = &profile;
    return run(stepWriteProfile);
}

bool JpegEncoder::finish() {
    return run(stepFinishCompress);
}
