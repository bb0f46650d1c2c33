#include "driverdata/FFT.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "base/WorkerPool.h"

namespace pelmo {

namespace {

// sin(2*pi*k/length) for k = 0 ... length/4: a quarter period plus one entry,
// computed in extended precision so that every entry is the nearest double.
std::vector<double> QuarterSine(std::size_t length) {
    std::vector<double> t(length / 4 + 1);
    const long double w = 2.0L * M_PIl / static_cast<long double>(length);
    for (std::size_t k = 0; k < t.size(); ++k) t[k] = static_cast<double>(std::sin(w * static_cast<long double>(k)));
    t.front() = 0.0;
    t.back() = 1.0;
    return t;
}

struct SineTables {
    std::vector<double> Long = QuarterSine(LongFftLength);
    std::vector<double> Short = QuarterSine(ShortFftLength);
};

// Built on first use, which BuildSineTables makes happen at start-up.
const SineTables& Tables() {
    static const SineTables tables;
    return tables;
}

const std::vector<double>* TableFor(std::size_t length) {
    if (length == LongFftLength) return &Tables().Long;
    if (length == ShortFftLength) return &Tables().Short;
    return nullptr;
}

std::size_t ReverseBits(std::size_t v, unsigned bits) {
    std::size_t r = 0;
    for (unsigned b = 0; b < bits; ++b, v >>= 1) r = (r << 1) | (v & 1);
    return r;
}

// Moves every entry to its bit-reversed index. An index is split into high,
// middle and low bits (h, m, l) with q bits in h and in l; its partner is
// (rev l, rev m, rev h). For one pair of middle values m and rev m the two
// tiles of all (h, l) are read into a buffer and written back reordered: a
// handful of short runs of neighbouring entries instead of one cache line per
// entry.
template <unsigned q>
void ReverseTiles(double* x, unsigned bits, std::size_t mBegin, std::size_t mEnd) {
    constexpr std::size_t side = std::size_t{1} << q;
    const unsigned highShift = bits - q;
    const unsigned middleBits = bits - 2 * q;
    const std::size_t middleCount = std::size_t{1} << middleBits;
    std::size_t rev[side];
    for (std::size_t v = 0; v < side; ++v) rev[v] = ReverseBits(v, q);
    double a[side][side], b[side][side];
    for (std::size_t m = mBegin; m < mEnd && m < middleCount; ++m) {
        const std::size_t rm = ReverseBits(m, middleBits);
        if (rm < m) continue;  // done with the partner
        for (std::size_t h = 0; h < side; ++h) {
            const double* rowA = x + ((h << highShift) | (m << q));
            const double* rowB = x + ((h << highShift) | (rm << q));
            for (std::size_t l = 0; l < side; ++l) {
                a[h][l] = rowA[l];
                b[h][l] = rowB[l];
            }
        }
        // The entry at (h, m, l) comes from (rev l, rm, rev h), and back.
        for (std::size_t h = 0; h < side; ++h) {
            double* rowA = x + ((h << highShift) | (m << q));
            double* rowB = x + ((h << highShift) | (rm << q));
            for (std::size_t l = 0; l < side; ++l) {
                rowA[l] = b[rev[l]][rev[h]];
                rowB[l] = a[rev[l]][rev[h]];
            }
        }
    }
}

constexpr unsigned TileBits = 3;

unsigned BitsOf(std::size_t n) {
    unsigned bits = 0;
    while ((std::size_t{1} << bits) < n) ++bits;
    return bits;
}

void BitReverse(double* re, double* im, std::size_t n) {
    const unsigned bits = BitsOf(n);
    constexpr unsigned q = TileBits;
    if (bits >= 2 * q) {
        const std::size_t all = std::size_t{1} << (bits - 2 * q);
        ReverseTiles<q>(re, bits, 0, all);
        ReverseTiles<q>(im, bits, 0, all);
        return;
    }
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t j = ReverseBits(i, bits);
        if (i < j) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
    }
}

// The twiddle factors of half-span l, e^(sign * i * pi * j / l) for
// j = 0 ... l-1, read from the quarter-period table t of length n: sin of
// index j*n/(2l) up to a quarter period, the mirrored entries beyond it.
void Twiddles(const double* t, std::size_t n, std::size_t l, double sign, double* wr, double* wi) {
    const std::size_t step = n / (2 * l);
    const std::size_t quarter = n / 4;
    const std::size_t half = n / 2;
    const std::size_t jm = l / 2 + 1 < l ? l / 2 + 1 : l;  // j*step <= quarter
    for (std::size_t j = 0; j < jm; ++j) {
        const std::size_t k = j * step;
        wr[j] = t[quarter - k];
        wi[j] = sign * t[k];
    }
    for (std::size_t j = jm; j < l; ++j) {
        const std::size_t k = j * step;
        wr[j] = -t[k - quarter];
        wi[j] = sign * t[half - k];
    }
}

// Values of one lane (double) or of two neighbouring butterflies at once
// (a pair of doubles, where the compiler offers vector types). Every lane
// does the same arithmetic, so the results do not depend on the width.
#if defined(__GNUC__)
using Pair = double __attribute__((vector_size(16)));
using Quad = double __attribute__((vector_size(32)));
#else
using Pair = double;
using Quad = double;
#endif

// GCC builds a copy for processors with 256-bit vectors beside the default
// one and picks at load time; there a Quad is one instruction, elsewhere two.
// Clang (the sanitizer build) gets the default only.
#if defined(__GNUC__) && !defined(__clang__)
#define PELMO_AVX2_CLONE __attribute__((target_clones("avx2", "default")))
// The vectors are passed only between functions inlined into one another:
// no call crosses the boundary whose convention this warns about.
#pragma GCC diagnostic ignored "-Wpsabi"
#else
#define PELMO_AVX2_CLONE
#endif
template <class V>
constexpr std::size_t kLanes = sizeof(V) / sizeof(double);

template <class V>
[[gnu::always_inline]] inline V Load(const double* p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <class V>
[[gnu::always_inline]] inline void Store(double* p, V v) {
    std::memcpy(p, &v, sizeof v);
}

// (a, b) becomes (a + w*b, a - w*b).
template <class V>
[[gnu::always_inline]] inline void Butterfly(double* re, double* im, std::size_t a, std::size_t b, V wr, V wi) {
    const V xr = Load<V>(re + b), xi = Load<V>(im + b);
    const V ar = Load<V>(re + a), ai = Load<V>(im + a);
    const V br = xr * wr - xi * wi;
    const V bi = xr * wi + xi * wr;
    Store<V>(re + b, ar - br);
    Store<V>(im + b, ai - bi);
    Store<V>(re + a, ar + br);
    Store<V>(im + a, ai + bi);
}

// The same on values held in registers: (a, b) becomes (a + w*b, a - w*b).
template <class V>
[[gnu::always_inline]] inline void Butterfly(V& ar, V& ai, V& br, V& bi, V wr, V wi) {
    const V tr = br * wr - bi * wi;
    const V ti = br * wi + bi * wr;
    br = ar - tr;
    bi = ai - ti;
    ar = ar + tr;
    ai = ai + ti;
}

// The butterflies of half-span l on the blocks of 2l entries in [begin, end).
// Only the butterflies j = jBegin ... jEnd - 1 of each block where given.
template <class V>
[[gnu::always_inline]] inline void Pass(double* re, double* im, std::size_t l, const double* wr, const double* wi, std::size_t begin, std::size_t end,
          std::size_t jBegin = 0, std::size_t jEnd = SIZE_MAX) {
    jEnd = std::min(jEnd, l);
    for (std::size_t s = begin; s < end; s += 2 * l) {
        double* r = re + s;
        double* i = im + s;
        for (std::size_t j = jBegin; j < jEnd; j += kLanes<V>)
            Butterfly<V>(r, i, j, j + l, Load<V>(wr + j), Load<V>(wi + j));
    }
}

// The passes of half-spans l and 2l together on the blocks of 4l entries in
// [begin, end): per group of four entries the two butterflies of span l, then
// the two of span 2l on their results. That is what the two passes compute
// one after the other, in one sweep over the data.
template <class V>
[[gnu::always_inline]] inline void DoublePass(double* re, double* im, std::size_t l, const double* wr1, const double* wi1, const double* wr2,
                const double* wi2, std::size_t begin, std::size_t end, std::size_t jBegin = 0,
                std::size_t jEnd = SIZE_MAX) {
    jEnd = std::min(jEnd, l);
    for (std::size_t s = begin; s < end; s += 4 * l) {
        double* r = re + s;
        double* i = im + s;
        for (std::size_t j = jBegin; j < jEnd; j += kLanes<V>) {
            // The four entries are read once and written once.
            V r0 = Load<V>(r + j), i0 = Load<V>(i + j);
            V r1 = Load<V>(r + j + l), i1 = Load<V>(i + j + l);
            V r2 = Load<V>(r + j + 2 * l), i2 = Load<V>(i + j + 2 * l);
            V r3 = Load<V>(r + j + 3 * l), i3 = Load<V>(i + j + 3 * l);
            const V w1r = Load<V>(wr1 + j), w1i = Load<V>(wi1 + j);
            Butterfly<V>(r0, i0, r1, i1, w1r, w1i);
            Butterfly<V>(r2, i2, r3, i3, w1r, w1i);
            Butterfly<V>(r0, i0, r2, i2, Load<V>(wr2 + j), Load<V>(wi2 + j));
            Butterfly<V>(r1, i1, r3, i3, Load<V>(wr2 + j + l), Load<V>(wi2 + j + l));
            Store<V>(r + j, r0);
            Store<V>(i + j, i0);
            Store<V>(r + j + l, r1);
            Store<V>(i + j + l, i1);
            Store<V>(r + j + 2 * l, r2);
            Store<V>(i + j + 2 * l, i2);
            Store<V>(r + j + 3 * l, r3);
            Store<V>(i + j + 3 * l, i3);
        }
    }
}

// Spans from l upward to (not including) stop over [begin, end), two at a
// time; twiddles of span l are stored from offset l - 1 in wr and wi. Four
// butterflies go side by side from half-span 4 on.
PELMO_AVX2_CLONE void Spans(double* re, double* im, std::size_t l, std::size_t stop, const double* wr,
                            const double* wi, std::size_t begin, std::size_t end) {
    if (l == 1 && l < stop) {
        Pass<double>(re, im, 1, wr, wi, begin, end);
        l = 2;
    }
    for (; 2 * l < stop; l <<= 2) {
        if (l >= kLanes<Quad>)
            DoublePass<Quad>(re, im, l, wr + l - 1, wi + l - 1, wr + 2 * l - 1, wi + 2 * l - 1, begin, end);
        else
            DoublePass<Pair>(re, im, l, wr + l - 1, wi + l - 1, wr + 2 * l - 1, wi + 2 * l - 1, begin, end);
    }
    if (l < stop) {
        if (l >= kLanes<Quad>)
            Pass<Quad>(re, im, l, wr + l - 1, wi + l - 1, begin, end);
        else
            Pass<Pair>(re, im, l, wr + l - 1, wi + l - 1, begin, end);
    }
}

// The butterflies j = jBegin ... jEnd - 1 (multiples of four) of the
// half-spans l and 2l, or of l alone, over all n entries.
PELMO_AVX2_CLONE void LongSpans(double* re, double* im, std::size_t n, std::size_t l, bool two, const double* wr,
                                const double* wi, std::size_t jBegin, std::size_t jEnd) {
    if (two)
        DoublePass<Quad>(re, im, l, wr + l - 1, wi + l - 1, wr + 2 * l - 1, wi + 2 * l - 1, 0, n, jBegin, jEnd);
    else
        Pass<Quad>(re, im, l, wr + l - 1, wi + l - 1, 0, n, jBegin, jEnd);
}

// Twiddle factors of every span (those of half-span l from offset l - 1),
// worked out once per length and direction.
struct TwiddleTable {
    std::vector<double> wr, wi;
};

TwiddleTable MakeTwiddles(std::size_t n, double sign) {
    TwiddleTable w;
    w.wr.resize(n);
    w.wi.resize(n);
    const double* t = TableFor(n)->data();
    for (std::size_t l = 1; l < n; l <<= 1) Twiddles(t, n, l, sign, w.wr.data() + l - 1, w.wi.data() + l - 1);
    return w;
}

const TwiddleTable& TwiddlesOf(std::size_t n, double sign) {
    if (n == LongFftLength) {
        if (sign > 0) {
            static const TwiddleTable plus = MakeTwiddles(n, +1.0);
            return plus;
        }
        static const TwiddleTable minus = MakeTwiddles(n, -1.0);
        return minus;
    }
    if (sign > 0) {
        static const TwiddleTable plus = MakeTwiddles(n, +1.0);
        return plus;
    }
    static const TwiddleTable minus = MakeTwiddles(n, -1.0);
    return minus;
}

// The short spans run block by block, so that a block stays in the first
// level cache for all of them; the middle spans then run by larger blocks
// that stay in the second level cache, so that only the last spans sweep
// the whole transform.
constexpr std::size_t kBlock = 2048;
constexpr std::size_t kMidBlock = 16384;

// The long transform spread over the worker pool: the bit reversal by pairs
// of tiles, the short spans by blocks, each long span by its butterflies.
// Every butterfly computes what it computes in the plain order, and no two
// parts touch the same entries between the steps.
void SharedTransform(TWorkerPool& pool, double* r, double* i, std::size_t n, const double* wr, const double* wi) {
    const unsigned bits = BitsOf(n);
    pool.ForRanges(std::size_t{1} << (bits - 2 * TileBits), 1, [&](std::size_t b, std::size_t e) {
        ReverseTiles<TileBits>(r, bits, b, e);
        ReverseTiles<TileBits>(i, bits, b, e);
    });
    pool.ForRanges(n / kMidBlock, 1, [&](std::size_t b, std::size_t e) {
        for (std::size_t k = b * kMidBlock; k < e * kMidBlock; k += kMidBlock) {
            for (std::size_t s = k; s < k + kMidBlock; s += kBlock) Spans(r, i, 1, kBlock, wr, wi, s, s + kBlock);
            Spans(r, i, kBlock, kMidBlock, wr, wi, k, k + kMidBlock);
        }
    });
    std::size_t l = kMidBlock;
    for (; 2 * l < n; l <<= 2) {
        pool.ForRanges(l, kLanes<Quad>,
                       [&](std::size_t b, std::size_t e) { LongSpans(r, i, n, l, true, wr, wi, b, e); });
    }
    if (l < n) {
        pool.ForRanges(l, kLanes<Quad>,
                       [&](std::size_t b, std::size_t e) { LongSpans(r, i, n, l, false, wr, wi, b, e); });
    }
}

// Iterative decimation in time on n entries (a power of two, at most the
// long length): bit reversal, then half-spans 1, 2, 4 ... n/2. The short
// spans run block by block and spans run two at a time; each butterfly
// computes exactly what it computes in plain pass order. The twiddles of
// half-span l are at offset l - 1 of wr and wi, whatever the length.
void Core(double* r, double* i, std::size_t n, const double* wr, const double* wi) {
    TWorkerPool& pool = TWorkerPool::Shared();
    if (n >= LongFftLength / 2 && pool.Parts() > 1) {
        SharedTransform(pool, r, i, n, wr, wi);
        return;
    }
    BitReverse(r, i, n);
    const std::size_t block = n < kBlock ? n : kBlock;
    const std::size_t midBlock = n < kMidBlock ? n : kMidBlock;
    for (std::size_t m = 0; m < n; m += midBlock) {
        for (std::size_t b = m; b < m + midBlock; b += block) Spans(r, i, 1, block, wr, wi, b, b + block);
        Spans(r, i, block, midBlock, wr, wi, m, m + midBlock);
    }
    Spans(r, i, midBlock, n, wr, wi, 0, n);
}

void Transform(DataArray& re, DataArray& im, double sign) {
    const std::size_t n = re.size();
    const std::vector<double>* table = im.size() == n ? TableFor(n) : nullptr;
    if (!table)
        throw std::length_error("transform of " + std::to_string(re.size()) + " and " + std::to_string(im.size()) +
                                " points: only pairs of " + std::to_string(LongFftLength) + " or " +
                                std::to_string(ShortFftLength) + " are supported");
    double* r = re.data();
    double* i = im.data();
    const TwiddleTable& tw = TwiddlesOf(n, sign);
    const double* wr = tw.wr.data();
    const double* wi = tw.wi.data();

    Core(r, i, n, wr, wi);
}

// Half the work of a complex transform for a real sequence a of n entries:
// its even and odd samples as one complex sequence of n / 2, transformed,
// then split into the two halves' spectra and joined,
// A[k] = E[k] + e^(sign 2 pi i k / n) O[k], for k = 0 ... n/2.
void RealTransform(const DataArray& a, DataArray& re, DataArray& im, double sign) {
    const std::size_t n = a.size();
    if (n != LongFftLength)
        throw std::length_error("real transform of " + std::to_string(n) + " points: only " +
                                std::to_string(LongFftLength) + " are supported");
    const std::size_t m = n / 2;
    const TwiddleTable& tw = TwiddlesOf(LongFftLength, sign);
    thread_local DataArray keptRe, keptIm;
    DataArray& zr = keptRe;
    DataArray& zi = keptIm;
    zr.resize(m);
    zi.resize(m);
    TWorkerPool& pool = TWorkerPool::Shared();
    pool.ForRanges(m, 4096, [&](std::size_t b, std::size_t e) {
        for (std::size_t k = b; k < e; ++k) {
            zr[k] = a[2 * k];
            zi[k] = a[2 * k + 1];
        }
    });
    Core(zr.data(), zi.data(), m, tw.wr.data(), tw.wi.data());
    re.resize(m + 1);
    im.resize(m + 1);
    // The twiddles of half-span m are e^(sign i pi k / m), k < m.
    const double* wr = tw.wr.data() + m - 1;
    const double* wi = tw.wi.data() + m - 1;
    pool.ForRanges(m + 1, 4096, [&](std::size_t b, std::size_t e) {
        for (std::size_t k = b; k < e; ++k) {
            const std::size_t j = k < m ? k : 0, c = k == 0 ? 0 : m - k;  // k mod m, (m - k) mod m
            const double ar = zr[j], ai = zi[j], br = zr[c], bi = -zi[c];  // Z[k] and conj Z[m - k]
            const double er = 0.5 * (ar + br), ei = 0.5 * (ai + bi);
            const double orr = 0.5 * (ai - bi), oi = -0.5 * (ar - br);
            const double cr = k < m ? wr[k] : -1.0, ci = k < m ? wi[k] : 0.0;
            re[k] = er + (cr * orr - ci * oi);
            im[k] = ei + (cr * oi + ci * orr);
        }
    });
}

}  // namespace

void BuildSineTables() {
    (void)Tables();
    for (double sign : {+1.0, -1.0}) {
        (void)TwiddlesOf(LongFftLength, sign);
        (void)TwiddlesOf(ShortFftLength, sign);
    }
}

double SineTableEntry(std::size_t length, std::size_t k) {
    const std::vector<double>* table = TableFor(length);
    return table && k < table->size() ? (*table)[k] : 0.0;
}

void InverseFFT(DataArray& re, DataArray& im) { Transform(re, im, +1.0); }

void ForwardFFT(DataArray& re, DataArray& im) { Transform(re, im, -1.0); }

void RealInverseFFT(const DataArray& x, DataArray& re, DataArray& im) { RealTransform(x, re, im, +1.0); }

void RealForwardFFT(const DataArray& x, DataArray& re, DataArray& im) { RealTransform(x, re, im, -1.0); }

}  // namespace pelmo
