// SPDX-License-Identifier: GPL-3.0-or-later
#include "outputnames.h"

#include "batcherror.h"

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
                throw BatchError(std::string(outputs[i].first) + " and " + outputs[j].first + " both name '" + b
                                 + "'");
        }
}
