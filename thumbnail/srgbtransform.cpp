#include "srgbtransform.h"

#include <lcms2.h>

namespace {

struct RowsFormat {
    cmsColorSpaceSignature space;
    cmsUInt32Number input;
    cmsUInt32Number output;
};

RowsFormat formatOf(ColourRows rows) {
    switch (rows) {
    case ColourRows::Grey:
        return {cmsSigGrayData, TYPE_GRAY_8, TYPE_RGB_8};
    case ColourRows::Rgba:
        return {cmsSigRgbData, TYPE_RGBA_8, TYPE_RGBA_8};
    case ColourRows::Cmyk:
        return {cmsSigCmykData, TYPE_CMYK_8, TYPE_RGB_8};
    case ColourRows::InvertedCmyk:
        return {cmsSigCmykData, TYPE_CMYK_8_REV, TYPE_RGB_8};
    case ColourRows::CmykAlpha:
        return {cmsSigCmykData, TYPE_CMYKA_8, TYPE_RGBA_8};
    case ColourRows::Rgb:
        break;
    }
    return {cmsSigRgbData, TYPE_RGB_8, TYPE_RGB_8};
}

struct ProfileHandle {
    cmsHPROFILE profile;
    ~ProfileHandle() {
        if (profile)
            cmsCloseProfile(profile);
    }
};

} // namespace

std::unique_ptr<SrgbTransform> SrgbTransform::Create(const std::vector<std::uint8_t> &profile,
                                                     ColourRows rows, std::string &cause) {
    const ProfileHandle source{
        cmsOpenProfileFromMem(profile.data(), cmsUInt32Number(profile.size()))};
    if (!source.profile) {
        cause = "the colour profile cannot be read";
        return nullptr;
    }
    const RowsFormat format = formatOf(rows);
    if (cmsGetColorSpace(source.profile) != format.space) {
        cause = "the colour profile is not for the photo's colour space";
        return nullptr;
    }
    const ProfileHandle srgb{cmsCreate_sRGBProfile()};
    // Perceptual where the profile has tables for it (CMYK); matrix profiles fall back to
    // relative colorimetric, as every colour manager does.
    const cmsHTRANSFORM transform = cmsCreateTransform(
        source.profile, format.input, srgb.profile, format.output, INTENT_PERCEPTUAL,
        rows == ColourRows::Rgba || rows == ColourRows::CmykAlpha ? cmsFLAGS_COPY_ALPHA : 0);
    if (!transform) {
        cause = "the colour profile cannot be converted to sRGB";
        return nullptr;
    }
    return std::unique_ptr<SrgbTransform>(new SrgbTransform(transform, rows));
}

SrgbTransform::~SrgbTransform() {
    cmsDeleteTransform(static_cast<cmsHTRANSFORM>(transform_));
}

void SrgbTransform::convert(const std::uint8_t *in, std::uint8_t *out, int pixels) const {
    cmsDoTransform(static_cast<cmsHTRANSFORM>(transform_), in, out, cmsUInt32Number(pixels));
}

int SrgbTransform::inputChannels() const {
    return int(T_CHANNELS(formatOf(rows_).input) + T_EXTRA(formatOf(rows_).input));
}

const std::vector<std::uint8_t> &CompactSrgbProfile() {
    static const std::vector<std::uint8_t> bytes = [] {
        std::vector<std::uint8_t> out;
        const ProfileHandle srgb{cmsCreate_sRGBProfile()};
        cmsUInt32Number size = 0;
        if (srgb.profile && cmsSaveProfileToMem(srgb.profile, nullptr, &size) && size > 0) {
            out.resize(size);
            if (!cmsSaveProfileToMem(srgb.profile, out.data(), &size))
                out.clear();
        }
        return out;
    }();
    return bytes;
}
