// SPDX-License-Identifier: GPL-3.0-or-later
#include "sizefits.h"

#include <gsl/gsl_errno.h>
#include <gsl/gsl_roots.h>
#include <gsl/gsl_sf_hyperg.h>
#include <gsl/gsl_sf_zeta.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <mutex>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// GSL's default handler aborts on a range error; the fits check each status
// instead. The handler is GSL's one process-wide setting.
void quietGsl()
{
    static std::once_flag once;
    std::call_once(once, [] { gsl_set_error_handler_off(); });
}

// ln zeta(alpha, v), NaN where GSL cannot give it.
double logZeta(double alpha, double v)
{
    gsl_sf_result result;
    if (alpha <= 1 || gsl_sf_hzeta_e(alpha, v, &result) != GSL_SUCCESS || !(result.val > 0))
        return NaN;
    return std::log(result.val);
}

// d/dx f at x by central differences with one Richardson step: the error is
// of order step^4, far below the fits' tolerance for these smooth functions.
template <typename F>
double derivative(F&& f, double x, double step)
{
    const double wide = (f(x + step) - f(x - step)) / (2 * step);
    const double narrow = (f(x + step / 2) - f(x - step / 2)) / step;
    return (4 * narrow - wide) / 3;
}

// Finds the root of a decreasing function inside [low, high] (which must
// bracket it) to a relative width of 1e-12.
template <typename F>
std::optional<double> decreasingRoot(F& f, double low, double high)
{
    gsl_function function;
    function.function = [](double x, void* data) { return (*static_cast<F*>(data))(x); };
    function.params = &f;
    gsl_root_fsolver* solver = gsl_root_fsolver_alloc(gsl_root_fsolver_brent);
    std::optional<double> root;
    if (gsl_root_fsolver_set(solver, &function, low, high) == GSL_SUCCESS) {
        for (int iteration = 0; iteration < 200; ++iteration) {
            if (gsl_root_fsolver_iterate(solver) != GSL_SUCCESS)
                break;
            const double a = gsl_root_fsolver_x_lower(solver), b = gsl_root_fsolver_x_upper(solver);
            if (gsl_root_test_interval(a, b, 1e-300, 1e-12) == GSL_SUCCESS) {
                root = gsl_root_fsolver_root(solver);
                break;
            }
        }
    }
    gsl_root_fsolver_free(solver);
    return root;
}

// Widens [low, high] around guess until a decreasing f changes sign in it,
// within [floor, ceiling]; false when it does not.
template <typename F>
bool bracket(F&& f, double guess, double width, double floor, double ceiling, double& low, double& high)
{
    low = std::max(guess - width, floor);
    high = std::min(guess + width, ceiling);
    for (int i = 0; i < 60; ++i) {
        const double atLow = f(low), atHigh = f(high);
        if (std::isnan(atLow) || std::isnan(atHigh))
            return false;
        if (atLow > 0 && atHigh < 0)
            return true;
        if (atLow <= 0) {
            if (low == floor)
                return false;
            high = low;
            low = std::max(low - width, floor);
        } else {
            if (high == ceiling)
                return false;
            low = high;
            high = std::min(high + width, ceiling);
        }
        width *= 2;
    }
    return false;
}

// The sizes >= v: their number, sum of ln(s / v), sum of s - v and number of
// distinct values, from the counts starting at index first.
struct Tail {
    double v = 0;
    std::size_t first = 0;
    long n = 0;
    long distinct = 0;
    double sumLogRatio = 0;
    double sumExcess = 0;
};

Tail tailOf(const SizeCounts& counts, std::size_t first, double v)
{
    Tail tail{v, first, 0, 0, 0, 0};
    for (std::size_t i = first; i < counts.size(); ++i) {
        const auto [size, count] = counts[i];
        tail.n += count;
        ++tail.distinct;
        tail.sumLogRatio += static_cast<double>(count) * std::log(static_cast<double>(size) / v);
        tail.sumExcess += static_cast<double>(count) * (static_cast<double>(size) - v);
    }
    return tail;
}

// The power law: alpha solves E[ln(s / v)] = mean of ln(s / v), the root of
// the log-likelihood's derivative (a root is found to the last digits, a
// minimum of the likelihood's values only to about half of them).
struct PowerLaw {
    double alpha = NaN;
    double loglik = NaN;
};

