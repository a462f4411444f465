#include "dcscan.h"

#include "jpegcodec.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kLookahead = 10; // bits a symbol lookup decides on
constexpr int kStride = 13;    // bits one step over AC coefficients decides on

// One Huffman table: a lookahead table for the codes of up to kLookahead bits and the
// canonical limits for the longer ones (JPEG codes have up to 16 bits).
struct Huffman {
    // length << 8 | symbol; 0 for a longer code
    std::vector<std::uint16_t> lookup = std::vector<std::uint16_t>(1u << kLookahead, 0);
    // For AC tables, the coefficients whose codes the next kStride bits hold (with their extra
    // bits): bits 0-4 the bits they take (0 when not even one fits), bits 5-11 how far
    // they move the coefficient index, bit 12 whether an end of block follows them (its code
    // counted in the bits). Stepping over two or three coefficients at once is what makes
    // this faster than decoding.
    std::vector<std::uint16_t> stride = std::vector<std::uint16_t>(1u << kStride, 0);
    int maxCode[18] = {};     // the largest code of each length, -1 for none
    int valueOffset[18] = {}; // added to a code of that length to index `values`
    std::uint8_t values[256] = {};

    explicit Huffman(const JHUFF_TBL &table) {
        int code = 0, k = 0;
        for (int length = 1; length <= 16; ++length) {
            valueOffset[length] = k - code;
            for (int i = 0; i < table.bits[length] && k < 256; ++i, ++k, ++code) {
                values[k] = table.huffval[k];
                if (length <= kLookahead)
                    fill(code, length, table.huffval[k]);
            }
            maxCode[length] = table.bits[length] ? code - 1 : -1;
            code <<= 1;
        }
        maxCode[17] = 0x7FFFFFFF; // ends the search on any input
        fillStride();
    }

    void fill(int code, int length, std::uint8_t symbol) {
        const int shift = kLookahead - length;
        for (int i = code << shift; i < (code + 1) << shift; ++i)
            lookup[std::size_t(i)] = std::uint16_t(length << 8 | symbol);
    }

    // After the lookup table is filled.
    void fillStride() {
        for (unsigned window = 0; window < 1u << kStride; ++window) {
            int used = 0, advance = 0, end = 0;
            while (used < kStride && advance < DCTSIZE2) {
                // The next kLookahead bits of the window, zeros past its end.
                const unsigned ahead =
                    (window << used & ((1u << kStride) - 1)) >> (kStride - kLookahead);
                const std::uint16_t e = lookup[ahead];
                const int length = e >> 8, symbol = e & 0xFF;
                if (!length)
                    break;
                // The code must lie in the window; its extra bits, only stepped over, may run
                // past it (at most 15 of them, so `used` stays below 32), but then what follows
                // them is not known.
                if (used + length > kStride)
                    break;
                used += length + (symbol == 0x00 || symbol == 0xF0 ? 0 : symbol & 15);
                if (symbol == 0x00) {
                    end = 1;
                    break;
                }
                advance += (symbol >> 4) + 1;
            }
            stride[window] = std::uint16_t(used | advance << 5 | end << 12);
        }
    }
};

// Whether the table's code lengths make a canonical code, as libjpeg checks before decoding.
bool canonical(const JHUFF_TBL &table) {
    int code = 0, count = 0;
    for (int length = 1; length <= 16; ++length) {
        code += table.bits[length];
        count += table.bits[length];
        if (code > 1 << length || count > 256)
            return false;
        code <<= 1;
    }
    return true;
}

} // namespace

// The entropy-coded bytes as a stream of bits, most significant first, with the stuffed zero
// after each 0xFF removed. A marker, the end of the file or a read error stops the data: zero
// bits follow, and `overrun` tells when they are being read.
struct DcScan::Reader {
    JpegDecoder &source;
    std::vector<std::uint8_t> chunk = std::vector<std::uint8_t>(16 * 1024);
    std::size_t position = 0, end = 0;
    std::uint64_t bits = 0; // the next `count` bits, left-aligned
    int count = 0;
    std::int64_t real = 0; // bits in `bits` that came from the data, less any overrun
    bool stopped = false;
    int marker = 0; // the marker that stopped the data; 0 for the end of the file

    explicit Reader(JpegDecoder &decoder) : source(decoder) {}

