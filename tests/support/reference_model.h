// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A deliberately plain second implementation of the automaton, written line by
// line from the model's description: Schrage's method for the generator, sin and
// cos at every jump index, a vector of vectors for the lattices. Tests hold the
// engine to it cell for cell; it is slow and meant only for small fields.

#include <cmath>
#include <cstdint>
#include <vector>

namespace reference {

// ran1 in its textbook form.
struct Ran1 {
    std::int32_t idum;
    std::int32_t iv[32] = {};
    std::int32_t iy = 0;

    float operator()()
    {
        const std::int32_t IA = 16807, IM = 2147483647, IQ = 127773, IR = 2836, NTAB = 32;
        const std::int32_t NDIV = 1 + (IM - 1) / NTAB;
        const double AM = 1.0 / IM;
        const float RNMX = 1.0f - 1.0f / 8388608.0f;
        std::int32_t k;
        if (idum <= 0 || !iy) {
            if (-idum < 1)
                idum = 1;
            else
                idum = -idum;
            for (int j = NTAB + 7; j >= 0; j--) {
                k = idum / IQ;
                idum = IA * (idum - k * IQ) - IR * k;
                if (idum < 0)
                    idum += IM;
                if (j < NTAB)
                    iv[j] = idum;
            }
            iy = iv[0];
        }
        k = idum / IQ;
        idum = IA * (idum - k * IQ) - IR * k;
        if (idum < 0)
            idum += IM;
        const int j = iy / NDIV;
        iy = iv[j];
        iv[j] = idum;
        const double temp = AM * iy;
        if (temp > RNMX)
            return RNMX;
        return static_cast<float>(temp);
    }
};

struct Rand15 {
    std::uint32_t x;
    int operator()()
    {
        x = x * 214013u + 2531011u;
        return static_cast<int>((x >> 16) & 0x7fff);
    }
};

using Grid = std::vector<std::vector<int>>;  // [x][y]

struct Model {
    int cellsX, cellsY;
    double a2 = 0.3, a0 = 0.75, d0 = 0.0, a3 = 0.1, a4 = 0.75;
    int jumpDistance = 10;
    bool longRange = true, periodic = true;
    Grid a, b;
    bool parity = true;
    Ran1 gen;
    Rand15 gen15;

    Model(int w, int h, std::int32_t seed)
        : cellsX(w), cellsY(h), a(w, std::vector<int>(h, 2)), b(a), gen{-seed}, gen15{static_cast<std::uint32_t>(seed)}
    {
    }

    Grid& current() { return parity ? a : b; }
    Grid& other() { return parity ? b : a; }

    int count(const Grid& g, int x, int y, int state) const
    {
        int n = 0;
        for (int dx = -1; dx <= 1; dx++)
            for (int dy = -1; dy <= 1; dy++) {
                if (dx == 0 && dy == 0)
                    continue;
                int nx = x + dx, ny = y + dy;
                if (nx >= 0 && nx < cellsX && ny >= 0 && ny < cellsY) {
                    if (g[nx][ny] == state)
                        n++;
                } else if (periodic) {
                    nx = (nx + cellsX) % cellsX;
                    ny = (ny + cellsY) % cellsY;
                    if (g[nx][ny] == state)
                        n++;
                }
            }
        return n;
    }

    void update(Grid& src, Grid& dst, int x, int y)
    {
        const int n2 = count(src, x, y, 2), n3 = count(src, x, y, 3), nm = count(src, x, y, -1),
                  n0 = count(src, x, y, 0);
        const float r1 = gen(), r2 = gen(), r3 = gen(), r4 = gen();
        const int s = src[x][y];
        if (s == -1) {
            dst[x][y] = 1;
        } else if (s == 0) {
            dst[x][y] = 1;
            if (longRange && n2 == 0) {
                const float r5 = gen();
                const double pi = 3.14159265;
                const double theta = 2 * (r5 * pi);
                const int i0 = static_cast<int>(theta * 28.647889789276146);
                const int i1 = static_cast<int>(theta * 57.29577957855229 + 180);
                for (int i = i0; i < i1; i++) {
                    const double alpha = i * pi * 0.011111111111111112;
                    const int dx = static_cast<int>(std::sin(alpha) * jumpDistance);
                    const int dy = static_cast<int>(std::cos(alpha) * jumpDistance);
                    int tx = (dx + cellsX + x) % cellsX;
                    int ty = (dy + cellsY + y) % cellsY;
                    if (tx >= 0 && tx < cellsX && ty >= 0 && ty < cellsY) {
                        if (src[tx][ty] == 2) {
                            dst[x][y] = 1;
                            dst[tx][ty] = 0;
                            return;
                        }
                    } else if (periodic) {
                        tx = (tx + cellsX) % cellsX;
                        ty = (ty + cellsY) % cellsY;
                        if (src[tx][ty] == 2) {
                            dst[x][y] = 1;
                            dst[tx][ty] = 0;
                            return;
                        }
                    }
                }
            }
        } else if (s == 1) {
            dst[x][y] = ((n2 + n3) / 8.0) * a2 > r1 ? 2 : 1;
        } else if (s == 2) {
            if (n0 >= 1)
                dst[x][y] = r2 < a4 ? 0 : 2;
            else
                dst[x][y] = r4 < a3 ? 3 : 2;
        } else if (s == 3) {
            const double p = nm >= 1 ? a0 + d0 : d0;
            dst[x][y] = p > r3 ? -1 : 3;
        }
    }

    void stepSync()
    {
        Grid& src = current();
        Grid& dst = other();
        parity = !parity;
        for (int x = 0; x < cellsX; x++)
            for (int y = 0; y < cellsY; y++)
                update(src, dst, x, y);
    }

    void stepAsyncUC()
    {
        Grid& cur = current();
        other() = cur;
        for (long n = 0; n < static_cast<long>(cellsX) * cellsY; n++) {
            const int x = static_cast<int>(gen() * static_cast<double>(cellsX));
            const int y = static_cast<int>(gen() * static_cast<double>(cellsY));
            update(cur, cur, x, y);
        }
    }

    void stepAsyncNRS()
    {
        Grid& cur = current();
        other() = cur;
        std::vector<int> rows(cellsX), cols(cellsY);
        for (int i = 0; i < cellsX; i++)
            rows[i] = i;
        for (int j = 0; j < cellsY; j++)
            cols[j] = j;
        for (int k = 0; k < 2 * cellsX; k++) {
            const int i1 = gen15() * cellsX / 32768;
            const int i2 = gen15() * cellsX / 32768;
            std::swap(rows[i1], rows[i2]);
        }
        for (int k = 0; k < 2 * cellsY; k++) {
            const int i1 = gen15() * cellsY / 32768;
            const int i2 = gen15() * cellsY / 32768;
            std::swap(cols[i1], cols[i2]);
        }
        for (int p = 0; p < cellsX; p++)
            for (int q = 0; q < cellsY; q++)
                update(cur, cur, rows[p], cols[q]);
    }

    void step(int scheme)
    {
        if (scheme == 0)
            stepSync();
        else if (scheme == 1)
            stepAsyncUC();
        else
            stepAsyncNRS();
    }
};

} // namespace reference