PowerLaw fitPowerLaw(const Tail& tail, double guess)
{
    const double target = tail.sumLogRatio / static_cast<double>(tail.n);
    const double v = tail.v;
    auto score = [&](double alpha) {
        // -d/dalpha ln(zeta(alpha, v) v^alpha) = E[ln(s / v)]
        const double step = std::min(1e-3, (alpha - 1) / 4);
        auto scaled = [v](double a) { return logZeta(a, v) + a * std::log(v); };
        return -derivative(scaled, alpha, step) - target;
    };
    if (!(guess > 1))
        guess = 1 + 1 / target;
    double low = 0, high = 0;
    const double floor = 1 + 1e-9;
    if (!bracket(score, guess, std::min(0.05, (guess - 1) / 2), floor, 200.0, low, high))
        return {};
    const std::optional<double> alpha = decreasingRoot(score, low, high);
    if (!alpha)
        return {};
    const double loglik = -*alpha * tail.sumLogRatio - static_cast<double>(tail.n) * (logZeta(*alpha, v) + *alpha * std::log(v));
    return {*alpha, loglik};
}

// The Kolmogorov-Smirnov distance of the power law fitted at first (v =
// counts[first].first) from the sizes >= v, over every integer from v to the
// largest size. Between two sizes the empirical distribution stays put and
// the fitted one grows, so the ends of each stretch suffice. Gives up early,
// returning what it has, once the distance exceeds enough.
double ksDistance(const SizeCounts& counts, const Tail& tail, double alpha, double enough)
{
    const double v = tail.v;
    const double zetaV = std::exp(logZeta(alpha, v));
    double distance = 0;
    double below = 0; // the sizes <= the current one
    double rest = zetaV; // zeta(alpha, s + 1) for the current size s
    const double n = static_cast<double>(tail.n);
    for (std::size_t i = tail.first; i < counts.size(); ++i) {
        const double s = static_cast<double>(counts[i].first);
        if (i > tail.first) {
            // rest is zeta(alpha, previous + 1); bring it to zeta(alpha, s).
            const double previous = static_cast<double>(counts[i - 1].first);
            if (s - previous - 1 <= 32) {
                for (double k = previous + 1; k < s; k += 1)
                    rest -= std::pow(k, -alpha);
            } else {
                gsl_sf_result result;
                rest = gsl_sf_hzeta_e(alpha, s, &result) == GSL_SUCCESS ? result.val : NaN;
            }
            // F_fit(s - 1) = 1 - zeta(alpha, s) / zeta(alpha, v)
            distance = std::max(distance, std::fabs(below / n - (1 - rest / zetaV)));
        }
        rest -= std::pow(s, -alpha);
        below += static_cast<double>(counts[i].second);
        distance = std::max(distance, std::fabs(below / n - (1 - rest / zetaV)));
        if (!(distance <= enough))
            return std::isnan(distance) || std::isnan(rest) ? std::numeric_limits<double>::infinity() : distance;
    }
    return distance;
}

// The power law with an exponential cut-off, P(s) ~ s^-alpha e^(-lambda s)
// for s >= v, through the sum Z = sum over s >= v of (s / v)^-alpha
// e^(-lambda (s - v)): the first Terms terms directly, the rest by the
// Euler-Maclaurin formula, whose integral is M f(M) U(1, 2 - alpha, lambda M)
// (Tricomi's function; M = v + Terms, f the summand).
class CutOffSum {
public:
    static constexpr int Terms = 128;

    explicit CutOffSum(double v) : v_(v)
    {
        for (int j = 0; j < Terms; ++j)
            logRatio_[j] = std::log1p(j / v);
    }

    double logZ(double alpha, double lambda) const
    {
        double sum = 0;
        for (int j = 0; j < Terms; ++j)
            sum += std::exp(-alpha * logRatio_[j] - lambda * j);
        const double m = v_ + Terms;
        const double f = std::exp(-alpha * std::log(m / v_) - lambda * Terms);
        gsl_sf_result u;
        if (gsl_sf_hyperg_U_e(1, 2 - alpha, lambda * m, &u) != GSL_SUCCESS)
            return NaN;
        const double g1 = -alpha / m - lambda, g2 = alpha / (m * m), g3 = -2 * alpha / (m * m * m);
        sum += m * f * u.val + f / 2 - f * g1 / 12 + f * (g1 * g1 * g1 + 3 * g1 * g2 + g3) / 720;
        return std::log(sum);
    }

private:
    double v_;
    std::array<double, Terms> logRatio_;
};

