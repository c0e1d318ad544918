#include "jpeg_eighth.h"

#include <QImage>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

namespace viewers::codecs {

namespace {

constexpr int kPeek = 10; // bits looked up at once

// One Huffman table: the codes of up to kPeek bits through a lookup, the
// longer ones the canonical way.
struct Huffman {
    std::array<uint16_t, 1 << kPeek> fast{}; // length << 8 | symbol; 0 for a longer code
    // For the AC terms passed over, a Skip: the first term's bits (code and
    // value) and how far the position moves (64 at the block's end); when the
    // next term lies whole within the bits looked up too, both terms'.
    std::array<uint32_t, 1 << kPeek> skip{};
    std::array<int32_t, 18> maxCode{}; // by length; -1 when none
    std::array<int32_t, 17> offset{};  // code - offset = index into values
    std::array<uint8_t, 256> values{};

    // False for a table libjpeg would refuse (or fill in by default).
    bool build(const JHUFF_TBL* table, bool dc) {
        if (!table) return false;
        int count = 0;
        for (int length = 1; length <= 16; ++length)
            count += table->bits[length];
        if (count > 256) return false;
        for (int i = 0; dc && i < count; ++i)
            if (table->huffval[i] > 15) return false;
        std::memcpy(values.data(), table->huffval, 256);
        int32_t code = 0;
        int index = 0;
        for (int length = 1; length <= 16; ++length) {
            const int n = table->bits[length];
            offset[length] = code - index;
            for (int i = 0; i < n; ++i, ++code, ++index) {
                if (code >= (1 << length)) return false;
                if (length <= kPeek) fill(code, length, values[index]);
            }
            maxCode[length] = n ? code - 1 : -1;
            code <<= 1;
        }
        maxCode[17] = 0x7FFFFFFF;
        if (!dc) pairTerms();
        return true;
    }

    struct Skip {
        static uint32_t make(int bits, int advance, int bothBits, int bothAdvance) {
            return uint32_t(bits | advance << 5 | bothBits << 12 | bothAdvance << 17);
        }
        static int bits(uint32_t e) { return e & 31; }
        static int advance(uint32_t e) { return (e >> 5) & 127; }
        static int bothBits(uint32_t e) { return (e >> 12) & 31; }
        static int bothAdvance(uint32_t e) { return e >> 17; }
    };

    void fill(int code, int length, uint8_t symbol) {
        const int first = code << (kPeek - length), last = first + (1 << (kPeek - length));
        const int run = symbol >> 4, size = symbol & 15;
        const int advance = size ? run + 1 : (run == 15 ? 16 : 64);
        for (int i = first; i < last; ++i) {
            fast[i] = uint16_t(length << 8 | symbol);
            skip[i] = Skip::make(length + size, advance, length + size, advance);
        }
    }

    void pairTerms() {
        const auto single = skip;
        for (uint32_t i = 0; i < single.size(); ++i) {
            const uint32_t e = single[i];
            const int used = Skip::bits(e);
            if (!e || used >= kPeek || Skip::advance(e) >= 64) continue;
            const uint32_t next = single[(i << used) & (single.size() - 1)];
            const int nextCode = fast[(i << used) & (fast.size() - 1)] >> 8;
            if (!next || nextCode > kPeek - used || Skip::bits(next) > kPeek - used) continue;
            skip[i] = Skip::make(used, Skip::advance(e), used + Skip::bits(next),
                                 Skip::advance(e) + Skip::advance(next));
        }
    }
};

// The entropy-coded bits, unstuffed; zeros once a marker or the end is
// reached, counted in `padding` so that reading into them shows.
struct Bits {
    const uint8_t* at;
    const uint8_t* end;
    uint64_t buffer = 0; // next bit in the top place
    int count = 0;
    int padding = 0;
    bool stopped = false;

    void refill() {
        if (!stopped && end - at >= 8) {
            uint64_t word;
            std::memcpy(&word, at, 8);
            if constexpr (std::endian::native == std::endian::little)
                word = __builtin_bswap64(word);
            const uint64_t inverted = ~word;
            const bool noFF =
                ((inverted - 0x0101010101010101ull) & ~inverted & 0x8080808080808080ull) == 0;
            if (noFF) {
                const int bytes = (64 - count) >> 3, bits = bytes * 8;
                buffer |= (word >> (64 - bits)) << (64 - bits - count);
                at += bytes;
                count += bits;
                return;
            }
        }
        while (count <= 56) {
            buffer |= uint64_t(nextByte()) << (56 - count);
            count += 8;
        }
    }

