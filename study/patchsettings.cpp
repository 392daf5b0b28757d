// SPDX-License-Identifier: GPL-3.0-or-later
#include "patchsettings.h"

#include "batcherror.h"
#include "numbers.h"
#include "patternoptions.h"
#include "printable.h"

#include <cctype>
#include <string_view>

bool setPatchSetting(RecordOptions& record, const std::string& option, const std::string& text,
                     const std::string& name)
{
    std::string expected;
    if (option == "--patterns-every") {
        const auto every = parseInteger(text, 1, 2147483647);
        if (!every)
            throw BatchError(name + ": " + inQuotes(text) + " is not a whole number from 1 to 2147483647");
        record.patternsEvery = *every;
    } else if (option == "--patch-class") {
        // Named classes only: the names prefix the summary's columns.
        std::string_view rest = text;
        while (true) {
            const std::string one(rest.substr(0, rest.find(',')));
            PatchClass cls;
            if (!parsePatchClass(one, cls, nullptr) || !std::isalpha(static_cast<unsigned char>(one.front())))
                throw BatchError(name + ": " + inQuotes(one) + " is not gap, empty, mussel, young, adult or predator");
            record.patchClasses.push_back(cls);
            if (rest.find(',') == std::string_view::npos)
                break;
            rest.remove_prefix(rest.find(',') + 1);
        }
    } else if (option == "--neighbourhood" || option == "--coarse-grain" || option == "--xmin"
               || option == "--min-tail") {
        if (!readPatternOption(option, text, record.patternSettings, &expected))
            throw BatchError(name + ": " + inQuotes(text) + " is not " + expected);
    } else {
        return false;
    }
    record.patches = true;
    return true;
}

void completePatchSettings(RecordOptions& record)
{
    if (!record.patches || !record.patchClasses.empty())
        return;
    for (const char* name : {"gap", "mussel"}) {
        record.patchClasses.emplace_back();
        parsePatchClass(name, record.patchClasses.back(), nullptr);
    }
}
