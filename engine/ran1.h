// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

// The minimal standard generator of Park and Miller (multiplier 16807,
// modulus 2^31 - 1) with a Bays-Durham shuffle table: the routine ran1.
// Each object carries its own shuffle state, so several fields can draw
// side by side.
class Ran1 {
public:
    static constexpr std::int32_t IA = 16807;
    static constexpr std::int32_t IM = 2147483647;
    static constexpr std::int32_t IQ = 127773;
    static constexpr std::int32_t IR = 2836;
    static constexpr int NTAB = 32;
    static constexpr std::int32_t NDIV = 1 + (IM - 1) / NTAB;
    static constexpr double AM = 1.0 / IM;
    static constexpr float RNMX = 1.0f - 1.0f / 8388608.0f;  // 1 - 2^-23

    // state word: a value <= 0 makes the next draw initialise from -value.
    explicit Ran1(std::int32_t stateWord = 0) : seed(stateWord) {}

    // One deviate in (0, 1): never 0, never 1, at most RNMX.
    float ran1()
    {
        prime();
        return next();
    }

    // Fills the shuffle table if the state word asks for it: afterwards next()
    // draws what ran1() draws, as the state never asks again.
    void prime()
    {
        if (seed <= 0 || shuffleOut == 0)
            initialise();
    }

    // ran1() for a primed generator, without the check: the steps copy the
    // generator into a local, prime it once and draw with this, so that the
    // state stays in registers.
    float next() { return deviate(nextWord()); }

    // The integer behind the next deviate, 1 .. IM - 1: next() is
    // deviate(nextWord()). The steps compare these words with thresholds
    // instead of the deviates with probabilities, which keeps floating point
    // off the hot path.
    std::int32_t nextWord() { return nextWordAt(advance(seed)); }

    // nextWord() with the next state word given: nextWord() is
    // nextWordAt(advance(seed)). The states do not depend on the draws, so a
    // step can compute them ahead, several at a time (statesAfter), and keep
    // only the shuffle on its path.
    std::int32_t nextWordAt(std::int32_t next)
    {
        seed = next;
        // shuffleOut is positive, so the division is a shift.
        const int j = static_cast<int>(static_cast<std::uint32_t>(shuffleOut) >> 26);
        shuffleOut = shuffleTable[j];
        shuffleTable[j] = seed;
        return shuffleOut;
    }

    // N calls of nextWordAt(states[i]), into out. The last word stays in a
    // register between the draws: through the object, each would wait for
    // the store of the one before.
    template <std::size_t N>
    void wordsAt(const std::int32_t* states, std::int32_t* out)
    {
        std::uint32_t last = static_cast<std::uint32_t>(shuffleOut);
        for (std::size_t i = 0; i < N; ++i) {
            const int j = static_cast<int>(last >> 26);
            const std::int32_t word = shuffleTable[j];
            shuffleTable[j] = states[i];
            out[i] = word;
            last = static_cast<std::uint32_t>(word);
        }
        shuffleOut = static_cast<std::int32_t>(last);
        seed = states[N - 1];
    }

    // The n state words after s: advance applied once, twice, ... n times.
    // Eight at a time, each lane by its own power of the multiplier, so that
    // the multiplications run side by side.
    static void statesAfter(std::int32_t s, std::int32_t* states, std::size_t n);

    // The deviate of a word: AM word, capped at RNMX. Never decreases as the
    // word grows.
    static float deviate(std::int32_t word)
    {
        const double r = AM * word;
        return static_cast<float>(r < RNMX ? r : static_cast<double>(RNMX));
    }

    // s -> 16807 s mod (2^31 - 1), exact: the 46-bit product folded at bit 31.
    // The fold exceeds the modulus about once in 2^18 draws: a branch the
    // processor predicts keeps the subtraction off the chain from one state
    // to the next, where a conditional move would sit on it.
    static std::int32_t advance(std::int32_t s)
    {
        const std::uint64_t p = static_cast<std::uint64_t>(static_cast<std::uint32_t>(s)) * IA;
        std::uint64_t r = (p & 0x7fffffffu) + (p >> 31);
        if (__builtin_expect_with_probability(r >= static_cast<std::uint64_t>(IM), 1, 0.0001))
            r -= IM;
        return static_cast<std::int32_t>(r);
    }

    std::int32_t seed;  // the state word

    bool initialised() const { return shuffleOut != 0; }

    // Everything the next draws depend on, for saving a run and continuing it.
    struct State {
        std::int32_t seed;
        std::int32_t shuffleTable[NTAB];
        std::int32_t shuffleOut;
    };
    State state() const
    {
        State saved{seed, {}, shuffleOut};
        for (int i = 0; i < NTAB; ++i)
            saved.shuffleTable[i] = shuffleTable[i];
        return saved;
    }
    void restore(const State& saved)
    {
        seed = saved.seed;
        for (int i = 0; i < NTAB; ++i)
            shuffleTable[i] = saved.shuffleTable[i];
        shuffleOut = saved.shuffleOut;
    }

private:
    void initialise();

    std::int32_t shuffleTable[NTAB] = {};
    std::int32_t shuffleOut = 0;
};
