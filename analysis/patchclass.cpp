// SPDX-License-Identifier: GPL-3.0-or-later
#include "patchclass.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <type_traits>

namespace {

struct NamedClass {
    const char* name;
    std::vector<int> codes;
};

const std::vector<NamedClass>& namedClasses()
{
    static const std::vector<NamedClass> classes = {
        {"gap", {-1, 0, 1}},  {"empty", {1}},  {"mussel", {2, 3}},
        {"young", {2}},       {"adult", {3}},  {"predator", {-1, 0}},
    };
    return classes;
}

template <typename Code>
void classifyListed(const Code* codes, long count, const PatchClass& cls, std::uint8_t* mask)
{
    for (long i = 0; i < count; ++i)
        mask[i] = cls.contains(codes[i]);
}

// Most classes are a run of consecutive codes, tested by one unsigned
// comparison the compiler vectorises; other sets go through the list.
template <typename Code>
void classifyCodes(const Code* codes, long count, const PatchClass& cls, std::uint8_t* mask)
{
    if (cls.codes.empty()) {
        std::fill(mask, mask + count, std::uint8_t{0});
        return;
    }
    const long low = cls.codes.front();
    const long high = cls.codes.back();
    if (high - low + 1 == static_cast<long>(cls.codes.size())) {
        // Modulo 2^k, c - low <= high - low exactly when low <= c <= high
        // (k = 32 for codes of up to 32 bits, whose loop vectorises).
        using Word = std::conditional_t<sizeof(Code) <= 4, std::uint32_t, std::uint64_t>;
        if (sizeof(Code) <= 4 && (low < INT_MIN || high > INT_MAX))
            return classifyListed(codes, count, cls, mask);
        const auto span = static_cast<Word>(high - low);
        const auto base = static_cast<Word>(low);
        for (long i = 0; i < count; ++i)
            mask[i] = static_cast<Word>(static_cast<Word>(codes[i]) - base) <= span;
        return;
    }
    classifyListed(codes, count, cls, mask);
}

} // namespace

bool PatchClass::contains(long code) const
{
    return code >= INT_MIN && code <= INT_MAX
           && std::binary_search(codes.begin(), codes.end(), static_cast<int>(code));
}

bool parsePatchClass(const std::string& text, PatchClass& out, std::string* error)
{
    for (const NamedClass& named : namedClasses()) {
        if (text == named.name) {
            out = {text, named.codes};
            return true;
        }
    }
    std::vector<int> codes;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        int code = 0;
        const char* first = text.data() + start;
        const char* last = text.data() + end;
        const auto [stop, problem] = std::from_chars(first, last, code);
        if (first == last || problem != std::errc() || stop != last) {
            if (error)
                *error = "a class is gap, empty, mussel, young, adult, predator or a comma-separated "
                         "list of whole-number codes";
            return false;
        }
        codes.push_back(code);
        if (end == text.size())
            break;
        start = end + 1;
    }
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    out = {text, std::move(codes)};
    return true;
}

void classify(const std::int8_t* codes, long count, const PatchClass& cls, std::uint8_t* mask)
{
    classifyCodes(codes, count, cls, mask);
}

void classify(const std::uint8_t* codes, long count, const PatchClass& cls, std::uint8_t* mask)
{
    classifyCodes(codes, count, cls, mask);
}

void classify(const std::int16_t* codes, long count, const PatchClass& cls, std::uint8_t* mask)
{
    classifyCodes(codes, count, cls, mask);
}

void classify(const std::int32_t* codes, long count, const PatchClass& cls, std::uint8_t* mask)
{
    classifyCodes(codes, count, cls, mask);
}

void classify(const std::int64_t* codes, long count, const PatchClass& cls, std::uint8_t* mask)
{
    classifyCodes(codes, count, cls, mask);
}
