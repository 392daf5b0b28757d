// SPDX-License-Identifier: GPL-3.0-or-later
#include "datapackage.h"

#include "batcherror.h"
#include "csvformat.h"
#include "descriptor.h"
#include "inputfile.h"
#include "printable.h"
#include "sha256.h"
#include "version.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

const char* const CodesText = "cell codes: -1 predator on adult mussels, 0 predator on young mussels, "
                              "1 empty rock, 2 young mussel, 3 adult mussel";

json field(const std::string& name, const char* type, const std::string& description)
{
    return json{{"name", name}, {"type", type}, {"description", description}};
}

// The five count columns.
void addCountFields(json& fields, const std::string& prefix, const std::string& what)
{
    static const char* const states[] = {"predators on adult mussels (code -1)",
                                         "predators on young mussels (code 0)", "empty cells (code 1)",
                                         "young mussels (code 2)", "adult mussels (code 3)"};
    const bool fractions = !prefix.empty();
    for (int i = 0; i < StateCount; ++i)
        fields.push_back(field(prefix + std::string(StateColumns[i]), fractions ? "number" : "integer",
                               what + states[i]));
}

// The file and class columns of tidmar-batch patterns' outputs.
void addFileClassFields(json& fields)
{
    fields.push_back(field("file", "string", "the field file analysed"));
    fields.push_back(field("class", "string", "the class of cells: a name (gap, mussel, ...) or codes"));
}

// The columns of the patches' measures, indicators and fits.
void addPatternFields(json& fields, const std::string& prefix)
{
    static const char* const columns[][3] = {
        {"cover", "number", "share of the cells in the class"},
        {"patches", "integer", "number of patches (cells of the class joined through their neighbours)"},
        {"mean_size", "number", "mean patch size in cells; empty without patches"},
        {"max_size", "integer", "largest patch size in cells"},
        {"spans", "boolean", "a patch, labelled without joining across edges, touches two opposite edges"},
        {"variance", "number", "variance of the class's cover in the complete blocks of --coarse-grain cells a side"},
        {"skewness", "number", "skewness of the same block covers; empty when their variance is 0"},
        {"moran", "number", "Moran's I at lag 1 over the four nearest neighbours"},
        {"xmin", "integer", "smallest size fitted (given or estimated by the Kolmogorov-Smirnov distance)"},
        {"n_tail", "integer", "number of patch sizes >= xmin"},
        {"pl_alpha", "number", "power law s^-alpha / zeta(alpha, xmin): exponent alpha"},
        {"pl_loglik", "number", "power law: maximum log-likelihood"},
        {"tpl_alpha", "number", "power law with exponential cut-off s^-alpha e^(-lambda s): alpha"},
        {"tpl_lambda", "number", "power law with cut-off: lambda (0: the power law itself)"},
        {"tpl_loglik", "number", "power law with cut-off: maximum log-likelihood"},
        {"exp_lambda", "number", "discrete exponential (1 - e^-lambda) e^(-lambda (s - xmin)): lambda"},
        {"exp_loglik", "number", "discrete exponential: maximum log-likelihood"},
        {"best", "string", "pl, tpl or exp: the smallest BIC, k ln(n_tail) - 2 loglik"},
        {"plrange", "number", "power-law range: 1 - (log xmin - log smin) / (log smax - log smin)"},
    };
    for (const auto& column : columns)
        fields.push_back(field(prefix + column[0], column[1], column[2]));
}

