#include "picture/dxt1_block.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "picture/byte_reader.h"

namespace Picture {

namespace {

constexpr std::size_t kPixels = 16;
constexpr std::array<unsigned, 3> kBits{5, 6, 5};
constexpr std::array<float, 3> kGrid{31.0f, 63.0f, 31.0f};
constexpr std::array<float, 3> kGridStep{1.0f / 31.0f, 1.0f / 63.0f, 1.0f / 31.0f};

using Colour = std::array<std::uint8_t, 3>;

// Palette entries as the block stores them: the two end points, then the
// colour nearer the first (two thirds, or the half of a three-colour
// palette) and the one nearer the second (a third; transparent black in a
// three-colour palette).
enum Entry : std::uint8_t { kFirst = 0, kSecond = 1, kNearFirst = 2, kNearSecond = 3 };

// The block's distinct shown colours, each weighed by how many pixels show it.
struct ColourSet {
    std::size_t count = 0;
    std::array<Colour, kPixels> colours{};
    std::array<float, kPixels> weights{};
    std::array<int, kPixels> colourOf{};  // each pixel's colour; -1 when transparent or past the edge
    bool transparent = false;
};

ColourSet GatherColours(const std::array<std::uint8_t, 64>& pixels, unsigned mask)
{
    ColourSet set;
    for (std::size_t pixel = 0; pixel < kPixels; ++pixel) {
        set.colourOf[pixel] = -1;
        const std::uint8_t* rgba = pixels.data() + 4 * pixel;
        if ((mask >> pixel & 1) == 0) {
            continue;
        }
        if (rgba[3] < 128) {
            set.transparent = true;
            continue;
        }
        const Colour colour{rgba[0], rgba[1], rgba[2]};
        const auto end = set.colours.begin() + static_cast<std::ptrdiff_t>(set.count);
        const auto index = static_cast<std::size_t>(std::find(set.colours.begin(), end, colour) - set.colours.begin());
        if (index == set.count) {
            set.colours[set.count++] = colour;
        }
        set.weights[index] += 1.0f;
        set.colourOf[pixel] = static_cast<int>(index);
    }
    return set;
}

// A fitted block before packing: end points as 5:6:5 codes and the palette
// entry of each distinct colour.
struct Fit {
    std::array<unsigned, 3> first{};
    std::array<unsigned, 3> second{};
    std::array<std::uint8_t, kPixels> entryOf{};
    bool fourColours = false;
};

unsigned Pack(const std::array<unsigned, 3>& codes)
{
    return codes[0] << 11 | codes[1] << 5 | codes[2];
}

// The end points' order tells the decoder which palette the block has:
// first above second for four colours, else three and transparency.
void WriteBlock(const Fit& fit, const ColourSet& set, std::uint8_t* block)
{
    unsigned first = Pack(fit.first);
    unsigned second = Pack(fit.second);
    std::array<std::uint8_t, kPixels> entryOf = fit.entryOf;
    bool allFirst = false;
    if (fit.fourColours && first == second) {
        allFirst = true;  // one colour: the three-colour palette's first entry is it
    } else if (fit.fourColours ? first < second : first > second) {
        std::swap(first, second);
        for (std::uint8_t& entry : entryOf) {
            const bool endPoint = entry == kFirst || entry == kSecond;
            entry = static_cast<std::uint8_t>(endPoint || fit.fourColours ? entry ^ 1 : entry);
        }
    }
    block[0] = static_cast<std::uint8_t>(first);
    block[1] = static_cast<std::uint8_t>(first >> 8);
    block[2] = static_cast<std::uint8_t>(second);
    block[3] = static_cast<std::uint8_t>(second >> 8);
    for (std::size_t row = 0; row < 4; ++row) {
        unsigned indices = 0;
        for (std::size_t column = 0; column < 4; ++column) {
            const int colour = set.colourOf[4 * row + column];
            const unsigned entry = allFirst ? unsigned{kFirst} : colour < 0 ? unsigned{kNearSecond} : entryOf[static_cast<std::size_t>(colour)];
            indices |= entry << (2 * column);
        }
        block[4 + row] = static_cast<std::uint8_t>(indices);
    }
}

// --- One colour ---

// End points of one channel whose palette entry decodes nearest to a value.
struct ChannelEnds {
    std::uint8_t first = 0;
    std::uint8_t second = 0;
    int error = 0;
};

// For each 8-bit value, the end points of `bits` bits whose entry `entry`
// (an end point, two thirds or a half of the way) decodes nearest to it,
// computed as decoders compute it (rounded down).
std::array<ChannelEnds, 256> NearestEnds(unsigned bits, Entry entry, bool fourColours)
{
    std::array<int, 256> reachedBy{};
    reachedBy.fill(-1);
    const unsigned codes = 1u << bits;
    for (unsigned first = 0; first < codes; ++first) {
        for (unsigned second = 0; second < codes; ++second) {
            const unsigned a = Bytes::Widen(first, bits);
            const unsigned b = Bytes::Widen(second, bits);
            if (entry == kFirst && first != second) {
                continue;
            }
            const unsigned value = entry == kFirst ? a : fourColours ? (2 * a + b) / 3 : (a + b) / 2;
            if (reachedBy[value] < 0) {
                reachedBy[value] = static_cast<int>(first * codes + second);
            }
        }
    }
    std::array<ChannelEnds, 256> nearest{};
    for (int value = 0; value < 256; ++value) {
        for (int distance = 0;; ++distance) {
            const int below = value - distance;
            const int above = value + distance;
            const int pair = below >= 0 && reachedBy[below] >= 0 ? reachedBy[below]
                             : above < 256 && reachedBy[above] >= 0 ? reachedBy[above]
                                                                    : -1;
            if (pair >= 0) {
                nearest[value] = {static_cast<std::uint8_t>(pair / codes), static_cast<std::uint8_t>(pair % codes), distance};
                break;
            }
        }
    }
    return nearest;
}

struct OneColourTables {
    // By palette: the end point itself, the half of three colours, two thirds of four.
    std::array<std::array<std::array<ChannelEnds, 256>, 2>, 3> ends;
};

const OneColourTables& Tables()
{
    static const OneColourTables tables = [] {
        OneColourTables made;
        const std::array<std::pair<Entry, bool>, 3> entries{{{kFirst, false}, {kNearFirst, false}, {kNearFirst, true}}};
        for (std::size_t kind = 0; kind < entries.size(); ++kind) {
            made.ends[kind][0] = NearestEnds(5, entries[kind].first, entries[kind].second);
            made.ends[kind][1] = NearestEnds(6, entries[kind].first, entries[kind].second);
        }
        return made;
    }();
    return tables;
}

Fit FitOneColour(const ColourSet& set)
{
    const Colour& colour = set.colours[0];
    Fit best;
    int bestError = std::numeric_limits<int>::max();
    const std::size_t kinds = set.transparent ? 2 : 3;
    for (std::size_t kind = 0; kind < kinds; ++kind) {
        Fit fit;
        fit.fourColours = kind == 2;
        fit.entryOf[0] = kind == 0 ? kFirst : kNearFirst;
        int error = 0;
        for (std::size_t channel = 0; channel < 3; ++channel) {
            const ChannelEnds& ends = Tables().ends[kind][kBits[channel] == 6][colour[channel]];
            fit.first[channel] = ends.first;
            fit.second[channel] = ends.second;
            error += ends.error * ends.error;
        }
        if (error < bestError) {
            best = fit;
            bestError = error;
        }
    }
    return best;
}

// --- Cluster fit ---

std::array<float, 3> PrincipalAxis(const ColourSet& set)
{
    std::array<float, 3> mean{};
    float total = 0;
    for (std::size_t index = 0; index < set.count; ++index) {
        for (std::size_t channel = 0; channel < 3; ++channel) {
            mean[channel] += set.weights[index] * set.colours[index][channel];
        }
        total += set.weights[index];
    }
    for (float& channel : mean) {
        channel /= total;
    }
    std::array<std::array<float, 3>, 3> covariance{};
    for (std::size_t index = 0; index < set.count; ++index) {
        std::array<float, 3> offset{};
        for (std::size_t channel = 0; channel < 3; ++channel) {
            offset[channel] = set.colours[index][channel] - mean[channel];
        }
        for (std::size_t row = 0; row < 3; ++row) {
            for (std::size_t column = 0; column < 3; ++column) {
                covariance[row][column] += set.weights[index] * offset[row] * offset[column];
            }
        }
    }
    // Power iteration from the row of the channel that varies most, which
    // lies in the covariance's range and so never vanishes.
    std::size_t widest = 0;
    for (std::size_t channel = 1; channel < 3; ++channel) {
        widest = covariance[channel][channel] > covariance[widest][widest] ? channel : widest;
    }
    std::array<float, 3> axis = covariance[widest];
    for (int step = 0; step < 8; ++step) {
        std::array<float, 3> next{};
        for (std::size_t row = 0; row < 3; ++row) {
            next[row] = covariance[row][0] * axis[0] + covariance[row][1] * axis[1] + covariance[row][2] * axis[2];
        }
        const float largest = std::max({std::abs(next[0]), std::abs(next[1]), std::abs(next[2])});
        if (largest == 0) {
            break;
        }
        for (std::size_t channel = 0; channel < 3; ++channel) {
            axis[channel] = next[channel] / largest;
        }
    }
    return axis;
}

// Room for the 17 split points 0 to 16 and the 3 more that a line of splits
// rounded up to whole 4-wide steps may reach, so that the inner loop always
// runs whole vectors.
constexpr std::size_t kSplits = 20;

// The colours in their order along the axis, as running sums of weight x
// colour (red, green, blue in 0 to 1) and of weight: sums[c][m] covers the
// first m colours; past the last colour every sum is the total.
struct OrderedSums {
    std::size_t count = 0;
    std::array<std::uint8_t, kPixels> order{};
    std::array<std::array<float, kSplits>, 4> sums{};
    std::array<float, 4> total{};
};

OrderedSums OrderAlong(const ColourSet& set, const std::array<float, 3>& axis)
{
    OrderedSums ordered;
    ordered.count = set.count;
    std::array<float, kPixels> position{};
    for (std::size_t index = 0; index < set.count; ++index) {
        const Colour& colour = set.colours[index];
        position[index] = colour[0] * axis[0] + colour[1] * axis[1] + colour[2] * axis[2];
    }
    std::iota(ordered.order.begin(), ordered.order.begin() + static_cast<std::ptrdiff_t>(set.count), std::uint8_t{0});
    std::stable_sort(ordered.order.begin(), ordered.order.begin() + static_cast<std::ptrdiff_t>(set.count),
                     [&](std::uint8_t left, std::uint8_t right) { return position[left] < position[right]; });
    std::array<float, 4> running{};
    for (std::size_t split = 0; split < kSplits; ++split) {
        for (std::size_t channel = 0; channel < 4; ++channel) {
            ordered.sums[channel][split] = running[channel];
        }
        if (split < set.count) {
            const std::size_t index = ordered.order[split];
            const float weight = set.weights[index];
            for (std::size_t channel = 0; channel < 3; ++channel) {
                running[channel] += weight * (set.colours[index][channel] / 255.0f);
            }
            running[3] += weight;
        }
    }
    ordered.total = running;
    return ordered;
}

// A family of splits that differ only in their last boundary m: with alpha
// each colour's share of the first end point, the sums of weight x alpha x
// colour (and of weight x alpha, channel 3) are scale x (offset + sums[m]),
// and the sum of weight x alpha squared is squareScale x (squareOffset +
// sums[3][m]).
struct SplitLine {
    std::array<float, 4> offset{};
    float scale = 0;
    float squareOffset = 0;
    float squareScale = 0;
};

float Snap(float value, std::size_t channel)
{
    // In this order the compiler clamps at 0 with a mask, not a blend.
    const float clamped = std::max(0.0f, std::min(1.0f, value));
    return static_cast<float>(static_cast<int>(clamped * kGrid[channel] + 0.5f)) * kGridStep[channel];
}

// The least-squares end points of the split, rounded to the grid, and the
// squared error they leave, less the sum of weight x colour squared that
// every split shares.
inline float SplitError(const OrderedSums& ordered, const SplitLine& line, std::size_t last, float* first, float* second)
{
    const float alpha = line.scale * (line.offset[3] + ordered.sums[3][last]);
    const float alphaSquare = line.squareScale * (line.squareOffset + ordered.sums[3][last]);
    const float betaSquare = ordered.total[3] - 2 * alpha + alphaSquare;
    const float alphaBeta = alpha - alphaSquare;
    // Zero when every colour has the same share; otherwise at least 1/9.
    // The division is made whatever the outcome, so that it can be vectorised.
    const float determinant = alphaSquare * betaSquare - alphaBeta * alphaBeta;
    const float inverse = 1 / std::max(determinant, 0.05f);
    const float factor = determinant > 0.05f ? inverse : 0.0f;
    float error = 0;
    for (std::size_t channel = 0; channel < 3; ++channel) {
        const float alphaX = line.scale * (line.offset[channel] + ordered.sums[channel][last]);
        const float betaX = ordered.total[channel] - alphaX;
        const float a = Snap((alphaX * betaSquare - betaX * alphaBeta) * factor, channel);
        const float b = Snap((betaX * alphaSquare - alphaX * alphaBeta) * factor, channel);
        error += a * (a * alphaSquare + 2 * (b * alphaBeta - alphaX)) + b * (b * betaSquare - 2 * betaX);
        first[channel] = a;
        second[channel] = b;
    }
    return error;
}

// Where the runs of palette entries end along the order: the first end
// point's, the one nearer it, the one nearer the second (four colours only).
using Bounds = std::array<std::size_t, 3>;

struct BestSplit {
    float error = std::numeric_limits<float>::max();
    SplitLine line;
    std::size_t last = 0;
    Bounds bounds{};
    bool fourColours = false;
};

// Tries the splits whose boundaries from `varied` on run together from
// `from` to `to`, all evaluated in whole steps of 4 so that the compiler
// vectorises them.
void TryLine(const OrderedSums& ordered, const SplitLine& line, std::size_t from, std::size_t to, Bounds bounds,
             std::size_t varied, bool fourColours, BestSplit& best)
{
    std::array<float, kSplits> errors;
    const std::size_t end = from + ((to - from + 4) & ~std::size_t{3});
    for (std::size_t last = from; last < end; ++last) {
        float first[3];
        float second[3];
        errors[last] = SplitError(ordered, line, last, first, second);
    }
    for (std::size_t last = from; last <= to; ++last) {
        if (errors[last] < best.error) {
            std::fill(bounds.begin() + static_cast<std::ptrdiff_t>(varied), bounds.end(), last);
            best = {errors[last], line, last, bounds, fourColours};
        }
    }
}

Fit FitCluster(const ColourSet& set)
{
    const OrderedSums ordered = OrderAlong(set, PrincipalAxis(set));
    const std::size_t count = ordered.count;
    const auto& sums = ordered.sums;
    BestSplit best;
    // Three colours: runs [0, i) at the first end point, [i, j) halfway, [j, count) at the second.
    for (std::size_t i = 0; i < count; ++i) {
        const SplitLine line{{sums[0][i], sums[1][i], sums[2][i], sums[3][i]}, 0.5f, 3 * sums[3][i], 0.25f};
        TryLine(ordered, line, i, count, {i, i, i}, 1, false, best);
    }
    // Four colours: [0, i) first, [i, j) two thirds, [j, k) a third, [k, count) second.
    if (!set.transparent) {
        for (std::size_t i = 0; i < count; ++i) {
            for (std::size_t j = i; j <= count; ++j) {
                SplitLine line{{}, 1.0f / 3.0f, 5 * sums[3][i] + 3 * sums[3][j], 1.0f / 9.0f};
                for (std::size_t channel = 0; channel < 4; ++channel) {
                    line.offset[channel] = sums[channel][i] + sums[channel][j];
                }
                // Leaving every colour at the second end point is the three-colour split i = j = 0.
                TryLine(ordered, line, std::max<std::size_t>(j, 1), count, {i, j, j}, 2, true, best);
            }
        }
    }

    Fit fit;
    fit.fourColours = best.fourColours;
    float first[3];
    float second[3];
    SplitError(ordered, best.line, best.last, first, second);
    for (std::size_t channel = 0; channel < 3; ++channel) {
        fit.first[channel] = static_cast<unsigned>(first[channel] * kGrid[channel] + 0.5f);
        fit.second[channel] = static_cast<unsigned>(second[channel] * kGrid[channel] + 0.5f);
    }
    const auto [i, j, k] = best.bounds;
    for (std::size_t position = 0; position < count; ++position) {
        const Entry entry = position < i   ? kFirst
                            : position < j ? kNearFirst
                            : position < k ? kNearSecond
                                           : kSecond;
        fit.entryOf[ordered.order[position]] = entry;
    }
    return fit;
}

}  // namespace

void EncodeDxt1Block(const std::array<std::uint8_t, 64>& pixels, unsigned mask, std::uint8_t* block)
{
    const ColourSet set = GatherColours(pixels, mask);
    Fit fit;  // no colour shown: black end points, every pixel transparent
    if (set.count == 1) {
        fit = FitOneColour(set);
    } else if (set.count > 1) {
        fit = FitCluster(set);
    }
    WriteBlock(fit, set, block);
}

}  // namespace Picture