    bool nextByte(std::uint8_t &b) {
        if (position == end) {
            end = source.readCompressed(chunk.data(), chunk.size());
            position = 0;
            if (end == 0)
                return false;
        }
        b = chunk[position++];
        return true;
    }

    void refill() {
        while (count <= 56) {
            std::uint8_t b = 0;
            if (!stopped) {
                if (!nextByte(b)) {
                    stopped = true;
                } else if (b == 0xFF) {
                    std::uint8_t after = 0xFF;
                    while (after == 0xFF && nextByte(after)) {
                    }
                    if (after != 0x00) {
                        stopped = true;
                        marker = after == 0xFF ? 0 : after;
                        b = 0;
                    }
                }
                if (!stopped)
                    real += 8;
            }
            bits |= std::uint64_t(b) << (56 - count);
            count += 8;
        }
    }

    void drop(int n) {
        bits <<= n;
        count -= n;
        real -= n;
    }
    unsigned peek(int n) const { return unsigned(bits >> (64 - n)); }
    bool overrun() const { return real < 0; }

    int take(int n) { // n from 0 to 16
        if (n == 0)
            return 0;
        const int v = int(peek(n));
        drop(n);
        return v;
    }

    // Decodes one symbol; -1 for a code the table does not have.
    int symbol(const Huffman &h) {
        const std::uint16_t e = h.lookup[peek(kLookahead)];
        if (e) {
            drop(e >> 8);
            return e & 0xFF;
        }
        int code = 0, length = 0;
        do {
            code = code << 1 | take(1);
            ++length;
        } while (code > h.maxCode[length]);
        if (length > 16)
            return -1;
        return h.values[(h.valueOffset[length] + code) & 0xFF];
    }

    // Past a restart marker: true when the data goes on after it.
    bool restart() {
        bits = 0;
        count = 0;
        real = 0;
        std::uint8_t b = 0;
        while (!stopped) // data the intervals did not use: skipped to the marker
            if (!nextByte(b))
                stopped = true;
            else if (b == 0xFF) {
                while (b == 0xFF && nextByte(b)) {
                }
                if (b != 0x00) {
                    stopped = true;
                    marker = b == 0xFF ? 0 : b;
                }
            }
        if (marker < JPEG_RST0 || marker > JPEG_RST0 + 7)
            return false;
        stopped = false;
        marker = 0;
        return true;
    }
};

struct DcScan::Component {
    int index; // in the frame: 0 luma (or grey), 1 Cb, 2 Cr
    int h, v;  // blocks per MCU across and down
    // Samples of the eighth-size picture per block across and down: 2 where the component
    // has half the largest rate, made from the lowest frequencies as well as the DC.
    int fx, fy;
    float quant[4]; // dequantising the DC and the coefficients at (0,1), (1,0) and (1,1)
    std::shared_ptr<Huffman> dc, ac;
    int predictor = 0;
    std::vector<std::uint8_t> rows; // the eighth-size samples of the current MCU row
};

bool DcScan::Suits(const JpegDecoder &decoder) {
    const jpeg_decompress_struct &c = decoder.cinfo_;
    if (decoder.progressive() || c.progressive_mode || c.arith_code || c.data_precision != 8 ||
        c.comps_in_scan != c.num_components || c.Ss != 0 || c.Se != DCTSIZE2 - 1 || c.Ah || c.Al)
        return false;
    if (!((c.num_components == 1 && c.jpeg_color_space == JCS_GRAYSCALE &&
           c.out_color_space == JCS_GRAYSCALE) ||
          (c.num_components == 3 && c.jpeg_color_space == JCS_YCbCr &&
           c.out_color_space == JCS_RGB)))
        return false;
    for (int i = 0; i < c.comps_in_scan; ++i) {
        const jpeg_component_info &comp = *c.cur_comp_info[i];
        const auto rate = [](int largest, int own) {
            return own > 0 && (own == largest || own * 2 == largest);
        };
        // The table numbers come from the file and are checked by libjpeg only once it
        // decodes, so they are checked here before they index anything.
        const auto table = [](int number, int tables) { return number >= 0 && number < tables; };
        if (!table(comp.dc_tbl_no, NUM_HUFF_TBLS) || !table(comp.ac_tbl_no, NUM_HUFF_TBLS) ||
            !table(comp.quant_tbl_no, NUM_QUANT_TBLS))
            return false;
        if (!rate(c.max_h_samp_factor, comp.h_samp_factor) ||
            !rate(c.max_v_samp_factor, comp.v_samp_factor) || !c.dc_huff_tbl_ptrs[comp.dc_tbl_no] ||
            !c.ac_huff_tbl_ptrs[comp.ac_tbl_no] || !c.quant_tbl_ptrs[comp.quant_tbl_no] ||
            !canonical(*c.dc_huff_tbl_ptrs[comp.dc_tbl_no]) ||
            !canonical(*c.ac_huff_tbl_ptrs[comp.ac_tbl_no]))
            return false;
    }
    // Luma sampled at the largest rate, so the picture is the width of its blocks.
    return c.comp_info[0].h_samp_factor == c.max_h_samp_factor &&
           c.comp_info[0].v_samp_factor == c.max_v_samp_factor;
}