json schemaFor(const WrittenFile& file)
{
    json fields = json::array();
    switch (file.kind) {
    case OutputKind::TimeSeries:
        fields.push_back(field("run", "integer", "run number k of the sweep (from 0; seed S + k)"));
        [[fallthrough]];
    case OutputKind::Counts:
        fields.push_back(field("step", "integer", "step after which the field was counted (0: the start field)"));
        addCountFields(fields, "", "number of cells holding ");
        break;
    case OutputKind::Summary: {
        const std::pair<const char*, const char*> parameters[] = {
            {"run", "run number k (from 0)"},
            {"seed", "the run's seed (--seed)"},
            {"width", "cells across (--width)"},
            {"height", "cells down (--height)"},
            {"scheme", "update scheme: sync, async-uc or async-nrs (--scheme)"},
            {"a2", "recolonisation probability (--a2)"},
            {"a0", "neighbour coupling (--a0)"},
            {"d0", "ocean forcing (--d0)"},
            {"a3", "maturing probability (--a3)"},
            {"a4", "predation probability (--a4)"},
            {"jump", "jumping range of predators in cells (--jump)"},
            {"long_range", "predators jump: on or off (--long-range)"},
            {"boundary", "periodic or closed (--boundary)"},
            {"steps", "steps run (--steps)"},
            {"pattern", "start field: young, line or the field file (--pattern)"},
            {"mode", "engine: exact or fast (--mode)"}};
        for (const auto& [name, description] : parameters) {
            const bool whole = std::string_view(name) == "run" || std::string_view(name) == "seed"
                               || std::string_view(name) == "width" || std::string_view(name) == "height"
                               || std::string_view(name) == "jump" || std::string_view(name) == "steps";
            const bool number = std::string_view(name).size() == 2 && name[0] != 'r';
            fields.push_back(field(name, whole ? "integer" : number ? "number" : "string", description));
        }
        addCountFields(fields, "", "cells of the final field holding ");
        addCountFields(fields, "mean_", "mean fraction over the window (steps burn_in+1 .. steps) of ");
        addCountFields(fields, "sd_", "standard deviation (population) over the window of the fraction of ");
        fields.push_back(field("burn_in", "integer", "steps before the window: the means cover the fields after "
                                                  "steps burn_in+1 .. steps (the start field when steps is 0)"));
        fields.push_back(field("pattern_sha256", "string", "SHA-256 of the pattern file; empty for young and line"));
        fields.push_back(field("generator_period_passed", "boolean",
                            "true when the exact run drew more than 2^31-2 numbers, ran1's period"));
        // Means over the fields sampled in the window; fits of their sizes pooled.
        for (const std::string& cls : file.patchClasses)
            addPatternFields(fields, cls + "_");
        break;
    }
    case OutputKind::PatternSummary:
        addFileClassFields(fields);
        fields.push_back(field("width", "integer", "values a line of the file"));
        fields.push_back(field("height", "integer", "lines of the file"));
        addPatternFields(fields, "");
        break;
    case OutputKind::PatchSizes:
        addFileClassFields(fields);
        fields.push_back(field("size", "integer", "patch size in cells"));
        fields.push_back(field("count", "integer", "number of patches of that size"));
        break;
    case OutputKind::PatchSeries:
        if (file.perRun)
            fields.push_back(field("run", "integer", "run number k of the sweep (from 0; seed S + k)"));
        fields.push_back(field("step", "integer", "step after which the field was analysed (0: the start field)"));
        fields.push_back(field("class", "string", "the class of cells (--patch-class)"));
        fields.push_back(field("size", "integer", "patch size in cells"));
        fields.push_back(field("count", "integer", "number of patches of that size"));
        break;
    case OutputKind::Field:
    case OutputKind::FieldPicture:
    case OutputKind::Plot:
    case OutputKind::Record:
    case OutputKind::State:
        return json::object();
    }
    return json{{"fields", fields}};
}

std::string descriptionOf(const WrittenFile& file)
{
    switch (file.kind) {
    case OutputKind::Counts:
        return "Cells in each state after each recorded step of the run.";
    case OutputKind::TimeSeries:
        return "Cells in each state after each recorded step of every run of the sweep, in run and step order.";
    case OutputKind::Summary:
        return "One row per run of the sweep: its seed and parameters, final counts, and the mean and spread "
               "of each state's fraction over the measurement window.";
    case OutputKind::Field:
        return "A field " + std::to_string(file.fieldWidth)
               + " cells wide, one line per y from 0 down, one integer code per x, no header (read it with "
                 "header=None / header=FALSE); "
               + CodesText + ".";
    case OutputKind::Record:
        return "The record of the sweep beside it: its options, seed, inputs by hash, runs, part and header, "
               "by which tidmar-batch resumes and merges it.";
    case OutputKind::FieldPicture:
        return "A field as a picture, in the program's colours.";
    case OutputKind::Plot:
        return "A plot of the run's or the sweep's fractions, or of patch size distributions.";
    case OutputKind::PatternSummary:
        return "One row per field file and class: its patches, spatial indicators and the fits of its patch sizes.";
    case OutputKind::PatchSizes:
        return "The number of patches of each size, per field file and class.";
    case OutputKind::PatchSeries:
        return "The number of patches of each size and class in the fields after the recorded steps.";
    case OutputKind::State:
        return "The run's whole state at its end (field, parameters, generators), which --from-state continues.";
    }
    return {};
}

