#pragma once
// One quality scale for every lossy format: a number from 1 to 100 gives about the same
// fidelity (PSNR against the unencoded canvas) in each, so changing the format changes the
// size, not the look. JPEG's own quality is the scale; each other encoder's setting was
// measured to match it (bench/calibrate_quality.sh) on smooth thumbnails of photos.
#include "outputformat.h"

// WebP's quality (0 to 100) for `quality`.
double WebpSettingFor(int quality);
// Above 90 WebP's lossy format cannot keep up with JPEG (it halves its chroma: 4 dB under at
// 95) and its near-lossless mode can: that mode's level (0 to 100, 100 lossless) for
// `quality`, or -1 where the lossy format serves.
int WebpNearLosslessFor(int quality);
// The AV1 quantizer (63 down to 0) for `quality`.
double AvifSettingFor(int quality);
// The encoder's own setting for `quality`; JPEG's is the quality itself, PNG has none.
double EncoderSettingFor(OutputFormat format, int quality);
