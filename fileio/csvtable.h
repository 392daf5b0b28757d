// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

// A small CSV file read whole: its header, its rows (each as many fields as
// the header) and its SHA-256. Fields may be quoted ("a,b", "say ""x""");
// blank lines are skipped; a line may end in CRLF.
struct CsvTable {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
    std::string sha256;
};

// Throws BatchError naming what (and the line) for an unreadable file, a
// missing header, an unclosed quote or a row of another length.
CsvTable readCsvTable(const std::string& path, const std::string& what);
