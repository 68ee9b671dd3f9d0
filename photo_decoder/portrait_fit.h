// Brings a picture of any size to the photo size: the largest centred
// region with the photo's proportions is cut out and scaled by averaging
// the area each target pixel covers.
#pragma once

#include "photo_decoder/rgb_image.h"

RgbImage FitPortrait(const RgbImage& source, int width, int height);
