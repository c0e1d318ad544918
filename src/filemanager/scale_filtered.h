#pragma once
// Two-pass filtered image rescaling with a chosen kernel.

#include <QImage>
#include <functional>

namespace filemanager {

using FilterKernel = std::function<double(double)>;

// The Hermite kernel: (2|t| - 3) t^2 + 1 inside (-1, 1), 0 outside.
double hermiteFilter(double t);

// Redraws source into destination at the destination's current size. Both
// end up 24-bit; weights are not normalised, as the listing's icons expect.
// Throws ui::TavError("Source bitmap too small") for an empty source.
void scaleFiltered(const QImage& source, QImage& destination, const FilterKernel& filter,
                   double support);

} // namespace filemanager