DcScan::DcScan(JpegDecoder &decoder)
    : width_((decoder.width() + DCTSIZE - 1) / DCTSIZE),
      height_((decoder.height() + DCTSIZE - 1) / DCTSIZE), reader_(new Reader(decoder)) {
    const jpeg_decompress_struct &c = decoder.cinfo_;
    const bool single = c.comps_in_scan == 1;
    maxH_ = single ? 1 : c.max_h_samp_factor;
    maxV_ = single ? 1 : c.max_v_samp_factor;
    mcusPerRow_ = (width_ + maxH_ - 1) / maxH_;
    restartInterval_ = int(c.restart_interval);
    mcusToRestart_ = restartInterval_;
    for (int i = 0; i < c.comps_in_scan; ++i) {
        const jpeg_component_info &comp = *c.cur_comp_info[i];
        Component k;
        k.index = comp.component_index;
        k.h = single ? 1 : comp.h_samp_factor;
        k.v = single ? 1 : comp.v_samp_factor;
        k.fx = maxH_ / k.h;
        k.fy = maxV_ / k.v;
        const UINT16 *q = c.quant_tbl_ptrs[comp.quant_tbl_no]->quantval; // natural order
        k.quant[0] = q[0];
        k.quant[1] = q[1];
        k.quant[2] = q[DCTSIZE];
        k.quant[3] = q[DCTSIZE + 1];
        // Components that share a table share its lookups.
        for (const Component &other : components_) {
            const jpeg_component_info &o = c.comp_info[other.index];
            if (o.dc_tbl_no == comp.dc_tbl_no)
                k.dc = other.dc;
            if (o.ac_tbl_no == comp.ac_tbl_no)
                k.ac = other.ac;
        }
        if (!k.dc)
            k.dc = std::make_shared<Huffman>(*c.dc_huff_tbl_ptrs[comp.dc_tbl_no]);
        if (!k.ac)
            k.ac = std::make_shared<Huffman>(*c.ac_huff_tbl_ptrs[comp.ac_tbl_no]);
        k.rows.assign(std::size_t(maxV_) * std::size_t(mcusPerRow_ * maxH_), 128);
        components_.push_back(std::move(k));
    }
    rgb_.resize(std::size_t(width_) * 3);
}

DcScan::~DcScan() = default;

