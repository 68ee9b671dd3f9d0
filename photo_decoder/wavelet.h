// Two-dimensional biorthogonal 9/7 wavelet transform by lifting, in place,
// on a plane of floats of any size (odd sizes included).
//
// After `levels` steps the plane holds the usual pyramid: the coarsest
// low-pass band in the top-left corner, each level's three detail bands
// around it. The scaling makes the transform close to orthonormal, so one
// quantiser step gives about the same error per coefficient in every band.
#pragma once

#include <vector>

struct PlaneSize {
  int width = 0;
  int height = 0;
};

// Size of the low-pass region after `level` steps (level 0 is the plane).
PlaneSize LowPassSize(PlaneSize plane, int level);

void ForwardWavelet(std::vector<float>& plane, PlaneSize size, int levels);
void InverseWavelet(std::vector<float>& plane, PlaneSize size, int levels);
