#include "bookwriter/Refine.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace inkvista::bookwriter {
namespace {

constexpr int kBlurRadius = 3;
// The autocorrelation reaches 6 pixels; past 4 it is below 2 % of its peak,
// and cutting it there halves the work of each move.
constexpr int kReach = 4;
constexpr float kOwnError = 0.05f;
constexpr int kMostPasses = 8;
// Passes stop once fewer than this share of the pixels moved.
constexpr size_t kSettled = 500;

// The blur's autocorrelation along one axis (a Gaussian of sigma 1.4): how
// a change at one pixel moves the blurred error around it.
struct EyeBlur {
    std::array<float, 2 * kReach + 1> corr{};
    float centre = 0;  // what a change costs at its own pixel

    EyeBlur() {
        std::array<double, 2 * kBlurRadius + 1> g{};
        double sum = 0;
        for (int k = -kBlurRadius; k <= kBlurRadius; ++k)
            sum += g[static_cast<size_t>(k + kBlurRadius)] = std::exp(-0.5 * k * k);
        for (double& v : g) v /= sum;
        for (int k = -kReach; k <= kReach; ++k) {
            double c = 0;  // g correlated with itself at distance k
            for (int j = -kBlurRadius; j <= kBlurRadius; ++j)
                if (std::abs(j + k) <= kBlurRadius)
                    c += g[static_cast<size_t>(j + kBlurRadius)] *
                         g[static_cast<size_t>(j + k + kBlurRadius)];
            corr[static_cast<size_t>(k + kReach)] = static_cast<float>(c);
        }
        centre = corr[kReach] * corr[kReach];
    }
    float At(long dx, long dy) const {
        return corr[static_cast<size_t>(dx + kReach)] * corr[static_cast<size_t>(dy + kReach)];
    }
};

const EyeBlur kEye;

template <size_t Channels>
class Refiner {
  public:
    Refiner(const RefineInput& in, std::vector<uint8_t>& indices)
        : in_(in), indices_(indices), w_(in.width), h_(in.height) {
        for (size_t e = 0; e < std::min<size_t>(in.entries, 256); ++e)
            for (size_t k = 0; k < c_; ++k) palette_[e * 3 + k] = in.palette[e * c_ + k];
        // pull = the error correlated with the blur's autocorrelation, a
        // plane per channel, channels interleaved.
        std::vector<float> error(w_ * h_ * c_), across(w_ * h_ * c_, 0.0f);
        for (size_t i = 0; i < w_ * h_; ++i)
            for (size_t k = 0; k < c_; ++k) error[i * c_ + k] = Own(i, indices_[i], k);
        pull_.assign(w_ * h_ * c_, 0.0f);
        for (size_t y = 0; y < h_; ++y)
            for (size_t x = 0; x < w_; ++x)
                for (long k = -kReach; k <= kReach; ++k) {
                    const long xx = static_cast<long>(x) + k;
                    if (xx < 0 || xx >= static_cast<long>(w_)) continue;
                    const float c = kEye.corr[static_cast<size_t>(k + kReach)];
                    for (size_t ch = 0; ch < c_; ++ch)
                        across[(y * w_ + x) * c_ + ch] +=
                            c * error[(y * w_ + static_cast<size_t>(xx)) * c_ + ch];
                }
        for (size_t y = 0; y < h_; ++y)
            for (long k = -kReach; k <= kReach; ++k) {
                const long yy = static_cast<long>(y) + k;
                if (yy < 0 || yy >= static_cast<long>(h_)) continue;
                const float c = kEye.corr[static_cast<size_t>(k + kReach)];
                const float* src = &across[static_cast<size_t>(yy) * w_ * c_];
                float* dst = &pull_[y * w_ * c_];
                for (size_t x = 0; x < w_ * c_; ++x) dst[x] += c * src[x];
            }
    }

    void Run() {
        for (int pass = 0; pass < kMostPasses; ++pass) {
            size_t moved = 0;
            for (size_t y = 0; y < h_; ++y)
                for (size_t x = 0; x < w_; ++x)
                    if (!Settled(y * w_ + x)) moved += Toggle(x, y) + Swap(x, y);
            if (moved * kSettled < w_ * h_) break;
        }
    }

