#pragma once
// The eighth-size picture of a baseline JPEG, made from the DC coefficients alone and read
// straight from the entropy-coded data. libjpeg's 1/8 scaled decode yields the same DC values
// but decodes every AC coefficient in full on the way; this steps over each of them with one
// table lookup that covers its code and its extra bits, which is most of the time a smooth
// thumbnail takes.
#include <cstdint>
#include <memory>
#include <vector>

class JpegDecoder;

class DcScan {
public:
    // Whether the decoder's header (read, not yet started) describes a picture this reads:
    // one baseline Huffman scan with every component in it, grey or YCbCr, each component
    // sampled at the full or half rate of the largest.
    static bool Suits(const JpegDecoder &decoder);

    explicit DcScan(JpegDecoder &decoder);
    ~DcScan();
    DcScan(const DcScan &) = delete;
    DcScan &operator=(const DcScan &) = delete;

    int width() const { return width_; } // the picture's width / 8, rounded up
    int height() const { return height_; }
    // RGB row `y` of the eighth-size picture; rows ascending. Data that ends early or breaks
    // leaves the rest of the picture mid-grey, as libjpeg renders missing data.
    const std::uint8_t *row(int y);

private:
    struct Reader;
    struct Component;
    void decodeMcuRow();

    int width_;
    int height_;
    int maxH_;
    int maxV_;
    int mcusPerRow_;
    int mcuRow_ = 0; // the next MCU row to decode
    int restartInterval_;
    int mcusToRestart_;
    std::unique_ptr<Reader> reader_;
    std::vector<Component> components_; // in scan order
    std::vector<std::uint8_t> rgb_;
};
