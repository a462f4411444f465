// Writes the profiles bench/srgb_accuracy.sh tags photos with: Display P3 (its primaries,
// D65, the sRGB curve), Adobe RGB (1998) (its primaries, D65, gamma 563/256) and sRGB.
#include <lcms2.h>

int main() {
    const cmsCIExyY d65{0.3127, 0.3290, 1};
    const double srgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve *srgb = cmsBuildParametricToneCurve(nullptr, 4, srgbCurve);
    cmsToneCurve *gamma = cmsBuildGamma(nullptr, 563.0 / 256);
    const cmsCIExyYTRIPLE p3{{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}};
    const cmsCIExyYTRIPLE adobe{{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}};
    cmsToneCurve *p3Curves[3] = {srgb, srgb, srgb}, *adobeCurves[3] = {gamma, gamma, gamma};
    return cmsSaveProfileToFile(cmsCreateRGBProfile(&d65, &p3, p3Curves), "p3.icc") &&
                   cmsSaveProfileToFile(cmsCreateRGBProfile(&d65, &adobe, adobeCurves),
                                        "adobe.icc") &&
                   cmsSaveProfileToFile(cmsCreate_sRGBProfile(), "srgb.icc")
               ? 0
               : 1;
}