  private:
    float Value(int entry, size_t k) const { return palette_[static_cast<size_t>(entry) * 3 + k]; }
    float Own(size_t i, int entry, size_t k) const {
        return Value(entry, k) - in_.picture[i * c_ + k];
    }
    // A pixel with one choice, and that taken (paper, ink), has nothing to
    // try: it cannot move, and no neighbour can trade with it.
    bool Settled(size_t i) const {
        return in_.choices[2 * i] == in_.choices[2 * i + 1] && indices_[i] == in_.choices[2 * i];
    }
    bool May(size_t i, int entry) const {
        return in_.choices[2 * i] == entry || in_.choices[2 * i + 1] == entry;
    }
    // What moving pixel i from its entry to `to` does to the error.
    float Gain(size_t i, int to) const {
        const int from = indices_[i];
        float g = 0;
        for (size_t k = 0; k < c_; ++k) {
            const float d = Value(to, k) - Value(from, k);
            g += 2 * d * pull_[i * c_ + k] + d * d * kEye.centre +
                 kOwnError * (2 * d * Own(i, from, k) + d * d);
        }
        return g;
    }

    bool Toggle(size_t x, size_t y) {
        const size_t i = y * w_ + x;
        int best = -1;
        float gain = 0;
        for (int c = 0; c < 2; ++c) {
            const int to = in_.choices[2 * i + static_cast<size_t>(c)];
            if (to == indices_[i]) continue;
            const float g = Gain(i, to);
            if (g < gain) {
                gain = g;
                best = to;
            }
        }
        if (best < 0) return false;
        Move(x, y, best);
        return true;
    }

    // Trades entries with the neighbour to the right or below, whichever
    // lowers the error more.
    bool Swap(size_t x, size_t y) {
        const size_t i = y * w_ + x;
        std::pair<size_t, size_t> best{0, 0};
        float gain = 0;
        for (const auto& [dx, dy] : {std::pair<size_t, size_t>{1, 0}, {0, 1}}) {
            const size_t nx = x + dx, ny = y + dy;
            if (nx >= w_ || ny >= h_) continue;
            const size_t j = ny * w_ + nx;
            const int a = indices_[i], b = indices_[j];
            if (a == b || !May(i, b) || !May(j, a)) continue;
            // Both moves, less what each takes from the other's pull.
            float cross = 0;
            for (size_t k = 0; k < c_; ++k) {
                const float d = Value(b, k) - Value(a, k);
                cross += d * d;
            }
            const float g = Gain(i, b) + Gain(j, a) -
                            2 * cross * kEye.At(static_cast<long>(dx), static_cast<long>(dy));
            if (g < gain) {
                gain = g;
                best = {dx, dy};
            }
        }
        if (gain >= 0) return false;
        const size_t nx = x + best.first, ny = y + best.second;
        const int a = indices_[i], b = indices_[ny * w_ + nx];
        Move(x, y, b);
        Move(nx, ny, a);
        return true;
    }

    void Move(size_t x, size_t y, int to) {
        const size_t i = y * w_ + x;
        std::array<float, 3> d{};
        for (size_t k = 0; k < c_; ++k) d[k] = Value(to, k) - Value(indices_[i], k);
        indices_[i] = static_cast<uint8_t>(to);
        const size_t y0 = y >= kReach ? y - kReach : 0, y1 = std::min(h_ - 1, y + kReach);
        const size_t x0 = x >= kReach ? x - kReach : 0, x1 = std::min(w_ - 1, x + kReach);
        for (size_t yy = y0; yy <= y1; ++yy) {
            const float cy = kEye.corr[yy + kReach - y];
            float* row = &pull_[yy * w_ * c_];
            for (size_t xx = x0; xx <= x1; ++xx) {
                const float c = cy * kEye.corr[xx + kReach - x];
                for (size_t k = 0; k < c_; ++k) row[xx * c_ + k] += c * d[k];
            }
        }
    }

    const RefineInput& in_;
    std::vector<uint8_t>& indices_;
    static constexpr size_t c_ = Channels;
    size_t w_, h_;
    std::vector<float> pull_;
    std::array<float, 256 * 3> palette_{};
};

}  // namespace

void RefinePage(const RefineInput& input, std::vector<uint8_t>& indices) {
    if (input.width == 0 || input.height == 0) return;
    if (input.channels == 1) Refiner<1>(input, indices).Run();
    if (input.channels == 3) Refiner<3>(input, indices).Run();
}

}  // namespace inkvista::bookwriter
