#include "storage/legacy_text.h"

#include "encoding/codepage_tables.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include <QStringDecoder>

#if defined(__SSE2__) && defined(__GNUC__)
#define QUORVEL_X86_BLOCKS 1
#include <immintrin.h>
#endif

namespace storage {

QString decodeWindows1254(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        text[i] = QChar(b < 0x80 ? char16_t(b) : codepage::tables::cp1254[b - 0x80]);
    }
    return text;
}

QString decodeUtf8(QByteArrayView bytes) {
    if (!bytes.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(bytes);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

namespace {

#ifdef QUORVEL_X86_BLOCKS
// For each set of 16-bit lanes to keep (bit i: lane i), the byte shuffle
// that moves those lanes, in order, to the front.
struct PackTable {
    alignas(16) unsigned char control[256][16];
};
constexpr PackTable makePackTable() {
    PackTable t{};
    for (int keep = 0; keep < 256; ++keep) {
        int out = 0;
        for (int lane = 0; lane < 8; ++lane)
            if (keep & (1 << lane)) {
                t.control[keep][out++] = static_cast<unsigned char>(2 * lane);
                t.control[keep][out++] = static_cast<unsigned char>(2 * lane + 1);
            }
        while (out < 16) t.control[keep][out++] = 0x80;
    }
    return t;
}
constexpr PackTable kPack = makePackTable();

// Sixteen bytes at a time while they hold only ASCII and two-byte letters
// (all of Turkish, most of Europe): checks them, computes every letter at
// once and packs out the second bytes with a shuffle. Stops, without reading
// it, at a block that holds anything else or may be invalid, and when fewer
// than 17 bytes are left; the caller goes on from there. Needs SSSE3 and
// POPCNT (both came into x86-64 processors together).
__attribute__((target("ssse3,popcnt"))) void decodeTwoByteBlocks(const unsigned char*& from, const unsigned char* end,
                                                                 char16_t*& to) {
    const unsigned char* p = from;
    char16_t* o = to;
    const __m128i zero = _mm_setzero_si128();
    while (end - p >= 17) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned high = unsigned(_mm_movemask_epi8(v));
        if (high == 0) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_unpacklo_epi8(v, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 8), _mm_unpackhi_epi8(v, zero));
            p += 16;
            o += 16;
            continue;
        }
        const __m128i isCont = _mm_cmpeq_epi8(_mm_and_si128(v, _mm_set1_epi8(char(0xC0))), _mm_set1_epi8(char(0x80)));
        // Leads of two bytes, C2 to DF: C0 and C1 would only start overlong forms.
        const __m128i isLead = _mm_andnot_si128(
            _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(char(0xC0))), _mm_cmpeq_epi8(v, _mm_set1_epi8(char(0xC1)))),
            _mm_cmpeq_epi8(_mm_and_si128(v, _mm_set1_epi8(char(0xE0))), _mm_set1_epi8(char(0xC0))));
        const unsigned cont = unsigned(_mm_movemask_epi8(isCont));
        const unsigned lead = unsigned(_mm_movemask_epi8(isLead));
        // Nothing else above ASCII, and a continuation byte right after every
        // lead and nowhere else (a lead in the last byte is left for later).
        if ((high & ~(cont | lead)) != 0 || cont != ((lead << 1) & 0xFFFF)) break;
        const int take = (lead & 0x8000) ? 15 : 16;
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
        const auto letters = [&](__m128i bytes, __m128i following, __m128i leads) {
            const __m128i two = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(bytes, _mm_set1_epi16(0x1F)), 6),
                                             _mm_and_si128(following, _mm_set1_epi16(0x3F)));
            return _mm_or_si128(_mm_and_si128(leads, two), _mm_andnot_si128(leads, bytes));
        };
        const __m128i low = letters(_mm_unpacklo_epi8(v, zero), _mm_unpacklo_epi8(next, zero), _mm_unpacklo_epi8(isLead, isLead));
        const __m128i upper =
            letters(_mm_unpackhi_epi8(v, zero), _mm_unpackhi_epi8(next, zero), _mm_unpackhi_epi8(isLead, isLead));
        const unsigned keep = ~cont & (take == 16 ? 0xFFFFu : 0x7FFFu);
        // Each store writes eight units; never more units than bytes read so
        // far plus sixteen, which fits in out while 17 bytes are left.
        const __m128i lowPacked =
            _mm_shuffle_epi8(low, _mm_load_si128(reinterpret_cast<const __m128i*>(kPack.control[keep & 0xFF])));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), lowPacked);
        o += std::popcount(keep & 0xFF);
        const __m128i upperPacked =
            _mm_shuffle_epi8(upper, _mm_load_si128(reinterpret_cast<const __m128i*>(kPack.control[keep >> 8])));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), upperPacked);
        o += std::popcount(keep >> 8);
        p += take;
    }
    from = p;
    to = o;
}