void DcScan::decodeMcuRow() {
    Reader &r = *reader_;
    // The reader's bits live in locals here, where the compiler can keep them in registers;
    // they go back to the reader whenever it is called.
    std::uint64_t bits = r.bits;
    int count = r.count;
    std::int64_t real = r.real;
    const auto save = [&] {
        r.bits = bits;
        r.count = count;
        r.real = real;
    };
    const auto load = [&] {
        bits = r.bits;
        count = r.count;
        real = r.real;
    };
    const auto drop = [&](int n) {
        bits <<= n;
        count -= n;
        real -= n;
    };
    const auto peek = [&](int n) { return unsigned(bits >> (64 - n)); };
    // Whole data bytes straight from the chunk while they hold no 0xFF; the reader for the rest.
    // Inlined by force: a call would keep the bits in memory.
    const auto refill = [&]() __attribute__((always_inline)) {
        const std::uint8_t *chunk = r.chunk.data();
        std::size_t position = r.position;
        // Most often eight bytes without an 0xFF are at hand: as many as fit go in at once.
        if (r.end - position >= 8 && !r.stopped) {
            std::uint64_t word;
            std::memcpy(&word, chunk + position, 8);
            word = __builtin_bswap64(word);
            // A byte of all ones in `word` is a zero byte in its complement.
            const std::uint64_t inverse = ~word;
            if (!((inverse - 0x0101010101010101u) & ~inverse & 0x8080808080808080u)) {
                const int taken = (64 - count) >> 3;     // count < 32 here: 4 to 8 bytes
                const int rest = 64 - count - 8 * taken; // the part of a byte left out
                bits |= (word >> count) >> rest << rest;
                count += 8 * taken;
                real += 8 * taken;
                r.position = position + std::size_t(taken);
                return;
            }
        }
        while (count <= 56) {
            if (position == r.end || chunk[position] == 0xFF || r.stopped) {
                r.position = position;
                save();
                r.refill();
                load();
                return;
            }
            bits |= std::uint64_t(chunk[position++]) << (56 - count);
            count += 8;
            real += 8;
        }
        r.position = position;
    };
    const auto symbol = [&](const Huffman &h) __attribute__((always_inline)) {
        const std::uint16_t e = h.lookup[peek(kLookahead)];
        if (e) {
            drop(e >> 8);
            return e & 0xFF;
        }
        save();
        const int found = r.symbol(h);
        load();
        return found;
    };
    for (int mcu = 0; mcu < mcusPerRow_; ++mcu) {
        if (restartInterval_ && mcusToRestart_ == 0) {
            save();
            if (!r.overrun() && r.restart())
                for (Component &k : components_)
                    k.predictor = 0;
            load();
            mcusToRestart_ = restartInterval_;
        }
        --mcusToRestart_;
        for (Component &k : components_) {
            const Huffman &dc = *k.dc;
            const std::uint16_t *stride = k.ac->stride.data();
            for (int by = 0; by < k.v; ++by)
                for (int bx = 0; bx < k.h; ++bx) {
                    if (count < 32)
                        refill();
                    if (real >= 0) {
                        const int size = symbol(dc);
                        if (size < 0 || size > 15) {
                            real = -1; // a broken code ends the data
                        } else {
                            if (count < 32)
                                refill();
                            int diff = size ? int(peek(size)) : 0;
                            drop(size);
                            if (size && diff < 1 << (size - 1))
                                diff -= (1 << size) - 1;
                            k.predictor += diff;
                            if (k.predictor < -(1 << 20) || k.predictor > 1 << 20)
                                real = -1; // no 8-bit picture has such a DC
                            // The lowest AC coefficients of a component sampled at half
                            // the rate, in zigzag order: (0,1), (1,0), then (1,1) at 4.
                            int low[5] = {};
                            int index = 1;
                            while (index <= 4 && (k.fx > 1 || k.fy > 1)) {
                                if (count < 32)
                                    refill();
                                const int found = symbol(*k.ac);
                                if (found <= 0) {
                                    if (found < 0)
                                        real = -1;
                                    index = DCTSIZE2;
                                    break;
                                }
                                index += found >> 4;
                                const int size = found & 15;
                                int v = size ? int(peek(size)) : 0;
                                drop(size);
                                if (size && v < 1 << (size - 1))
                                    v -= (1 << size) - 1;
                                if (index <= 4)
                                    low[index] = v;
                                ++index;
                            }
                            // Stepping over the other AC coefficients.
                            while (index < DCTSIZE2) {
                                if (count < 32)
                                    refill();
                                // A stride stays inside the block: it must not reach past its
                                // last coefficient, nor take an end-of-block code once that
                                // is reached (those bits begin the next block).
                                const std::uint16_t e = stride[peek(kStride)];
                                const int advance = e >> 5 & 127;
                                if ((e & 31) && index + advance <= DCTSIZE2 - (e >> 12)) {
                                    drop(e & 31);
                                    index += advance;
                                    if (e >> 12)
                                        break;
                                    continue;
                                }
                                const int found = symbol(*k.ac);
                                if (found <= 0) {
                                    if (found < 0)
                                        real = -1;
                                    break;
                                }
                                drop(found & 15);
                                index += (found >> 4) + 1;
                            }
                            if (k.fx == 1 && k.fy == 1) {
                                // The DC's eighth plus 128.5, truncated, in integers.
                                const std::int64_t f =
                                    (std::int64_t(k.predictor) * std::int64_t(k.quant[0]) + 1028) >>
                                    3;
                                k.rows[std::size_t(by) * std::size_t(mcusPerRow_ * maxH_) +
                                       std::size_t(mcu * k.h + bx)] =
                                    std::uint8_t(std::clamp<std::int64_t>(f, 0, 255));
                                continue;
                            }
                            // Each sample is the mean of its part of the block: the DC's
                            // eighth, and for halves the first cosines' means over a half,
                            // (cos(pi/16) + cos(3pi/16) + cos(5pi/16) + cos(7pi/16)) / 4.
                            constexpr float kHalfMean = 0.640728f;
                            constexpr float kSingle = kHalfMean / 5.656854f; // / (4 sqrt 2)
                            constexpr float kDouble = kHalfMean * kHalfMean / 4;
                            const float dc = float(k.predictor) * k.quant[0] / 8 + 128.5f;
                            const float across =
                                k.fx > 1 ? kSingle * float(low[1]) * k.quant[1] : 0;
                            const float down = k.fy > 1 ? kSingle * float(low[2]) * k.quant[2] : 0;
                            const float both =
                                k.fx > 1 && k.fy > 1 ? kDouble * float(low[4]) * k.quant[3] : 0;
                            for (int sy = 0; sy < k.fy; ++sy)
                                for (int sx = 0; sx < k.fx; ++sx) {
                                    const float sign = sx == sy ? 1.0f : -1.0f;
                                    const float f = dc + (sx ? -across : across) +
                                                    (sy ? -down : down) + sign * both;
                                    k.rows[std::size_t((by * k.fy + sy)) *
                                               std::size_t(mcusPerRow_ * maxH_) +
                                           std::size_t((mcu * k.h + bx) * k.fx + sx)] =
                                        std::uint8_t(std::clamp(f, 0.0f, 255.0f));
                                }
                            continue;
                        }
                    }
                    for (int sy = 0; sy < k.fy; ++sy) // mid-grey once the data is over
                        std::fill_n(k.rows.data() +
                                        std::size_t(by * k.fy + sy) *
                                            std::size_t(mcusPerRow_ * maxH_) +
                                        std::size_t((mcu * k.h + bx) * k.fx),
                                    k.fx, std::uint8_t(128));
                }
        }
    }
    save();
    ++mcuRow_;
}

