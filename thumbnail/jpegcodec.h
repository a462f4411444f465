#pragma once
// libjpeg behind a small interface. Every library call runs under an error trap: a libjpeg
// error becomes a false result with the library's own message kept, warnings are ignored. The
// trap's longjmp only crosses libjpeg and the plain step functions in jpegcodec.cpp, never a C++
// object with a destructor.
#include "exiforientation.h"
#include "greydither.h"
#include "jpegtrap.h"
#include "memorybudget.h"
#include "rowsink.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <vector>

// A progressive source with more scans than this is hostile or broken.
constexpr int kMaxScans = 1000;

// How the decoded rows look: one sample (a dithered grey), three (RGB) or four (CMYK).
enum class PixelLayout { Grey, Rgb, Cmyk, AdobeCmyk };

// One RGB pixel from one decoded pixel.
inline void PixelToRgb(std::uint8_t *out, const std::uint8_t *in, PixelLayout layout) {
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
    default: // the only layout left; said so that optimisers see every path write `out`
        for (int c = 0; c < 3; ++c)
            out[c] = std::uint8_t(((255 - in[c]) * (255 - in[3]) + 127) / 255);
        break;
    }
}

// The smallest scale, in eighths (1 to 8), at which libjpeg's scaled IDCT (JpegDecoder::
// startScaled) delivers at least coverWidth x coverHeight pixels of a width x height picture;
// 8 when no smaller one does.
int EighthsCovering(int width, int height, std::int64_t coverWidth, std::int64_t coverHeight);

class JpegDecoder {
public:
    explicit JpegDecoder(std::istream &source);
    ~JpegDecoder();
    JpegDecoder(const JpegDecoder &) = delete;
    JpegDecoder &operator=(const JpegDecoder &) = delete;

    // Asks readHeader to keep the EXIF block and the ICC profile's markers for the
    // accessors below; without it they are skipped unread.
    void keepMetadata(bool exif, bool profile) {
        keepExif_ = exif;
        keepProfile_ = profile;
    }
    bool readHeader();
    Orientation orientation() const;
    // The ICC profile gathered from all its markers; empty when there is none (or its
    // markers do not fit together).
    std::vector<std::uint8_t> iccProfile();
    // What decoding the picture will take, estimated from its header: the whole-image
    // coefficient buffers of a multi-scan file, and the row buffers of any file.
    std::uint64_t memoryNeed() const;
    // The most libjpeg may allocate for this picture (kDefaultDecoderMemory unless set).
    void setMemoryLimit(std::uint64_t bytes);
    // After a failure: whether libjpeg ran out of the memory it may use, rather than data.
    bool tooLarge() const { return tooLarge_; }
    // After a failure: libjpeg's own description of it ("Not a JPEG file: starts with ...").
    const char *message() const { return trap_.message; }
    // Whether the data ended before the picture did (libjpeg then fills in the rest).
    bool endedEarly() const { return trap_.endedEarly; }
    int width() const { return int(cinfo_.image_width); }
    int height() const { return int(cinfo_.image_height); }
    bool progressive() const { return progressive_; }

    // Full-size decoding; greyscale sources are dithered to 236 grey levels.
    bool start();
    // Decoding at `eighths`/8 of the size through libjpeg's scaled IDCT, greys undithered.
    bool startScaled(int eighths);
    int outputWidth() const { return int(cinfo_.output_width); }
    int outputHeight() const { return int(cinfo_.output_height); }
    // Known once the header is read.
    PixelLayout layout() const { return layout_; }
    int components() const { return int(cinfo_.output_components); }

    // After start(): only the pixels in these source columns of these source rows will be
    // read, so the inverse DCT of blocks that none of them depends on can be left out; the
    // other pixels of a delivered row are then undefined. Ignored for dithered grey, whose
    // every pixel counts.
    void readOnly(const std::vector<int> &columns, const std::vector<int> &rows);
    // Decodes source row `y` (rows only move forward) and returns it; rows in between are
    // skipped as cheaply as exactness allows.
    const std::uint8_t *row(int y);
    // Passes over the remaining rows and checks the rest of the file; after readCompressed,
    // only passes over the rest of the file.
    bool finish();
    // Instead of start(): the compressed bytes after the header, for a reader of its own
    // (DcScan); up to `size` of them into `to`, 0 at the end of the file or on a read error.
    std::size_t readCompressed(std::uint8_t *to, std::size_t size);