bool hasTwoByteBlocks() {
    static const bool has = [] {
        __builtin_cpu_init();  // also when first asked before static constructors have run
        return __builtin_cpu_supports("ssse3") && __builtin_cpu_supports("popcnt");
    }();
    return has;
}
#endif

}  // namespace

bool decodeIfUtf8(QByteArrayView bytes, QString* text) { return decodeIfUtf8(bytes, text, Utf8Path::Fastest); }

bool decodeIfUtf8(QByteArrayView bytes, QString* text, Utf8Path path) {
    // Every value a transfer reads goes through here: one pass that checks
    // and converts. Where the processor allows, sixteen bytes at a time: with
    // SSSE3 (nearly every x86-64 in use) blocks of ASCII and two-byte letters,
    // else with SSE2 (every x86-64) runs of ASCII; elsewhere runs of ASCII
    // eight bytes at a time. It accepts exactly what isValidUtf8 accepts (no
    // overlong forms, no surrogates, nothing above U+10FFFF, no sequence cut
    // off at the end) and keeps a leading byte-order mark as U+FEFF, as
    // decodeUtf8 does.
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    QString out(bytes.size(), Qt::Uninitialized);  // never more UTF-16 units than bytes
    char16_t* const first = reinterpret_cast<char16_t*>(out.data());
    char16_t* o = first;
    const auto continuation = [](unsigned char b) { return (b & 0xC0) == 0x80; };
#ifdef QUORVEL_X86_BLOCKS
    const bool blocks = path == Utf8Path::Fastest && hasTwoByteBlocks();
    const bool asciiBlocks = path != Utf8Path::Portable;
#else
    (void)path;
#endif
#ifdef QUORVEL_X86_BLOCKS
    const unsigned char* blocksFrom = p;  // after a block the fast way left, the next tries it again
#endif
    while (p < end) {
        bool tail = true;  // whether the eight-byte steps are to be tried
#ifdef QUORVEL_X86_BLOCKS
        if (blocks) {
            if (p >= blocksFrom) {
                decodeTwoByteBlocks(p, end, o);
                blocksFrom = p + 16;
            }
        } else if (asciiBlocks) {
            // Widens all sixteen bytes and keeps the ASCII ones before the
            // first that is not: never more units than bytes read so far, so
            // the sixteen units always fit in out.
            const __m128i zero = _mm_setzero_si128();
            while (end - p >= 16) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_unpacklo_epi8(v, zero));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 8), _mm_unpackhi_epi8(v, zero));
                const unsigned high = unsigned(_mm_movemask_epi8(v));
                const int ascii = high == 0 ? 16 : std::countr_zero(high);
                p += ascii;
                o += ascii;
                if (ascii < 16) break;
            }
            tail = end - p < 16;  // else a byte that is not ASCII is next
        }
#endif
        while (tail && end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            const std::uint64_t high = word & 0x8080808080808080ULL;
            // The ASCII bytes before the first that is not (little-endian: the lowest).
            const int ascii = high == 0 ? 8 : std::endian::native == std::endian::little ? std::countr_zero(high) / 8 : 0;
            for (int i = 0; i < ascii; ++i) o[i] = char16_t(p[i]);
            p += ascii;
            o += ascii;
            if (ascii < 8) break;
        }
        if (p == end) break;
        const unsigned c = *p;
        const auto left = end - p;
        if (c < 0x80) {
            *o++ = char16_t(c);
            p += 1;
        } else if (c < 0xC2) {
            return false;  // a continuation byte, or the lead of an overlong form
        } else if (c < 0xE0) {
            if (left < 2 || !continuation(p[1])) return false;
            *o++ = char16_t(((c & 0x1F) << 6) | (p[1] & 0x3F));
            p += 2;
        } else if (c < 0xF0) {
            if (left < 3 || !continuation(p[1]) || !continuation(p[2])) return false;
            const unsigned u = ((c & 0x0F) << 12) | (unsigned(p[1] & 0x3F) << 6) | (p[2] & 0x3F);
            if (u < 0x800 || (u >= 0xD800 && u <= 0xDFFF)) return false;
            *o++ = char16_t(u);
            p += 3;
        } else if (c < 0xF5) {
            if (left < 4 || !continuation(p[1]) || !continuation(p[2]) || !continuation(p[3])) return false;
            const char32_t u = ((c & 0x07) << 18) | (unsigned(p[1] & 0x3F) << 12) | (unsigned(p[2] & 0x3F) << 6) | (p[3] & 0x3F);
            if (u < 0x10000 || u > 0x10FFFF) return false;
            *o++ = QChar::highSurrogate(u);
            *o++ = QChar::lowSurrogate(u);
            p += 4;
        } else {
            return false;
        }
    }
    out.truncate(o - first);
    *text = std::move(out);
    return true;
}

QString decodeStoredText(QByteArrayView bytes) {
    QString text;
    return decodeIfUtf8(bytes, &text) ? text : decodeWindows1254(bytes);
}

}  // namespace storage