const std::uint8_t *DcScan::row(int y) {
    while (mcuRow_ <= y / maxV_)
        decodeMcuRow();
    const int within = y % maxV_;
    // Every component holds the eighth-size picture's own samples. Plain pointers: the byte
    // stores below could alias anything reached through the components.
    const auto samples = [this, within](const Component &k) {
        return k.rows.data() + std::size_t(within) * std::size_t(mcusPerRow_ * maxH_);
    };
    std::uint8_t *out = rgb_.data();
    const int width = width_;
    if (components_.size() == 1) {
        const std::uint8_t *grey = samples(components_[0]);
        for (int x = 0; x < width; ++x, out += 3)
            out[0] = out[1] = out[2] = grey[x];
        return rgb_.data();
    }
    const Component *byIndex[3] = {};
    for (const Component &k : components_)
        byIndex[std::clamp(k.index, 0, 2)] = &k;
    if (!byIndex[0] || !byIndex[1] || !byIndex[2])
        return nullptr;
    // libjpeg's YCbCr to RGB in 16-bit fixed point.
    constexpr int kHalf = 1 << 15;
    const std::uint8_t *ys = samples(*byIndex[0]), *cbs = samples(*byIndex[1]),
                       *crs = samples(*byIndex[2]);
    for (int x = 0; x < width; ++x, out += 3) {
        const int luma = ys[x], cb = cbs[x] - 128, cr = crs[x] - 128;
        out[0] = std::uint8_t(std::clamp(luma + ((91881 * cr + kHalf) >> 16), 0, 255));
        out[1] =
            std::uint8_t(std::clamp(luma + ((-22554 * cb - 46802 * cr + kHalf) >> 16), 0, 255));
        out[2] = std::uint8_t(std::clamp(luma + ((116130 * cb + kHalf) >> 16), 0, 255));
    }
    return rgb_.data();
}