struct CutOff {
    double alpha = NaN;
    double lambda = NaN;
    double loglik = NaN;
};

// The log-likelihood is concave in (alpha, lambda): alpha(lambda) maximises
// it for each lambda, and ln lambda is found where the profile's derivative,
// n (E[s] - mean s), vanishes; E[s] = v Z(alpha - 1, lambda) / Z(alpha,
// lambda). Where the profile falls from lambda = 0 on (alpha > 2 and the
// power law's mean at most the sizes'), the maximum is the power law itself,
// given as lambda 0.
CutOff fitCutOff(const Tail& tail, const PowerLaw& pl)
{
    const double v = tail.v;
    const double n = static_cast<double>(tail.n);
    const double meanLogRatio = tail.sumLogRatio / n;
    const double meanExcess = tail.sumExcess / n;
    if (pl.alpha > 2) {
        const double powerLawMean = std::exp(logZeta(pl.alpha - 1, v) - logZeta(pl.alpha, v));
        if (powerLawMean - v <= meanExcess)
            return {pl.alpha, 0, pl.loglik};
    }
    const CutOffSum sum(v);
    double lastAlpha = pl.alpha;
    auto bestAlpha = [&](double lambda) -> double {
        auto score = [&](double alpha) {
            return -derivative([&](double a) { return sum.logZ(a, lambda); }, alpha, 1e-3) - meanLogRatio;
        };
        double low = 0, high = 0;
        if (!bracket(score, lastAlpha, 0.05, -100.0, 100.0, low, high))
            return NaN;
        const std::optional<double> alpha = decreasingRoot(score, low, high);
        if (alpha)
            lastAlpha = *alpha;
        return alpha ? *alpha : NaN;
    };
    auto profileSlope = [&](double t) {
        const double lambda = std::exp(t);
        const double alpha = bestAlpha(lambda);
        if (std::isnan(alpha))
            return NaN;
        return v * std::expm1(sum.logZ(alpha - 1, lambda) - sum.logZ(alpha, lambda)) - meanExcess;
    };
    double low = 0, high = 0;
    const double guess = -std::log(meanExcess + 1);
    if (!bracket(profileSlope, guess, 1.0, -50.0, 10.0, low, high)) {
        if (profileSlope(-50.0) <= 0)
            return {pl.alpha, 0, pl.loglik};
        return {};
    }
    const std::optional<double> t = decreasingRoot(profileSlope, low, high);
    if (!t)
        return {};
    const double lambda = std::exp(*t);
    const double alpha = bestAlpha(lambda);
    const double loglik = -alpha * tail.sumLogRatio - lambda * tail.sumExcess - n * sum.logZ(alpha, lambda);
    if (!(loglik >= pl.loglik))
        return {pl.alpha, 0, pl.loglik};
    return {alpha, lambda, loglik};
}

} // namespace

SizeCounts countSizes(const std::vector<long>& sizes)
{
    // Most patches are small: those are counted in a table, the rest sorted.
    constexpr long Small = 1024;
    std::vector<long> small(Small, 0);
    std::vector<long> large;
    for (long size : sizes) {
        if (size < Small)
            ++small[static_cast<std::size_t>(size)];
        else
            large.push_back(size);
    }
    std::sort(large.begin(), large.end());
    SizeCounts counts;
    for (long size = 0; size < Small; ++size)
        if (small[static_cast<std::size_t>(size)] > 0)
            counts.emplace_back(size, small[static_cast<std::size_t>(size)]);
    for (long size : large) {
        if (!counts.empty() && counts.back().first == size)
            ++counts.back().second;
        else
            counts.emplace_back(size, 1);
    }
    return counts;
}

void addSizeCounts(SizeCounts& counts, const SizeCounts& more)
{
    SizeCounts merged;
    merged.reserve(counts.size() + more.size());
    auto a = counts.cbegin();
    auto b = more.cbegin();
    while (a != counts.cend() || b != more.cend()) {
        if (b == more.cend() || (a != counts.cend() && a->first < b->first))
            merged.push_back(*a++);
        else if (a == counts.cend() || b->first < a->first)
            merged.push_back(*b++);
        else {
            merged.emplace_back(a->first, a->second + b->second);
            ++a;
            ++b;
        }
    }
    counts = std::move(merged);
}

