// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>

// The parameters of the automaton and their setters from control values,
// shared by the exact engine and the throughput engine. Probabilities are set
// from thousandths n as n * 0.001, neither checked nor clamped; every step
// reads them afresh.
struct ModelParameters {
    static constexpr int SyncMethod = 0;
    static constexpr int AsyncUCMethod = 1;
    static constexpr int AsyncNRSMethod = 2;

    void setcolonization(int n) { recolonization = n * 0.001; }
    void setneighbourcoupling(int n) { neighbourCoupling = n * 0.001; }
    void setoceanforcing(int n) { oceanForcing = n * 0.001; }
    void setmaturing(int n) { maturing = n * 0.001; }
    void setpredation(int n) { predation = n * 0.001; }
    void setjumpdistance(int n) { jumpDistance = n; }
    void setlongrange(bool on) { longRange = on; }
    void randbedingungaendern(bool periodisch) { periodic = periodisch; }
    void updatemethodeaendern(int method) { updateMethod = method; }

    double recolonization = 0.2;     // A2
    double neighbourCoupling = 0.33; // A0
    double oceanForcing = 0.0;       // D0
    double maturing = 0.0;           // A3
    double predation = 0.0;          // A4
    int jumpDistance = 10;
    bool longRange = true;
    bool periodic = true;
    int updateMethod = AsyncUCMethod;  // 0 sync, 1 async-uc, 2 async-nrs
};

// A probability given in millionths m (0 .. 1000000). A whole number of
// thousandths n is computed as the setters above compute it, n * 0.001, so
// such values give the desktop program's runs bit for bit; a finer value is
// the double nearest m / 10^6 (one correctly rounded division).
inline double probabilityFromMillionths(int m)
{
    return m % 1000 == 0 ? (m / 1000) * 0.001 : m / 1e6;
}

// The millionths whose probability is p, the inverse of the above for every
// value it gives; any other double to its nearest millionth.
inline int millionthsOf(double p)
{
    const long thousandths = std::lround(p * 1000);
    if (thousandths * 0.001 == p)
        return static_cast<int>(thousandths * 1000);
    return static_cast<int>(std::lround(p * 1e6));
}

// One step of bed by its update method; any other value performs no step.
template <typename Bed>
void stepByMethod(Bed& bed)
{
    switch (bed.updateMethod) {
    case ModelParameters::SyncMethod:
        bed.stepSync();
        break;
    case ModelParameters::AsyncUCMethod:
        bed.stepAsyncUC();
        break;
    case ModelParameters::AsyncNRSMethod:
        bed.stepAsyncNRS();
        break;
    default:
        break;
    }
}
