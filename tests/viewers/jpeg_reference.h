#pragma once
// JPEGs written through libjpeg with chosen layouts, and libjpeg's own
// eighth-size decode of any bytes (the settings of the thumbnails), to hold
// the pictures' decoder to.

#include <QByteArray>
#include <QImage>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace jpeg_reference {

struct Layout {
    int quality = 90;
    int sampling = 1; // the luma's factors over the chroma's: 1 or 2
    unsigned restartInterval = 0;
    bool optimized = false; // tables made for the picture
    bool rgb = false;       // colours stored as RGB, not YCbCr
};

struct Failure {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] inline void failed(j_common_ptr info) {
    std::longjmp(reinterpret_cast<Failure*>(info->err)->jump, 1);
}
inline void quiet(j_common_ptr, int) {}

// RGB32 pictures are written in colour, Grayscale8 ones in grey.
inline QByteArray encode(const QImage& picture, const Layout& layout) {
    jpeg_compress_struct info;
    Failure failure;
    info.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = failed;
    unsigned char* out = nullptr;
    unsigned long size = 0;
    if (setjmp(failure.jump)) {
        jpeg_destroy_compress(&info);
        std::free(out);
        return {};
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &out, &size);
    const bool grey = picture.format() == QImage::Format_Grayscale8;
    info.image_width = JDIMENSION(picture.width());
    info.image_height = JDIMENSION(picture.height());
    info.input_components = grey ? 1 : 4;
    info.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGRX;
    jpeg_set_defaults(&info);
    if (layout.rgb && !grey) jpeg_set_colorspace(&info, JCS_RGB);
    jpeg_set_quality(&info, layout.quality, TRUE);
    info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = layout.sampling;
    for (int i = 1; i < info.num_components; ++i)
        info.comp_info[i].h_samp_factor = info.comp_info[i].v_samp_factor = 1;
    info.restart_interval = layout.restartInterval;
    info.optimize_coding = layout.optimized;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        auto* row = const_cast<JSAMPLE*>(picture.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(size));
    std::free(out);
    return bytes;
}

enum class Outcome { Failed, Decoded, Cmyk };

// Into `image`; CMYK pictures are not decoded.
inline Outcome eighth(const QByteArray& bytes, QImage& image) {
    jpeg_decompress_struct info;
    Failure failure;
    info.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = failed;
    failure.manager.emit_message = quiet;
    if (setjmp(failure.jump)) {
        jpeg_destroy_decompress(&info);
        return Outcome::Failed;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
        jpeg_destroy_decompress(&info);
        return Outcome::Cmyk;
    }
    if (qint64(info.image_width) * info.image_height > 100'000'000) std::longjmp(failure.jump, 1);
    info.scale_num = 1;
    info.scale_denom = 8;
    info.out_color_space = JCS_EXT_BGRX;
    info.dct_method = JDCT_IFAST;
    info.do_fancy_upsampling = FALSE;
    info.do_block_smoothing = FALSE;
    jpeg_calc_output_dimensions(&info);
    QImage* out = &image;
    *out = QImage(int(info.output_width), int(info.output_height), QImage::Format_RGB32);
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out->scanLine(int(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return Outcome::Decoded;
}

} // namespace jpeg_reference