    // Internals shared with the trapped step functions.
    struct Source;
    jpeg_decompress_struct cinfo_{};
    JpegErrorTrap trap_{};
    jpeg_progress_mgr progress_{};
    std::vector<std::uint8_t> decoded_; // the row libjpeg delivered last, or its raw rows
    std::vector<JSAMPROW> rawRows_;     // into decoded_ when grey is read raw
    std::size_t rawNext_ = 0;           // the next raw row to hand out
    unsigned stepCount_ = 0;
    bool failed_ = false;
    bool keepExif_ = false;
    bool keepProfile_ = false;
    // Which blocks of each component the inverse DCT computes (readOnly).
    struct BlockFilter {
        void (*original[MAX_COMPONENTS])(j_decompress_ptr, jpeg_component_info *, JCOEFPTR,
                                         JSAMPARRAY, JDIMENSION);
        std::vector<bool> columns[MAX_COMPONENTS];
        std::vector<bool> rows[MAX_COMPONENTS]; // empty: every block row
        JDIMENSION iMCURow[MAX_COMPONENTS];
        JSAMPARRAY firstRow[MAX_COMPONENTS];
    };
    BlockFilter filter_{};

private:
    bool run(void (*step)(JpegDecoder *));
    bool refuse(const char *why);
    bool begin(int eighths, bool dither);
    bool advanceTo(int y);
    bool readRow(std::uint8_t *dithered);

    std::istream &in_;
    std::vector<std::uint8_t> inputBuffer_;
    bool progressive_ = false;
    bool tooLarge_ = false;
    bool canSkip_ = false;
    PixelLayout layout_ = PixelLayout::Rgb;
    std::unique_ptr<GreyDither> dither_;
    std::vector<std::uint8_t> dithered_;
    int nextRow_ = 0;
    int currentRow_ = -1;
    bool compressedTaken_ = false;
};

class RgbBlockQuantiser;

class JpegEncoder : public RowSink {
public:
    JpegEncoder();
    ~JpegEncoder() override;
    JpegEncoder(const JpegEncoder &) = delete;
    JpegEncoder &operator=(const JpegEncoder &) = delete;

    // `quality` (1 to 100) with baseline tables; progressive when asked. A filtered (smooth)
    // picture keeps its chroma at full resolution and its coefficients are chosen for the
    // RGB a decoder shows (RgbBlockQuantiser); otherwise the library's defaults hold.
    bool start(int width, int height, bool progressive, bool filtered = false, int quality = 90);
    // Writes an ICC profile's markers; between start and the first row.
    bool writeProfile(const std::vector<std::uint8_t> &profile);
    bool writeRow(const std::uint8_t *rgb) override;
    bool finish();
    const unsigned char *data() const { return output_; }
    std::size_t size() const { return size_; }
    // After a failure: libjpeg's own description of it.
    const char *message() const { return trap_.message; }

    // Internals shared with the trapped step functions and the destination manager.
    jpeg_compress_struct cinfo_{};
    JpegErrorTrap trap_{};
    const std::uint8_t *pendingRow_ = nullptr;
    const std::vector<std::uint8_t> *pendingProfile_ = nullptr;
    unsigned char *output_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
    // A filtered picture: the rows of the block row being written, and the Cb and Cr blocks
    // made with each Y block until libjpeg asks for them.
    void quantiseBlocks(int component, JBLOCKROW blocks, int first, int count);
    std::unique_ptr<RgbBlockQuantiser> quantiser_;
    std::vector<std::uint8_t> strip_;
    int stripRows_ = 0;
    std::vector<std::array<JBLOCK, 2>> chroma_;

private:
    bool run(void (*step)(JpegEncoder *));

    bool failed_ = false;
};
