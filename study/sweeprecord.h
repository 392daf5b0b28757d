// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings.h"
#include "sweepplan.h"

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>

// What identifies a sweep's output: a few "key: value" lines kept beside the
// summary (NAME.plan), by which an interrupted sweep is resumed and parts are
// merged. Keys: options (every option that can change a row, as given),
// seed (the first run's, also when it came from the clock), pattern (a hash of
// a pattern file's cells), input (one line per other file read: what it is
// for and its SHA-256), runs (of the whole sweep), task (I/K) and header
// (the summary's first line).
std::string sweepRecord(const SweepOptions& options, const SweepPlan& plan, const TaskSplit& split,
                        const std::string& header);

// The value of key in a record; nothing when it has none.
std::optional<std::string> recordValue(const std::string& record, const std::string& key);

// record with the value of key replaced.
std::string withRecordValue(const std::string& record, const std::string& key, const std::string& value);

// The first key whose line differs between two records, the keys in
// ignoring aside; nothing when they agree. A text that is no record differs
// at "format".
std::optional<std::string> recordDifference(const std::string& a, const std::string& b,
                                            std::initializer_list<const char*> ignoring);

// The name of the record kept beside the summary name.
inline std::string recordName(const std::string& summaryName)
{
    return summaryName + ".plan";
}