// The resource's name: lower case letters, digits, '-', '_' and '.'; any
// other character (a UTF-16 unit of it) becomes '-'.
std::string resourceName(const std::string& fileName)
{
    std::string name;
    for (const char c : fileName) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 128)
            name += std::isalnum(byte) || c == '-' || c == '_' || c == '.' ? static_cast<char>(std::tolower(byte))
                                                                            : '-';
        else if (byte >= 0xf0)
            name += "--";  // beyond the basic plane: two UTF-16 units
        else if (byte >= 0xc0)
            name += '-';
    }
    return name;
}

// The file's size and SHA-256, read back from the folder.
std::pair<std::int64_t, std::string> sizeAndHash(int folder, const std::string& name)
{
    const Descriptor input(::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    const std::string failure = "datapackage.json: cannot read back " + inQuotes(name) + " to hash it";
    if (!input)
        throw BatchError(failure);
    Sha256 hash;
    std::int64_t bytes = 0;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(input.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw BatchError(failure);
        if (got == 0)
            return {bytes, hash.hex()};
        hash.add(std::string_view(buffer, static_cast<std::size_t>(got)));
        bytes += got;
    }
}

json resourceFor(int folder, const StagedDescription& staged)
{
    const WrittenFile& file = staged.file;
    const auto [bytes, sha256] = sizeAndHash(folder, staged.readFrom);
    const std::string& fileName = staged.name;
    const fs::path path(fileName);
    const bool csv = file.kind != OutputKind::FieldPicture && file.kind != OutputKind::Plot
                     && file.kind != OutputKind::Record && file.kind != OutputKind::State;
    const bool svg = path.extension() == ".svg" || path.extension() == ".SVG";
    json resource{{"name", resourceName(fileName)},
                  {"path", fileName},
                  {"description", descriptionOf(file)},
                  {"bytes", bytes},
                  {"hash", "sha256:" + sha256}};
    if (csv) {
        resource["profile"] = "tabular-data-resource";
        resource["format"] = "csv";
        resource["mediatype"] = "text/csv";
        resource["encoding"] = "utf-8";
        // A field's columns are all alike: its description names the codes
        // once, so that many large snapshots keep the descriptor small.
        if (file.kind == OutputKind::Field)
            resource["dialect"] = json{{"header", false}};
        else
            resource["schema"] = schemaFor(file);
    } else if (file.kind == OutputKind::Record) {
        resource["profile"] = "data-resource";
        resource["format"] = "txt";
        resource["mediatype"] = "text/plain";
    } else if (file.kind == OutputKind::State) {
        resource["profile"] = "data-resource";
        resource["format"] = "tidmar-state";
        resource["mediatype"] = "application/octet-stream";
    } else {
        resource["profile"] = "data-resource";
        resource["format"] = svg ? "svg" : "png";
        resource["mediatype"] = svg ? "image/svg+xml" : "image/png";
    }
    return resource;
}

json provenanceBlock(const Provenance& provenance)
{
    json inputs = json::array();
    for (const auto& [path, sha256] : provenance.inputs)
        inputs.push_back(json{{"path", path}, {"sha256", sha256}});
    return json{{"tool", "tidmar-batch"},
                {"version", tidmarVersion()},
                {"commit", tidmarCommit()},
                {"command_line", provenance.invocation.commandLine},
                {"started_utc", provenance.invocation.startedUtc},
                {"seed", provenance.seed},
                {"inputs", inputs}};
}

// The earlier descriptor of folder, checked as the help says; null when
// there is none.
json earlierDescriptor(int folder, const std::string& shownFolder)
{
    const std::string shown = inQuotes(shownFolder + "/datapackage.json");
    Descriptor file(::openat(folder, "datapackage.json", O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file && errno == ENOENT)
        return nullptr;
    struct stat status {};
    if (!file || ::fstat(file.get(), &status) != 0)
        throw BatchError("cannot read " + shown + ": " + std::strerror(errno == ELOOP ? EMLINK : errno)
                         + "; move it away");
    if (!S_ISREG(status.st_mode))
        throw BatchError(shown + " is not a regular file; move it away");
    struct stat directory {};
    if (::fstat(folder, &directory) == 0 && (directory.st_mode & S_ISVTX) && (directory.st_mode & S_IWOTH)
        && status.st_uid != ::geteuid() && status.st_uid != directory.st_uid)
        throw BatchError(shown + " belongs to another user (uid " + std::to_string(status.st_uid)
                         + ") in a folder shared by all; refusing to take its entries");
    ::fcntl(file.get(), F_SETFL, ::fcntl(file.get(), F_GETFL) & ~O_NONBLOCK);
    const std::string text = readAll(file.get(), MaxDescriptorBytes, shown);
    json earlier = json::parse(text, nullptr, false);
    if (!earlier.is_object())
        throw BatchError(shown + " is no JSON object; move it away, or its entries would be lost");
    return earlier;
}

// The earlier descriptor's resources that stay: files still there, not
// written now, each with its provenance.
json keptResources(int folder, const std::string& shownFolder, const std::set<std::string>& writtenNow)
{
    json kept = json::array();
    const json earlier = earlierDescriptor(folder, shownFolder);
    if (!earlier.is_object() || !earlier.contains("resources") || !earlier["resources"].is_array())
        return kept;
    for (const json& entry : earlier["resources"]) {
        if (!entry.is_object() || !entry.contains("path") || !entry["path"].is_string())
            continue;
        json resource = entry;
        const std::string path = resource["path"];
        struct stat status {};
        if (path.empty() || path.find('/') != std::string::npos || writtenNow.count(path)
            || ::fstatat(folder, path.c_str(), &status, 0) != 0 || !S_ISREG(status.st_mode))
            continue;
        if (!resource.contains("provenance") && earlier.contains("provenance"))
            resource["provenance"] = earlier["provenance"];
        kept.push_back(resource);
    }
    return kept;
}

// value as earlier versions laid it out, depth levels in.
void writeIndented(const json& value, std::string& out, int depth)
{
    constexpr auto replace = json::error_handler_t::replace;
    if (!value.is_object() && !value.is_array()) {
        out += value.dump(-1, ' ', false, replace);
        return;
    }
    out += value.is_object() ? "{\n" : "[\n";
    std::size_t left = value.size();
    for (auto item = value.begin(); item != value.end(); ++item) {
        out.append(static_cast<std::size_t>(4 * (depth + 1)), ' ');
        if (value.is_object())
            out += json(item.key()).dump(-1, ' ', false, replace) + ": ";
        writeIndented(*item, out, depth + 1);
        out += --left > 0 ? ",\n" : "\n";
    }
    out.append(static_cast<std::size_t>(4 * depth), ' ');
    out += value.is_object() ? '}' : ']';
}

} // namespace

std::string descriptorText(int folder, const std::string& shownFolder, const std::vector<StagedDescription>& files,
                           const Provenance& provenance)
{
    json resources = json::array();
    std::set<std::string> writtenNow;
    for (const StagedDescription& file : files) {
        resources.push_back(resourceFor(folder, file));
        writtenNow.insert(file.name);
    }
    json package{{"profile", "data-package"},
                 {"name", "tidmar-batch-output"},
                 {"title", "Outputs of tidmar-batch, the Tidmar III mussel-bed automaton"},
                 {"description", std::string("Runs of the Tidmar III stochastic cellular automaton. ") + CodesText + "."},
                 {"created", provenance.invocation.startedUtc},
                 {"provenance", provenanceBlock(provenance)},
                 {"resources", resources}};
    for (const json& kept : keptResources(folder, shownFolder, writtenNow))
        package["resources"].push_back(kept);
    std::string text;
    writeIndented(package, text, 0);
    return text + "\n";
}
