#include "sort_keys.h"

#include <unicode/ucol.h>

namespace transforms {

// French rules at the secondary strength: accents count, case does not;
// normalisation on, punctuation not ignored.
struct SortKeyMaker::Collator {
    UCollator* collator = nullptr;
    Collator() {
        UErrorCode status = U_ZERO_ERROR;
        collator = ucol_open("fr_FR", &status);
        ucol_setAttribute(collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
        ucol_setAttribute(collator, UCOL_STRENGTH, UCOL_SECONDARY, &status);
        ucol_setAttribute(collator, UCOL_NUMERIC_COLLATION, UCOL_OFF, &status);
        ucol_setAttribute(collator, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    }
    ~Collator() {
        if (collator) ucol_close(collator);
    }
};

SortKeyMaker::SortKeyMaker() : m_collator(std::make_unique<Collator>()) {}
SortKeyMaker::~SortKeyMaker() = default;

qsizetype SortKeyMaker::append(const QString& text, QByteArray& arena) {
    const auto* chars = reinterpret_cast<const UChar*>(text.utf16());
    const qsizetype start = arena.size();
    qsizetype room = std::max<qsizetype>(64, text.size() * 4);
    for (;;) {
        arena.resize(start + room);
        const int32_t needed =
            ucol_getSortKey(m_collator->collator, chars, int32_t(text.size()),
                            reinterpret_cast<uint8_t*>(arena.data() + start), int32_t(room));
        if (needed <= room) {
            // The key's own terminating zero is left out.
            const qsizetype length = needed > 0 ? needed - 1 : 0;
            arena.resize(start + length);
            return length;
        }
        room = needed;
    }
}

} // namespace transforms
