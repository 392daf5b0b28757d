// SPDX-License-Identifier: GPL-3.0-or-later
#include "csvtable.h"

#include "batcherror.h"
#include "inputfile.h"
#include "sha256.h"

namespace {

constexpr std::int64_t MaxTableBytes = 64 << 20;

} // namespace

CsvTable readCsvTable(const std::string& path, const std::string& what)
{
    const Descriptor file = openInput(path, MaxTableBytes, what);
    const std::string text = readAll(file.get(), MaxTableBytes, what);
    CsvTable table;
    Sha256 hash;
    hash.add(text);
    table.sha256 = hash.hex();

    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    bool lineHasText = false;
    std::size_t line = 1;
    std::size_t firstLineOfRow = 1;
    auto endRow = [&] {
        if (!lineHasText)
            return;
        fields.push_back(field);
        if (table.header.empty()) {
            table.header = fields;
        } else if (fields.size() != table.header.size()) {
            throw BatchError(what + ", line " + std::to_string(firstLineOfRow) + ": " + std::to_string(fields.size())
                             + " fields where the header has " + std::to_string(table.header.size()));
        } else {
            table.rows.push_back(fields);
        }
        fields.clear();
        field.clear();
        lineHasText = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                line += c == '\n';
                field += c;
            }
            continue;
        }
        if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            i += c == '\r';
            endRow();
            firstLineOfRow = ++line;
        } else if (c == ',') {
            fields.push_back(field);
            field.clear();
            lineHasText = true;
        } else if (c == '"' && field.empty()) {
            quoted = true;
            lineHasText = true;
        } else {
            field += c;
            lineHasText = true;
        }
    }
    if (quoted)
        throw BatchError(what + ", line " + std::to_string(firstLineOfRow) + ": a quoted field is never closed");
    endRow();
    if (table.header.empty())
        throw BatchError(what + " is empty: it has no header line");
    return table;
}
