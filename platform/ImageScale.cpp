// Resampling, mip chains and the texture requirement check of PixelFormat.h.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>

#include "platform/PixelFormat.h"

namespace plat {
namespace {

struct Tap {
    uint32_t index;
    float weight;
};

// Source position of a tap outside 0..n-1: reflected (the edge pixel
// repeats, as mirrored texture addressing does) or wrapped.
uint32_t FoldIndex(int64_t i, uint32_t n, bool mirror)
{
    const int64_t size = n;
    if (mirror) {
        int64_t m = i % (2 * size);
        if (m < 0) m += 2 * size;
        return uint32_t(m < size ? m : 2 * size - 1 - m);
    }
    int64_t m = i % size;
    if (m < 0) m += size;
    return uint32_t(m);
}

// For each destination position, the source taps and their weights. Point
// sampling takes the nearest pixel; the other filters use a tent one source
// pixel wide when enlarging and one destination pixel wide when shrinking,
// so every source pixel contributes.
std::vector<std::vector<Tap>> Taps(uint32_t src, uint32_t dst, bool point, bool mirror)
{
    std::vector<std::vector<Tap>> taps(dst);
    const double scale = double(src) / dst;
    for (uint32_t x = 0; x < dst; ++x) {
        const double centre = (x + 0.5) * scale - 0.5;
        if (point) {
            const int64_t nearest = int64_t(std::floor((x + 0.5) * scale));
            taps[x].push_back({FoldIndex(nearest, src, mirror), 1.0f});
            continue;
        }
        const double radius = std::max(1.0, scale);
        const int64_t first = int64_t(std::floor(centre - radius)) + 1;
        const int64_t last = int64_t(std::floor(centre + radius));
        double total = 0;
        for (int64_t i = first; i <= last; ++i) {
            const double w = 1.0 - std::abs(double(i) - centre) / radius;
            if (w <= 0) continue;
            taps[x].push_back({FoldIndex(i, src, mirror), float(w)});
            total += w;
        }
        for (auto& t : taps[x]) t.weight = float(t.weight / total);
    }
    return taps;
}

using Pixel = std::array<float, 4>;

Pixel Unpack(uint32_t c)
{
    return {float(c >> 24), float(c >> 16 & 0xFF), float(c >> 8 & 0xFF), float(c & 0xFF)};
}

uint32_t Pack(const Pixel& p)
{
    uint32_t out = 0;
    for (float v : p) out = out << 8 | uint32_t(std::clamp(std::lround(v), 0L, 255L));
    return out;
}

Image CopyTopLeft(const Image& source, uint32_t width, uint32_t height)
{
    Image out;
    out.width = width;
    out.height = height;
    out.pixels.assign(size_t(width) * height, 0);
    for (uint32_t y = 0; y < std::min(height, source.height); ++y) {
        for (uint32_t x = 0; x < std::min(width, source.width); ++x) out.At(x, y) = source.At(x, y);
    }
    return out;
}

uint32_t RoundUpPow2(uint32_t v) { return v <= 1 ? 1 : std::bit_ceil(v); }

// Largest size a device limit allows (a power of two when it needs one).
uint32_t Clamp(uint32_t v, uint32_t max, bool pow2)
{
    if (max == 0) return v;
    const uint32_t limit = pow2 ? std::bit_floor(max) : max;
    return std::min(v, limit);
}

// Cost of storing pixels of one channel layout in another: losing a channel
// costs most (alpha above all), losing precision less, unused bits least.
uint32_t FormatDistance(const ChannelBits& want, const ChannelBits& have)
{
    uint32_t cost = 0;
    const uint32_t w[4] = {want.red, want.green, want.blue, want.alpha};
    const uint32_t h[4] = {have.red, have.green, have.blue, have.alpha};
    for (int c = 0; c < 4; ++c) {
        const uint32_t lossWeight = c == 3 ? 15 : 10;
        if (w[c] > 0 && h[c] == 0) cost += c == 3 ? 10000 : 1000;
        else if (w[c] == 0 && h[c] > 0) cost += c == 3 ? 100 : h[c];
        else if (h[c] < w[c]) cost += (w[c] - h[c]) * lossWeight;
        else cost += h[c] - w[c];
    }
    return cost;
}

} // namespace

Image ScaleImage(const Image& source, uint32_t width, uint32_t height, uint32_t filterWord)
{
    if (width == 0 || height == 0 || source.width == 0 || source.height == 0) return Image{};
    if (filterWord == filter::Default) filterWord = filter::Triangle | filter::Dither;
    const uint32_t kind = filterWord & 0xFF;
    if (kind == filter::None) return CopyTopLeft(source, width, height);
    if (width == source.width && height == source.height) return source;

    const bool point = kind == filter::Point;
    const auto across = Taps(source.width, width, point, filterWord & filter::MirrorU);
    const auto down = Taps(source.height, height, point, filterWord & filter::MirrorV);

    // Across first into a float buffer of source height, then down.
    std::vector<Pixel> middle(size_t(width) * source.height);
    for (uint32_t y = 0; y < source.height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            Pixel sum{};
            for (const Tap& t : across[x]) {
                const Pixel p = Unpack(source.At(t.index, y));
                for (int c = 0; c < 4; ++c) sum[c] += p[c] * t.weight;
            }
            middle[size_t(y) * width + x] = sum;
        }
    }
    Image out;
    out.width = width;
    out.height = height;
    out.pixels.resize(size_t(width) * height);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            Pixel sum{};
            for (const Tap& t : down[y]) {
                const Pixel& p = middle[size_t(t.index) * width + x];
                for (int c = 0; c < 4; ++c) sum[c] += p[c] * t.weight;
            }
            out.At(x, y) = Pack(sum);
        }
    }
    return out;
}

