// SPDX-License-Identifier: GPL-3.0-or-later
#include "outputnames.h"

#include "batcherror.h"
#include "outputplace.h"
#include "printable.h"

#include <filesystem>
#include <system_error>

namespace {

std::filesystem::path normalised(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error)
        return std::filesystem::path(path).lexically_normal();
    std::filesystem::path result = std::filesystem::weakly_canonical(absolute, error);
    return error ? absolute.lexically_normal() : result;
}

} // namespace

void refuseSharedNames(const std::vector<std::pair<const char*, const std::string*>>& outputs)
{
    for (std::size_t i = 0; i < outputs.size(); ++i)
        for (std::size_t j = i + 1; j < outputs.size(); ++j) {
            const std::string& a = *outputs[i].second;
            const std::string& b = *outputs[j].second;
            std::error_code error;
            const auto type = std::filesystem::status(b, error).type();
            const bool device = type != std::filesystem::file_type::not_found
                                && type != std::filesystem::file_type::regular;
            if (!a.empty() && !b.empty() && a != "-" && !device && normalised(a) == normalised(b))
                throw BatchError(std::string(outputs[i].first) + " and " + outputs[j].first + " both name "
                                 + inQuotes(b));
        }
}

void refuseToolNames(const std::vector<std::pair<const char*, const std::string*>>& outputs,
                     const std::vector<std::pair<const char*, const std::string*>>& recorded)
{
    for (const auto& [option, path] : outputs) {
        if (path->empty() || *path == "-")
            continue;
        const std::string name = std::filesystem::path(*path).filename().string();
        // ".NAME.TOKEN.tmp" and the like
        const auto last = name.rfind('.');
        const auto before = last == std::string::npos || last == 0 ? std::string::npos : name.rfind('.', last - 1);
        const std::string suffix = last == std::string::npos ? std::string() : name.substr(last);
        if (name == "datapackage.json")
            throw BatchError(std::string(option) + ": " + inQuotes(*path)
                             + " is the name of the folder's descriptor, which tidmar-batch writes itself");
        if (name[0] == '.' && before != std::string::npos && before > 0
            && (suffix == ".tmp" || suffix == ".plan" || suffix == ".commit")
            && isToken(name.substr(before + 1, last - before - 1)))
            throw BatchError(std::string(option) + ": " + inQuotes(*path)
                             + " is a name tidmar-batch gives its own temporaries");
        for (const auto& [owner, kept] : recorded)
            if (!kept->empty() && *kept != "-" && normalised(*kept + ".plan") == normalised(*path))
                throw BatchError(std::string(option) + ": " + inQuotes(*path) + " is the record tidmar-batch keeps beside "
                                 + owner + " " + inQuotes(*kept));
    }
}
