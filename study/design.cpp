// SPDX-License-Identifier: GPL-3.0-or-later
#include "design.h"

#include "batcherror.h"
#include "csvtable.h"
#include "printable.h"

std::vector<Variation> readDesign(const std::string& path, std::string* sha256)
{
    const std::string what = "--design " + inQuotes(path);
    const CsvTable table = readCsvTable(path, what);
    if (table.rows.empty())
        throw BatchError(what + " has a header but no rows");
    std::vector<Variation> columns;
    for (std::size_t column = 0; column < table.header.size(); ++column) {
        std::string name = table.header[column];
        if (name == "long_range")
            name = "long-range";
        Variation variation;
        try {
            variation = parseVariation(name + "=" + (table.rows[0][column].empty() ? " " : table.rows[0][column]));
        } catch (const BatchError& error) {
            const std::string message = error.what();
            if (message.find(" is not one of ") != std::string::npos && message.find(inQuotes(name)) != std::string::npos)
                throw BatchError(what + ": column " + inQuotes(table.header[column]) + " is not a --vary name");
            throw BatchError(what + ", line 2: " + message);
        }
        for (const Variation& earlier : columns)
            if (earlier.name == variation.name)
                throw BatchError(what + ": column " + inQuotes(table.header[column]) + " is given twice");
        variation.values.clear();
        variation.patterns.clear();
        for (std::size_t row = 0; row < table.rows.size(); ++row) {
            const std::string& text = table.rows[row][column];
            const std::string at = what + ", row " + std::to_string(row + 1) + ", " + table.header[column] + ": ";
            Variation one;
            try {
                one = parseVariation(name + "=" + (text.empty() ? " " : text));
            } catch (const BatchError& error) {
                throw BatchError(at + inQuotes(text) + " is refused (" + error.what() + ")");
            }
            if (one.values.size() != 1)
                throw BatchError(at + inQuotes(text) + " is not a single value");
            if (one.name == VaryName::Pattern) {
                variation.patterns.push_back(one.patterns[0]);
                variation.values.push_back(static_cast<int>(variation.patterns.size() - 1));
            } else {
                variation.values.push_back(one.values[0]);
            }
        }
        columns.push_back(std::move(variation));
    }
    if (sha256)
        *sha256 = table.sha256;
    return columns;
}
