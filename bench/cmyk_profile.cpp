// Writes the CMYK profile bench/cmyk_accuracy.sh tags CMYK photos with: a printing press as a
// Lab table (an output profile, as presses are described), its inks impure, their dots grown
// and black not quite black; and sRGB.
#include <lcms2.h>

#include <cmath>
#include <cstdint>

namespace {

// The light the inks let through, for linear red, green and blue.
void press(const double ink[4], double rgb[3]) {
    // Each ink takes some of the other two colours; dots print larger than asked.
    static const double absorbs[4][3] = {
        {0.95, 0.25, 0.05}, {0.15, 0.92, 0.20}, {0.02, 0.08, 0.90}, {0.93, 0.93, 0.92}};
    for (int c = 0; c < 3; ++c) {
        double through = 1;
        for (int i = 0; i < 4; ++i)
            through *= 1 - absorbs[i][c] * std::pow(ink[i], 0.8);
        rgb[c] = 0.02 + 0.96 * through; // the paper is not quite white, nor the black black
    }
}

cmsInt32Number sample(const cmsUInt16Number in[], cmsUInt16Number out[], void *toLab) {
    double ink[4], rgb[3];
    for (int i = 0; i < 4; ++i)
        ink[i] = in[i] / 65535.0;
    press(ink, rgb);
    cmsDoTransform(static_cast<cmsHTRANSFORM>(toLab), rgb, out, 1);
    return 1;
}

} // namespace

int main() {
    // Linear sRGB primaries, to take the press's light to Lab.
    const cmsCIExyY d65{0.3127, 0.3290, 1};
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1}, {0.30, 0.60, 1}, {0.15, 0.06, 1}};
    cmsToneCurve *linear = cmsBuildGamma(nullptr, 1.0);
    cmsToneCurve *curves[3] = {linear, linear, linear};
    cmsHPROFILE light = cmsCreateRGBProfile(&d65, &primaries, curves);
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM toLab = cmsCreateTransform(light, TYPE_RGB_DBL, lab, TYPE_Lab_16,
                                             INTENT_RELATIVE_COLORIMETRIC, 0);
    cmsHPROFILE cmyk = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(cmyk, 4.3);
    cmsSetDeviceClass(cmyk, cmsSigOutputClass);
    cmsSetColorSpace(cmyk, cmsSigCmykData);
    cmsSetPCS(cmyk, cmsSigLabData);
    cmsWriteTag(cmyk, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsPipeline *table = cmsPipelineAlloc(nullptr, 4, 3);
    cmsStage *grid = cmsStageAllocCLut16bit(nullptr, 17, 4, 3, nullptr);
    cmsStageSampleCLut16bit(grid, sample, toLab, 0);
    cmsPipelineInsertStage(table, cmsAT_END, cmsStageAllocToneCurves(nullptr, 4, nullptr));
    cmsPipelineInsertStage(table, cmsAT_END, grid);
    cmsPipelineInsertStage(table, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsWriteTag(cmyk, cmsSigAToB0Tag, table);
    return cmsSaveProfileToFile(cmyk, "press.icc") &&
                   cmsSaveProfileToFile(cmsCreate_sRGBProfile(), "srgb.icc")
               ? 0
               : 1;
}
