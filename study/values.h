// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "runconfig.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

struct ModelOptions;

// The values every front end hands over, and one reader per kind of value
// with the same checks and the same words for all of them. The command line
// gives texts; Python and R give what the user wrote: a flag, a whole
// number, a double or a text. name is how the front end calls the value in
// its messages ("--a2" on the command line, "a2" in Python and R); a refused
// value throws BatchError "NAME: 'VALUE' is not ...".
using Value = std::variant<bool, std::int64_t, double, std::string>;

// The value as messages quote it.
std::string quoted(const Value& value);

// A whole number from low to high: a decimal text, an integer, or a double
// that is whole (200.0).
std::int64_t readWhole(const Value& value, std::int64_t low, std::int64_t high, const std::string& name);

// A probability from 0 to 1, in millionths. A text is read digit by digit
// (at most six decimals, "0.3" is exactly 300000); a double is taken when it
// lies within 1e-9 of a millionth (0.1 + 0.2 is 300000), so that a value the
// desktop program can set gives exactly its runs.
int readProbability(const Value& value, const std::string& name);

// What readProbability and --vary say a refused probability is not.
inline constexpr const char* ProbabilityExpected = "a probability from 0 to 1 with at most six decimals";

// The index of the text among names.
int readChoice(const Value& value, std::initializer_list<std::string_view> names, const std::string& name);

// "on" or "off", or a flag.
bool readOnOff(const Value& value, const std::string& name);

// A seed from 1 to MaxSeed (0 would draw the numbers of 1).
std::int32_t readSeed(const Value& value, const std::string& name);

// young, line, random:STATE=FRACTION,... or the name of a field file (not
// yet read).
Pattern readPattern(const Value& value, const std::string& name);

// Sets the model setting key, under the keyword names of Python and R:
// width, height, scheme, pattern, a2, a0, d0, a3, a4, jump, long_range,
// boundary, seed, steps, mode, threads, stop_when. Returns false for any
// other key.
bool setModelValue(ModelOptions& model, std::string_view key, const Value& value, const std::string& name);

// How a front end names a setting in messages, given its keyword name.
using SettingName = std::string (*)(std::string_view key);
std::string optionName(std::string_view key);   // long_range -> --long-range
std::string keywordName(std::string_view key);  // long_range -> long_range

// What the model settings refuse together, once all are read.
void checkModelOptions(const ModelOptions& model, SettingName nameOf);

// The largest width or height the mode's engine takes.
int maxCells(EngineMode mode);

// Empty when the exact engine takes a field of width x height, else why not.
std::string exactSizeRefusal(int width, int height);
