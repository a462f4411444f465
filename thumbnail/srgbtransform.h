#pragma once
// Converting a photo's pixels from its ICC profile to sRGB (lcms2), for viewers that ignore
// embedded profiles, and the compact sRGB profile that such a thumbnail may carry instead.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// How the rows handed to the transform are laid out, 8 bits a sample.
enum class ColourRows {
    Grey,
    Rgb,
    Rgba,         // straight alpha, passed through unchanged
    Cmyk,         // 255 is full ink
    InvertedCmyk, // as Adobe writes it: 255 is no ink
    CmykAlpha,    // Cmyk and straight alpha, passed through unchanged
};

class SrgbTransform {
public:
    // From `profile` for rows laid out as `rows`; null, with the reason in `cause`, when the
    // profile cannot be read or describes another colour space than the rows.
    static std::unique_ptr<SrgbTransform> Create(const std::vector<std::uint8_t> &profile,
                                                 ColourRows rows, std::string &cause);
    ~SrgbTransform();
    SrgbTransform(const SrgbTransform &) = delete;
    SrgbTransform &operator=(const SrgbTransform &) = delete;

    // Converts `pixels` pixels from `in` to `out`: RGB, or RGBA for rows with alpha. In and
    // out may be the same row when they have the same layout.
    void convert(const std::uint8_t *in, std::uint8_t *out, int pixels) const;
    // Samples an input pixel has.
    int inputChannels() const;
    // Samples an output pixel takes: 4 for rows with alpha, else 3.
    int outputChannels() const {
        return rows_ == ColourRows::Rgba || rows_ == ColourRows::CmykAlpha ? 4 : 3;
    }

private:
    SrgbTransform(void *transform, ColourRows rows) : transform_(transform), rows_(rows) {}
    void *transform_;
    ColourRows rows_;
};

// A small sRGB profile (parametric curves, no tables), the same bytes every time.
const std::vector<std::uint8_t> &CompactSrgbProfile();
