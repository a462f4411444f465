#include "rgbquantiser.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#if defined(__x86_64__)
#define QUILLET_WIDER_VECTORS __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define QUILLET_WIDER_VECTORS
#endif

namespace {

// Four lanes: SSE2 or NEON from the compiler's vector extensions. A block row is two vectors,
// a block sixteen.
typedef float V __attribute__((vector_size(16)));
typedef std::int32_t VI __attribute__((vector_size(16)));
constexpr int kRowVectors = 2;
constexpr int kBlockVectors = 16;
using Plane = std::array<V, kBlockVectors>;
using Planes = std::array<Plane, 3>;

// cos(k pi / 16) for k = 0 to 8, written out: the smooth mode keeps clear of libm (see
// smoothscale.cpp).
constexpr double kCos[9] = {1.0,
                            0.98078528040323044913,
                            0.92387953251128675613,
                            0.83146961230254523708,
                            0.70710678118654752440,
                            0.55557023301960222474,
                            0.38268343236508977173,
                            0.19509032201612826785,
                            0.0};

// Row u, column x of the orthonormal 8-point DCT: JPEG's transform exactly.
float dctAt(int u, int x) {
    int m = (2 * x + 1) * u % 32; // cos(m pi / 16), one period
    if (m > 16)
        m = 32 - m;
    const double c = m <= 8 ? kCos[m] : -kCos[16 - m];
    return float(c * (u == 0 ? 0.35355339059327376220 : 0.5));
}

// The decoder's colour conversion (JFIF). A pixel's RGB error is e^T G e for the error e of
// its Y, Cb and Cr, with G = M^T M for the rows of M.
constexpr float kCrR = 1.402f, kCbG = -0.344136f, kCrG = -0.714136f, kCbB = 1.772f;
constexpr float kGyy = 3, kGyb = kCbG + kCbB, kGyr = kCrR + kCrG, kGbb = kCbG * kCbG + kCbB * kCbB,
                kGbr = kCbG * kCrG, kGrr = kCrR * kCrR + kCrG * kCrG;

V splat(float f) {
    return V{} + f;
}

// Within 0 to 255, where a decoder clamps. The decoder's rounding is left out of the model:
// the coefficients' joint rounding already deals in the unclamped error.
V clamped(V v) {
    v = v < 0 ? V{} : v;
    return v > 255 ? splat(255) : v;
}

V floorOf(V v) {
    const V t = __builtin_convertvector(__builtin_convertvector(v, VI), V);
    return t > v ? t - 1 : t;
}

// What a decoder shows of a block, and how far that is from the picture.
struct Decoded {
    Planes value{};  // each component before the decoder clamps it (Y, Cb, Cr less 128)
    Planes sample{}; // after clamping, less 128 for Cb and Cr
    float error = 0;

    static V sampleOf(V v, int k) { return clamped(v + 128) - (k == 0 ? 0.0f : 128.0f); }

    void settle(const Planes &target, const Plane &weight) {
        for (int k = 0; k < 3; ++k)
            for (int j = 0; j < kBlockVectors; ++j)
                sample[k][j] = sampleOf(value[k][j], k);
        error = errorWith<0>(target, weight, value[0].data(), 0); // Y changed by nothing
    }

    // The weighted squared RGB error with component K at `value` + `d` b.
    template <int K>
    float errorWith(const Planes &target, const Plane &weight, const V *b, float d) const {
        V sum{};
        for (int j = 0; j < kBlockVectors; ++j) {
            const V changed = sampleOf(value[K][j] + d * b[j], K);
            const V y = K == 0 ? changed : sample[0][j];
            const V cb = K == 1 ? changed : sample[1][j];
            const V cr = K == 2 ? changed : sample[2][j];
            const V r = clamped(y + kCrR * cr) - target[0][j];
            const V g = clamped(y + kCbG * cb + kCrG * cr) - target[1][j];
            const V bl = clamped(y + kCbB * cb) - target[2][j];
            sum += weight[j] * (r * r + g * g + bl * bl);
        }
        return sum[0] + sum[1] + sum[2] + sum[3];
    }