SizeFits fitSizes(const SizeCounts& counts, const FitSettings& settings)
{
    quietGsl();
    SizeFits fits;
    if (counts.empty())
        return fits;
    // The counts' suffix sums: the number of sizes from index i on.
    std::vector<long> atLeast(counts.size() + 1, 0);
    for (std::size_t i = counts.size(); i-- > 0;)
        atLeast[i] = atLeast[i + 1] + counts[i].second;

    std::size_t first = 0;
    double v = 0;
    PowerLaw pl;
    if (settings.xmin > 0) {
        v = static_cast<double>(settings.xmin);
        while (first < counts.size() && counts[first].first < settings.xmin)
            ++first;
        fits.xmin = settings.xmin;
        fits.nTail = atLeast[first];
        if (atLeast[first] < settings.minTail || counts.size() - first < 2)
            return fits;
        pl = fitPowerLaw(tailOf(counts, first, v), NaN);
    } else {
        // Every distinct size with enough sizes (and two distinct ones) at
        // or above it; the smallest distance wins, ties the smallest size.
        double bestDistance = std::numeric_limits<double>::infinity();
        double guess = NaN;
        for (std::size_t i = 0; i + 1 < counts.size() && atLeast[i] >= settings.minTail; ++i) {
            const Tail tail = tailOf(counts, i, static_cast<double>(counts[i].first));
            const PowerLaw candidate = fitPowerLaw(tail, guess);
            if (std::isnan(candidate.alpha))
                continue;
            guess = candidate.alpha;
            const double distance = ksDistance(counts, tail, candidate.alpha, bestDistance);
            if (distance < bestDistance) {
                bestDistance = distance;
                first = i;
                pl = candidate;
            }
        }
        if (std::isnan(pl.alpha))
            return fits;
        v = static_cast<double>(counts[first].first);
        fits.xmin = counts[first].first;
        fits.nTail = atLeast[first];
    }
    const long smin = counts.front().first, smax = counts.back().first;
    if (smax > smin)
        fits.plrange = 1 - (std::log10(v) - std::log10(static_cast<double>(smin)))
                               / (std::log10(static_cast<double>(smax)) - std::log10(static_cast<double>(smin)));
    if (std::isnan(pl.alpha))
        return fits;
    const Tail tail = tailOf(counts, first, v);
    const double n = static_cast<double>(tail.n);
    fits.plAlpha = pl.alpha;
    fits.plLoglik = pl.loglik;

    const double expLambda = std::log1p(n / tail.sumExcess);
    fits.expLambda = expLambda;
    fits.expLoglik = n * std::log(-std::expm1(-expLambda)) - expLambda * tail.sumExcess;

    const CutOff tpl = fitCutOff(tail, pl);
    const double logN = std::log(n);
    std::array<std::pair<double, const char*>, 3> bic = {{
        {logN - 2 * pl.loglik, "pl"},
        {2 * logN - 2 * tpl.loglik, "tpl"},
        {logN - 2 * *fits.expLoglik, "exp"},
    }};
    if (!std::isnan(tpl.loglik)) {
        fits.tplAlpha = tpl.alpha;
        fits.tplLambda = tpl.lambda;
        fits.tplLoglik = tpl.loglik;
    }
    fits.best = "pl";
    double smallest = bic[0].first;
    for (const auto& [value, name] : bic) {
        if (value < smallest) {
            smallest = value;
            fits.best = name;
        }
    }
    return fits;
}

double fittedSurvival(const SizeFits& fits, const std::string& model, long s)
{
    quietGsl();
    if (!fits.xmin || !fits.plAlpha || s < *fits.xmin)
        return NaN;
    const double v = static_cast<double>(*fits.xmin);
    const double x = static_cast<double>(s);
    if (model == "pl")
        return std::exp(logZeta(*fits.plAlpha, x) - logZeta(*fits.plAlpha, v));
    if (model == "exp")
        return std::exp(-*fits.expLambda * (x - v));
    if (model == "tpl" && fits.tplAlpha) {
        if (*fits.tplLambda == 0)
            return std::exp(logZeta(*fits.tplAlpha, x) - logZeta(*fits.tplAlpha, v));
        // Z from s on, scaled to v: (s / v)^-alpha e^(-lambda (s - v)) Z_s.
        const CutOffSum atS(x), atV(v);
        const double alpha = *fits.tplAlpha, lambda = *fits.tplLambda;
        return std::exp(-alpha * std::log(x / v) - lambda * (x - v) + atS.logZ(alpha, lambda)
                        - atV.logZ(alpha, lambda));
    }
    return NaN;
}
