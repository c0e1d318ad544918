#include "scale_filtered.h"
#include "ui/errors.h"

#include <cmath>
#include <vector>

namespace filemanager {

namespace {

struct Contributor {
    int pixel;
    float weight;
};
using Contributions = std::vector<std::vector<Contributor>>;

int mirror(int j, int size) {
    if (j < 0) j = -j;
    if (j >= size) j = 2 * size - 1 - j;
    return std::clamp(j, 0, size - 1); // a source narrower than the kernel's reach
}

Contributions contributions(int srcSize, int dstSize, const FilterKernel& filter, double support) {
    double scale = srcSize > 1 && dstSize > 1 ? double(dstSize - 1) / double(srcSize - 1)
                                              : double(dstSize) / double(srcSize);
    Contributions out(static_cast<size_t>(dstSize));
    for (int i = 0; i < dstSize; ++i) {
        const double centre = i / scale;
        const double width = scale >= 1 ? support : support / scale;
        for (int j = int(std::floor(centre - width)); j <= int(std::ceil(centre + width)); ++j) {
            double w = scale >= 1 ? filter(centre - j) : filter((centre - j) * scale) * scale;
            if (w == 0) continue;
            out[size_t(i)].push_back({mirror(j, srcSize), float(w)});
        }
    }
    return out;
}

uchar clampByte(float v) {
    if (v > 255) return 255;
    if (v < 0) return 0;
    return uchar(std::nearbyint(v)); // default rounding: a half to the even neighbour
}

} // namespace

double hermiteFilter(double t) {
    t = std::fabs(t);
    return t < 1 ? (2 * t - 3) * t * t + 1 : 0;
}

void scaleFiltered(const QImage& source, QImage& destination, const FilterKernel& filter,
                   double support) {
    if (source.width() <= 0 || source.height() <= 0)
        throw ui::TavError(QStringLiteral("Source bitmap too small"));
    const QImage src = source.convertToFormat(QImage::Format_RGB888);
    const int dw = destination.width(), dh = destination.height();
    if (dw <= 0 || dh <= 0) return;
    QImage work(dw, src.height(), QImage::Format_RGB888);
    QImage dst(dw, dh, QImage::Format_RGB888);

    const Contributions cols = contributions(src.width(), dw, filter, support);
    for (int y = 0; y < src.height(); ++y) {
        const uchar* in = src.constScanLine(y);
        uchar* out = work.scanLine(y);
        for (int x = 0; x < dw; ++x) {
            for (int c = 0; c < 3; ++c) {
                float sum = 0;
                for (const Contributor& k : cols[size_t(x)])
                    sum += k.weight * in[k.pixel * 3 + c];
                out[x * 3 + c] = clampByte(sum);
            }
        }
    }
    const Contributions rows = contributions(src.height(), dh, filter, support);
    for (int y = 0; y < dh; ++y) {
        uchar* out = dst.scanLine(y);
        for (int x = 0; x < dw; ++x) {
            for (int c = 0; c < 3; ++c) {
                float sum = 0;
                for (const Contributor& k : rows[size_t(y)])
                    sum += k.weight * work.constScanLine(k.pixel)[x * 3 + c];
                out[x * 3 + c] = clampByte(sum);
            }
        }
    }
    destination = dst;
}

} // namespace filemanager