    template <int K> void change(const V *b, float d) {
        for (int j = 0; j < kBlockVectors; ++j) {
            value[K][j] += d * b[j];
            sample[K][j] = sampleOf(value[K][j], K);
        }
    }
};

} // namespace

RgbBlockQuantiser::RgbBlockQuantiser(const std::uint16_t *luma, const std::uint16_t *chroma) {
    for (int i = 0; i < 64; ++i) {
        step_[std::size_t(i)] = luma[i];
        step_[std::size_t(64 + i)] = step_[std::size_t(128 + i)] = chroma[i];
    }
    for (int u = 0; u < 8; ++u)
        for (int x = 0; x < 8; ++x)
            cosine_[std::size_t(u)][std::size_t(x)] = dctAt(u, x);
}

namespace {

// The blocks of a thumbnail cost a few percent of its time; AVX2 and FMA, where the processor
// has them, take a third of that off. A free function: clang makes clones of those alone.
QUILLET_WIDER_VECTORS void quantiseBlock(const float *steps,
                                         const std::array<std::array<float, 8>, 8> &cosine,
                                         const std::uint8_t *rgb, std::size_t stride, int width,
                                         int height, std::int16_t out[3][64]) {
    Planes target{}, ycc{};
    Plane weight{};
    bool clamps = false, flat = true;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const std::uint8_t *px = rgb + std::size_t(std::min(y, height - 1)) * stride +
                                     3 * std::size_t(std::min(x, width - 1));
            const int j = kRowVectors * y + x / 4, lane = x % 4;
            const float r = px[0], g = px[1], b = px[2];
            target[0][j][lane] = r;
            target[1][j][lane] = g;
            target[2][j][lane] = b;
            ycc[0][j][lane] = 0.299f * r + 0.587f * g + 0.114f * b - 128;
            ycc[1][j][lane] = -0.168736f * r - 0.331264f * g + 0.5f * b;
            ycc[2][j][lane] = 0.5f * r - 0.418688f * g - 0.081312f * b;
            if (x < width && y < height) {
                weight[j][lane] = 1;
                clamps = clamps || std::min({px[0], px[1], px[2]}) == 0 ||
                         std::max({px[0], px[1], px[2]}) == 255;
                flat = flat && std::memcmp(px, rgb, 3) == 0;
            }
        }

    // The transform, columns then rows: coefficient (u, v) at row u, lane v.
    Planes coef{};
    for (int k = 0; k < 3; ++k) {
        Plane columns{};
        for (int u = 0; u < 8; ++u)
            for (int y = 0; y < 8; ++y)
                for (int h = 0; h < kRowVectors; ++h)
                    columns[kRowVectors * u + h] += cosine[u][y] * ycc[k][kRowVectors * y + h];
        for (int u = 0; u < 8; ++u)
            for (int x = 0; x < 8; ++x) {
                const float c = columns[kRowVectors * u + x / 4][x % 4];
                for (int h = 0; h < kRowVectors; ++h) {
                    const int v = 4 * h;
                    const V row = {cosine[v][x], cosine[v + 1][x], cosine[v + 2][x],
                                   cosine[v + 3][x]};
                    coef[k][kRowVectors * u + h] += c * row;
                }
            }
    }