    uint8_t nextByte() {
        if (!stopped && at < end) {
            if (*at != 0xFF) return *at++;
            if (end - at >= 2 && at[1] == 0) {
                at += 2;
                return 0xFF;
            }
            stopped = true; // a marker (or a fill byte, which only precedes one)
        }
        stopped = true;
        padding += 8;
        return 0;
    }

    uint32_t peek(int n) const { return uint32_t(buffer >> (64 - n)); }
    void drop(int n) {
        buffer <<= n;
        count -= n;
    }
    bool intoPadding() const { return count < padding; }
};

// A symbol, or -1 for a code no table has.
inline int decode(Bits& bits, const Huffman& table) {
    const uint16_t entry = table.fast[bits.peek(kPeek)];
    if (entry) {
        bits.drop(entry >> 8);
        return entry & 0xFF;
    }
    for (int length = kPeek + 1; length <= 16; ++length) {
        const int32_t code = int32_t(bits.peek(length));
        if (code <= table.maxCode[length]) {
            bits.drop(length);
            return table.values[(code - table.offset[length]) & 0xFF];
        }
    }
    return -1;
}

// Passes over a block's AC terms; false for a code no table has.
inline bool skipTerms(Bits& bits, const Huffman& table) {
    for (int k = 1; k < 64;) {
        if (bits.count < 32) bits.refill();
        const uint32_t entry = table.skip[bits.peek(kPeek)];
        if (entry) {
            using Skip = Huffman::Skip;
            if (k + Skip::advance(entry) >= 64) {
                bits.drop(Skip::bits(entry));
                return true;
            }
            bits.drop(Skip::bothBits(entry));
            k += Skip::bothAdvance(entry);
            continue;
        }
        const int symbol = decode(bits, table);
        if (symbol < 0) return false;
        const int run = symbol >> 4, size = symbol & 15;
        bits.drop(size);
        if (size)
            k += run + 1;
        else if (run == 15)
            k += 16;
        else
            return true;
    }
    return true;
}

// The DC difference; false for a fault.
inline bool dcDifference(Bits& bits, const Huffman& table, int& difference) {
    if (bits.count < 32) bits.refill();
    const int size = decode(bits, table);
    if (size < 0 || size > 11) return false;
    difference = 0;
    if (size) {
        const int value = int(bits.peek(size));
        bits.drop(size);
        difference = value < (1 << (size - 1)) ? value - (1 << size) + 1 : value;
    }
    return true;
}

// The transform of a lone DC term (rounded, over 8, centred), then the
// sample range of libjpeg's table, wrap-around of wild values included.
struct Samples {
    std::array<uint8_t, 1024> limit{};
    Samples() {
        for (int i = 0; i < 1024; ++i) {
            if (i < 128)
                limit[i] = uint8_t(i + 128);
            else if (i < 512)
                limit[i] = 255;
            else if (i < 896)
                limit[i] = 0;
            else
                limit[i] = uint8_t(i - 896);
        }
    }
    uint8_t operator()(int dc, int quant) const { return limit[((dc * quant + 4) >> 3) & 1023]; }
};

// YCbCr to RGB in 16-bit fixed point, rounded as libjpeg does.
struct Colours {
    std::array<int, 256> crR{}, cbB{}, crG{}, cbG{};
    Colours() {
        constexpr auto fix = [](double x) { return int(x * 65536 + 0.5); };
        for (int i = 0; i < 256; ++i) {
            const int x = i - 128;
            crR[i] = (fix(1.40200) * x + 32768) >> 16;
            cbB[i] = (fix(1.77200) * x + 32768) >> 16;
            crG[i] = -fix(0.71414) * x;
            cbG[i] = -fix(0.34414) * x + 32768;
        }
    }
    static int clamp(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }
    QRgb operator()(int y, int cb, int cr) const {
        return qRgb(clamp(y + crR[cr]), clamp(y + ((cbG[cb] + crG[cr]) >> 16)), clamp(y + cbB[cb]));
    }
};

enum class Layout { Grey, YCbCr, Rgb };

bool eligible(const jpeg_decompress_struct& info, Layout& layout) {
    if (info.progressive_mode || info.arith_code || info.data_precision != 8) return false;
    if (info.scale_num != 1 || info.scale_denom != 8 || info.out_color_space != JCS_EXT_BGRX)
        return false;
    if (info.comps_in_scan != info.num_components || info.Ss != 0 || info.Se != 63 ||
        info.Ah != 0 || info.Al != 0)
        return false;
    if (info.num_components == 1 && info.jpeg_color_space == JCS_GRAYSCALE)
        layout = Layout::Grey;
    else if (info.num_components == 3 && info.jpeg_color_space == JCS_YCbCr)
        layout = Layout::YCbCr;
    else if (info.num_components == 3 && info.jpeg_color_space == JCS_RGB)
        layout = Layout::Rgb;
    else
        return false;
    for (int i = 0; i < info.num_components; ++i) {
        const jpeg_component_info& c = info.comp_info[i];
        // One component is one block per unit, whatever its factors say.
        if (info.num_components > 1 && (c.h_samp_factor != 1 || c.v_samp_factor != 1)) return false;
        const JQUANT_TBL* quant = c.quant_tbl_no >= 0 && c.quant_tbl_no < NUM_QUANT_TBLS
                                      ? info.quant_tbl_ptrs[c.quant_tbl_no]
                                      : nullptr;
        if (!quant || quant->quantval[0] > 32767) return false;
    }
    return info.src && info.src->next_input_byte;
}

// Per component of the scan: its tables, place and predictor.
struct Part {
    Huffman dc, ac;
    int index = 0;
    int quant = 0;
    int predictor = 0;
};

// At a restart: nothing but the last byte's fill before the expected marker.
bool restart(Bits& bits, int number) {
    if (bits.intoPadding() || bits.count - bits.padding >= 8) return false;
    const uint8_t* at = bits.at;
    if (bits.end - at < 2 || at[0] != 0xFF || at[1] != 0xD0 + (number & 7)) return false;
    bits = Bits{at + 2, bits.end};
    return true;
}

// At the scan's end: the same, before the end-of-picture marker (what
// libjpeg would make of anything else is its own business).
bool finished(const Bits& bits) {
    if (bits.intoPadding() || bits.count - bits.padding >= 8) return false;
    return bits.end - bits.at >= 2 && bits.at[0] == 0xFF && bits.at[1] == 0xD9;
}

} // namespace

bool readJpegEighth(const jpeg_decompress_struct& info, QImage& image) {
    Layout layout;
    if (!eligible(info, layout)) return false;
    const int count = info.comps_in_scan;
    std::vector<Part> parts(static_cast<size_t>(count));
    unsigned seen = 0; // each component once in the scan
    for (int i = 0; i < count; ++i) {
        const jpeg_component_info* c = info.cur_comp_info[i];
        Part& part = parts[size_t(i)];
        if (!c || c->dc_tbl_no < 0 || c->dc_tbl_no >= NUM_HUFF_TBLS || c->ac_tbl_no < 0 ||
            c->ac_tbl_no >= NUM_HUFF_TBLS || c->component_index < 0 ||
            c->component_index >= count || (seen & (1u << c->component_index)))
            return false;
        seen |= 1u << c->component_index;
        if (!part.dc.build(info.dc_huff_tbl_ptrs[c->dc_tbl_no], true) ||
            !part.ac.build(info.ac_huff_tbl_ptrs[c->ac_tbl_no], false))
            return false;
        part.index = c->component_index;
        part.quant = info.quant_tbl_ptrs[info.comp_info[part.index].quant_tbl_no]->quantval[0];
    }
    const int width = int((info.image_width + 7) / 8), height = int((info.image_height + 7) / 8);
    if (width != int(info.output_width) || height != int(info.output_height)) return false;

    static const Samples samples;
    static const Colours colours;
    std::vector<uint8_t> row(size_t(width) * 3);
    QImage result(width, height, QImage::Format_RGB32);
    if (result.isNull()) return false;
    const uint8_t* start = info.src->next_input_byte;
    Bits bits{start, start + info.src->bytes_in_buffer};
    const int interval = int(info.restart_interval);
    int untilRestart = interval, marker = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (interval && untilRestart-- == 0) {
                if (!restart(bits, marker++)) return false;
                for (Part& part : parts)
                    part.predictor = 0;
                untilRestart = interval - 1;
            }
            for (Part& part : parts) {
                int difference;
                if (!dcDifference(bits, part.dc, difference)) return false;
                part.predictor += difference;
                if (part.predictor > 32767 || part.predictor < -32768) return false;
                row[size_t(x) * 3 + size_t(part.index)] = samples(part.predictor, part.quant);
                if (!skipTerms(bits, part.ac)) return false;
            }
        }
        if (bits.intoPadding()) return false;
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        const uint8_t* s = row.data();
        for (int x = 0; x < width; ++x, s += 3) {
            if (layout == Layout::Grey)
                line[x] = qRgb(s[0], s[0], s[0]);
            else if (layout == Layout::Rgb)
                line[x] = qRgb(s[0], s[1], s[2]);
            else
                line[x] = colours(s[0], s[1], s[2]);
        }
    }
    if (!finished(bits)) return false;
    image = std::move(result);
    return true;
}

} // namespace viewers::codecs
