#pragma once
// A JPEG decoded at an eighth of its size when every block then reduces to
// its DC term: a baseline picture, one scan, grey or three components of
// one sampling. The other terms are passed over, never decoded.

#include <cstdio> // jpeglib.h needs FILE
#include <jpeglib.h>

class QImage;

namespace viewers::codecs {

// `info` has read its header up to the scan, its source over the bytes in
// memory. Fills `image` with exactly what libjpeg gives at scale 1/8 (fast
// integer transform, plain upsampling, BGRX) and answers true; answers false
// and leaves `image` alone for any other picture, and for any stream it
// would not read exactly as libjpeg does (markers, padding, table faults):
// the caller then decodes through libjpeg.
bool readJpegEighth(const jpeg_decompress_struct& info, QImage& image);

} // namespace viewers::codecs