    // The transform keeps distances, so the block's RGB error is the sum over its coefficients
    // of e^T G e: each coefficient's three roundings are chosen together, four at a time.
    std::array<std::array<VI, kBlockVectors>, 3> q{};
    for (int j = 0; j < kBlockVectors; ++j) {
        V below[3], above[3], down[3];
        for (int k = 0; k < 3; ++k) {
            V s;
            std::memcpy(&s, steps + 64 * k + 4 * j, sizeof s);
            down[k] = floorOf(coef[k][j] / s);
            below[k] = coef[k][j] - down[k] * s; // the error rounding down leaves
            above[k] = below[k] - s;             // and rounding up
        }
        V best = splat(3.4e38f);
        VI choice{};
        for (int combo = 0; combo < 8; ++combo) {
            const V ey = combo & 1 ? above[0] : below[0];
            const V eb = combo & 2 ? above[1] : below[1];
            const V er = combo & 4 ? above[2] : below[2];
            const V cost = kGyy * ey * ey + kGbb * eb * eb + kGrr * er * er +
                           2 * (kGyb * ey * eb + kGyr * ey * er + kGbr * eb * er);
            const VI better = cost < best;
            best = better ? cost : best;
            choice = better ? VI{} + combo : choice;
        }
        for (int k = 0; k < 3; ++k)
            q[k][j] = __builtin_convertvector(down[k], VI) + (choice >> k & 1);
    }

    if (clamps && !flat) {
        // Clamped pixels make the error depend on more than each coefficient alone: each
        // coefficient is tried one step towards the other side of its exact value, and kept
        // where the clamped pixels come nearer the picture. One that lies within a quarter step
        // of its rounding would cost at least half a step squared elsewhere, which clamping
        // seldom repays: it is not tried, which halves the work.

        // Coefficient i's basis picture, made when wanted: cosine u down times cosine v across.
        V across[8][kRowVectors];
        for (int v = 0; v < 8; ++v)
            for (int h = 0; h < kRowVectors; ++h)
                across[v][h] = V{cosine[v][4 * h], cosine[v][4 * h + 1], cosine[v][4 * h + 2],
                                 cosine[v][4 * h + 3]};
        const auto basisOf = [&](int i, V *b) {
            for (int j = 0; j < kBlockVectors; ++j)
                b[j] = cosine[i / 8][j / kRowVectors] * across[i % 8][j % kRowVectors];
        };
        Decoded d;
        V b[kBlockVectors];
        for (int k = 0; k < 3; ++k)
            for (int i = 0; i < 64; ++i)
                if (const int n = q[k][i / 4][i % 4]) {
                    basisOf(i, b);
                    for (int j = 0; j < kBlockVectors; ++j)
                        d.value[k][j] += float(n) * steps[std::size_t(64 * k + i)] * b[j];
                }
        d.settle(target, weight);
        const auto refine = [&](auto component) {
            constexpr int K = decltype(component)::value;
            for (int i = 0; i < 64; ++i) {
                const float s = steps[std::size_t(64 * K + i)];
                const int n = q[K][i / 4][i % 4];
                const float exact = coef[K][i / 4][i % 4] / s;
                if (exact - float(n) < 0.25f && float(n) - exact < 0.25f)
                    continue;
                const float step = exact > float(n) ? s : -s;
                basisOf(i, b);
                const float e = d.template errorWith<K>(target, weight, b, step);
                if (e < d.error) {
                    d.template change<K>(b, step);
                    d.error = e;
                    q[K][i / 4][i % 4] = n + (step > 0 ? 1 : -1);
                }
            }
        };
        // One pass: a second gains a tenth as much again for as much time.
        refine(std::integral_constant<int, 0>{});
        refine(std::integral_constant<int, 1>{});
        refine(std::integral_constant<int, 2>{});
    }

    // Baseline JPEG codes an AC coefficient in at most 10 bits and a DC difference in 11.
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 64; ++i)
            out[k][i] = std::int16_t(std::clamp(q[k][i / 4][i % 4], i == 0 ? -1024 : -1023, 1023));
}

} // namespace

void RgbBlockQuantiser::quantise(const std::uint8_t *rgb, std::size_t stride, int width, int height,
                                 std::int16_t out[3][64]) const {
    quantiseBlock(step_.data(), cosine_, rgb, stride, width, height, out);
}
