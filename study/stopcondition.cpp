// SPDX-License-Identifier: GPL-3.0-or-later
#include "stopcondition.h"

std::optional<int> stopConditionIndex(std::string_view name)
{
    for (int i = 0; i < static_cast<int>(std::size(StopConditions)); ++i)
        if (name == StopConditions[i].name)
            return i;
    return std::nullopt;
}

std::string stopConditionNames()
{
    std::string names;
    for (const StopCondition& condition : StopConditions)
        names += (names.empty() ? "" : ", ") + std::string(condition.name);
    return names;
}

bool ExtinctionSteps::holds(int condition, const std::array<long, StateCount>& counts)
{
    const StopCondition& stop = StopConditions[condition];
    bool any = false;
    long cells = 0;
    for (int i = 0; i < StateCount; ++i)
        if (stop.states[i]) {
            any = true;
            cells += counts[i];
        }
    return any && cells == 0;
}

void ExtinctionSteps::note(std::int64_t step, const std::array<long, StateCount>& counts)
{
    const long groups[ExtinctionGroups] = {counts[0], counts[1], counts[2], counts[3], counts[4],
                                           counts[stateIndex(YoungMussel)] + counts[stateIndex(AdultMussel)],
                                           counts[stateIndex(PredatorOnYoung)] + counts[stateIndex(PredatorOnAdults)]};
    for (int i = 0; i < ExtinctionGroups; ++i)
        if (steps[i] < 0 && groups[i] == 0)
            steps[i] = step;
}
