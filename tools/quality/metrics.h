// How close a picture comes to a reference: PSNR and mean SSIM.
// Both pictures must have the same size; a mismatch throws std::invalid_argument.
#pragma once

#include "picture.h"

namespace fitool {

// PSNR of the luma plane, peak 255, in dB; +infinity when the planes are equal.
double PsnrY(const Picture& a, const Picture& b);

// PSNR over every sample of Y, U and V together (one mean squared error over
// every sample of the three planes), peak 255; +infinity when the pictures are equal.
double PsnrAll(const Picture& a, const Picture& b);

// Mean SSIM of the luma plane, in [-1, 1]; 1 when the planes are equal.
// The usual 8-bit definition: C1 = (0.01·255)², C2 = (0.03·255)², statistics
// weighted by a normalised 11×11 Gaussian window of σ = 1.5, averaged over
// every window position that lies fully inside the picture. A picture smaller
// than 11 in either direction is measured as a single window covering the
// whole picture with equal weights.
double SsimY(const Picture& a, const Picture& b);

}  // namespace fitool