Image HalveImage(const Image& source)
{
    if (source.width == 0 || source.height == 0) return Image{};
    Image out;
    out.width = std::max(1u, source.width / 2);
    out.height = std::max(1u, source.height / 2);
    out.pixels.resize(size_t(out.width) * out.height);
    const uint32_t stepX = source.width > 1 ? 2 : 1, stepY = source.height > 1 ? 2 : 1;
    for (uint32_t y = 0; y < out.height; ++y) {
        for (uint32_t x = 0; x < out.width; ++x) {
            uint32_t sum[4] = {0, 0, 0, 0};
            for (uint32_t dy = 0; dy < stepY; ++dy) {
                for (uint32_t dx = 0; dx < stepX; ++dx) {
                    const uint32_t c = source.At(x * stepX + dx, y * stepY + dy);
                    for (int k = 0; k < 4; ++k) sum[k] += c >> (24 - 8 * k) & 0xFF;
                }
            }
            const uint32_t n = stepX * stepY;
            uint32_t c = 0;
            for (int k = 0; k < 4; ++k) c = c << 8 | (sum[k] + n / 2) / n;
            out.At(x, y) = c;
        }
    }
    return out;
}

uint32_t FullMipCount(uint32_t width, uint32_t height)
{
    const uint32_t side = std::max({width, height, 1u});
    return uint32_t(std::bit_width(side));
}

std::vector<Image> BuildMipChain(const Image& top, uint32_t levels)
{
    const uint32_t full = FullMipCount(top.width, top.height);
    if (levels == 0 || levels == kDefaultValue || levels > full) levels = full;
    std::vector<Image> chain;
    chain.reserve(levels);
    chain.push_back(top);
    while (chain.size() < levels) chain.push_back(HalveImage(chain.back()));
    return chain;
}

bool CheckTextureRequirements(uint32_t& width, uint32_t& height, uint32_t& levels,
                              uint32_t& format, const TextureLimits& limits)
{
    const auto unset = [](uint32_t v) { return v == 0 || v == kDefaultValue; };
    if (unset(width) && unset(height)) width = height = 256;
    else if (unset(width)) width = height;
    else if (unset(height)) height = width;
    if (limits.powerOfTwo) {
        width = RoundUpPow2(width);
        height = RoundUpPow2(height);
    }
    width = Clamp(width, limits.maxWidth, limits.powerOfTwo);
    height = Clamp(height, limits.maxHeight, limits.powerOfTwo);
    if (limits.square) {
        const uint32_t side = std::max(width, height);
        width = height = std::min(Clamp(side, limits.maxWidth, limits.powerOfTwo),
                                  Clamp(side, limits.maxHeight, limits.powerOfTwo));
    }
    const uint32_t full = FullMipCount(width, height);
    if (!limits.mipmaps) levels = 1;
    else if (unset(levels) || levels > full) levels = full;

    if (format == fmt::Unknown || format == kDefaultValue) format = fmt::A8R8G8B8;
    const auto& list = limits.formats;
    if (std::find(list.begin(), list.end(), format) != list.end()) return true;
    const ChannelBits want = FormatChannelBits(format);
    uint32_t best = fmt::Unknown, bestCost = std::numeric_limits<uint32_t>::max();
    for (uint32_t candidate : list) {
        if (!IsConvertibleFormat(candidate)) continue;
        const uint32_t cost = FormatDistance(want, FormatChannelBits(candidate));
        if (cost < bestCost) best = candidate, bestCost = cost;
    }
    if (best == fmt::Unknown) return false;
    format = best;
    return true;
}

} // namespace plat
