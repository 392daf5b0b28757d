// SPDX-License-Identifier: GPL-3.0-or-later
#include "patternscommand.h"

#include "batcherror.h"
#include "codegrid.h"
#include "commitunit.h"
#include "csvformat.h"
#include "datapackage.h"
#include "fieldpatterns.h"
#include "imageformats.h"
#include "outputfile.h"
#include "outputnames.h"
#include "outputplace.h"
#include "patterncsv.h"
#include "patternoptions.h"
#include "printable.h"
#include "usage.h"

#include <cstdio>
#include <memory>
#include <optional>

namespace {

struct PatternsOptions {
    std::vector<std::string> files;
    std::vector<PatchClass> classes;
    PatternSettings settings;
    std::string summaryPath;
    std::string sizesPath;
    std::string plotPath;
    bool help = false;
};

PatternsOptions parsePatternsOptions(const std::vector<std::string>& arguments)
{
    PatternsOptions options;
    std::vector<std::string> given;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& text = arguments[i];
        if (text == "--help" || text == "-h") {
            options.help = true;
            continue;
        }
        if (text.rfind("--", 0) != 0 || text.size() == 2) {
            options.files.push_back(text);
            continue;
        }
        const auto equals = text.find('=');
        const std::string name = text.substr(0, equals);
        static const std::vector<std::string> known = {"--class",    "--boundary", "--neighbourhood", "--coarse-grain",
                                                       "--xmin",     "--min-tail", "--summary",       "--sizes",
                                                       "--plot"};
        if (std::find(known.begin(), known.end(), name) == known.end())
            throw BatchError("unknown option " + inQuotes(name) + " for patterns (see patterns --help)");
        if (equals == std::string::npos && i + 1 == arguments.size())
            throw BatchError(name + " needs a value");
        const std::string value = equals == std::string::npos ? arguments[++i] : text.substr(equals + 1);
        if (name != "--class" && std::find(given.begin(), given.end(), name) != given.end())
            throw BatchError(name + " is given twice");
        given.push_back(name);
        std::string expected;
        if (name == "--class") {
            PatchClass cls;
            if (!parsePatchClass(value, cls, &expected))
                throw BatchError("--class: " + inQuotes(value) + " is not a class: " + expected);
            options.classes.push_back(std::move(cls));
        } else if (name == "--summary" || name == "--sizes" || name == "--plot") {
            if (value.empty())
                throw BatchError(name + ": the file name is empty");
            (name == "--summary" ? options.summaryPath : name == "--sizes" ? options.sizesPath : options.plotPath) = value;
        } else if (!readPatternOption(name, value, options.settings, &expected)) {
            throw BatchError(name + ": " + inQuotes(value) + " is not " + expected);
        }
    }
    if (options.help)
        return options;
    if (options.files.empty())
        throw BatchError("patterns needs field files: tidmar-batch patterns FILE... (see patterns --help)");
    if (!options.plotPath.empty() && !plotFormatFor(options.plotPath))
        throw BatchError("--plot: " + inQuotes(options.plotPath) + " does not end in .png or .svg, which choose the plot's format");
    if (options.summaryPath == "-" && options.sizesPath == "-")
        throw BatchError("--summary and --sizes cannot both go to standard output");
    if (options.summaryPath.empty() && options.sizesPath.empty() && options.plotPath.empty())
        options.summaryPath = "-";
    return options;
}

bool modelCodes(const CodeGrid& grid)
{
    return std::all_of(grid.codes.begin(), grid.codes.end(), [](std::int32_t code) { return code >= -1 && code <= 3; });
}

} // namespace

int runPatternsCommand(const std::vector<std::string>& arguments, const Invocation& invocation,
                       const PictureSink& pictures)
{
    const PatternsOptions options = parsePatternsOptions(arguments);
    if (options.help) {
        std::fputs(patternsUsage().c_str(), stdout);
        return 0;
    }
    const std::vector<std::pair<const char*, const std::string*>> outputs = {
        {"--summary", &options.summaryPath}, {"--sizes", &options.sizesPath}, {"--plot", &options.plotPath}};
    refuseSharedNames(outputs);
    refuseToolNames(outputs, {});
    for (const auto& [option, path] : outputs)
        if (!path->empty() && *path != "-") {
            const OutputPlace place = resolveOutput(option, *path);
            rollForwardCommits(place.directory.get(), place.name);
        }
    // Every output is opened before the work and put in place with the
    // others after it.
    std::unique_ptr<OutputFile> summary, sizes, plot;
    if (!options.summaryPath.empty())
        summary = std::make_unique<OutputFile>("--summary", options.summaryPath, true);
    if (!options.sizesPath.empty())
        sizes = std::make_unique<OutputFile>("--sizes", options.sizesPath, true);
    if (!options.plotPath.empty())
        plot = std::make_unique<OutputFile>("--plot", options.plotPath, false);

    std::string summaryText = "file,class,width,height";
    for (const char* column : PatternColumns)
        summaryText += std::string(",") + column;
    summaryText += '\n';
    std::string sizesText = "file,class,size,count\n";
    std::vector<PatchCurve> curves;
    Provenance provenance{invocation, 0, {}};
    for (const std::string& path : options.files) {
        const CodeGrid grid = readCodeGrid(path, inQuotes(path));
        std::vector<PatchClass> classes = options.classes;
        if (classes.empty()) {
            if (!modelCodes(grid))
                throw BatchError(inQuotes(path) + " holds codes other than the model's -1 .. 3: name the class with "
                                 "--class (1 for the ones of a 0/1 field)");
            for (const char* name : {"gap", "mussel"}) {
                classes.emplace_back();
                parsePatchClass(name, classes.back(), nullptr);
            }
        }
        FieldAnalyser analyser(grid.height, grid.width);
        for (const PatchClass& cls : classes) {
            analyser.classifyField(grid.codes.data(), cls);
            const FieldMeasures measures = analyser.measure(options.settings);
            const SizeCounts counts = countSizes(analyser.sizes());
            const SizeFits fits = fitSizes(counts, options.settings.fit);
            const std::string key = csvField(path) + ',' + csvField(cls.name);
            summaryText += key + ',' + std::to_string(grid.width) + ',' + std::to_string(grid.height)
                           + patternCells(patternValues(measures, fits)) + '\n';
            for (const auto& [size, count] : counts)
                sizesText += key + ',' + std::to_string(size) + ',' + std::to_string(count) + '\n';
            if (plot) {
                std::string label = options.files.size() > 1 ? path : std::string();
                if (classes.size() > 1 || label.empty())
                    label += (label.empty() ? "" : ": ") + cls.name;
                curves.push_back({label, counts, fits});
            }
        }
    }
    if (plot) {
        const std::string title = std::string("Patch sizes (") + (options.settings.periodic ? "periodic" : "closed")
                                  + ", " + std::to_string(options.settings.neighbourhood) + " neighbours)";
        plot->write(pictures.patchPlot(curves, title, *plotFormatFor(options.plotPath)));
    }
    CommitUnit unit;
    if (summary) {
        summary->write(summaryText);
        summary->stage(unit, OutputKind::PatternSummary);
    }
    if (sizes) {
        sizes->write(sizesText);
        sizes->stage(unit, OutputKind::PatchSizes);
    }
    if (plot)
        plot->stage(unit, OutputKind::Plot);
    unit.commit(provenance);
    return 0;
}
