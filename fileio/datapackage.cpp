// SPDX-License-Identifier: GPL-3.0-or-later
#include "datapackage.h"

#include "batcherror.h"
#include "csvformat.h"
#include "outputfile.h"
#include "version.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <fcntl.h>
#include <filesystem>
#include <map>
#include <set>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char* const CodesText = "cell codes: -1 predator on adult mussels, 0 predator on young mussels, "
                              "1 empty rock, 2 young mussel, 3 adult mussel";

QString text(const std::string& value)
{
    return QString::fromStdString(value);
}

QJsonObject field(const QString& name, const char* type, const QString& description)
{
    return QJsonObject{{"name", name}, {"type", type}, {"description", description}};
}

// The five count columns.
void addCountFields(QJsonArray& fields, const std::string& prefix, const QString& what)
{
    static const char* const states[] = {"predators on adult mussels (code -1)",
                                         "predators on young mussels (code 0)", "empty cells (code 1)",
                                         "young mussels (code 2)", "adult mussels (code 3)"};
    const bool fractions = !prefix.empty();
    for (int i = 0; i < StateCount; ++i)
        fields.append(field(text(prefix + std::string(StateColumns[i])), fractions ? "number" : "integer",
                            what + states[i]));
}

QJsonObject schemaFor(const WrittenFile& file)
{
    QJsonArray fields;
    switch (file.kind) {
    case OutputKind::TimeSeries:
        fields.append(field("run", "integer", "run number k of the sweep (from 0; seed S + k)"));
        [[fallthrough]];
    case OutputKind::Counts:
        fields.append(field("step", "integer", "step after which the field was counted (0: the start field)"));
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
            fields.append(field(name, whole ? "integer" : number ? "number" : "string", description));
        }
        addCountFields(fields, "", "cells of the final field holding ");
        addCountFields(fields, "mean_", "mean fraction over the window (steps burn_in+1 .. steps) of ");
        addCountFields(fields, "sd_", "standard deviation (population) over the window of the fraction of ");
        fields.append(field("burn_in", "integer", "steps before the window: the means cover the fields after "
                                                  "steps burn_in+1 .. steps (the start field when steps is 0)"));
        fields.append(field("pattern_sha256", "string", "SHA-256 of the pattern file; empty for young and line"));
        fields.append(field("generator_period_passed", "boolean",
                            "true when the exact run drew more than 2^31-2 numbers, ran1's period"));
        break;
    }
    case OutputKind::Field:
        for (int x = 0; x < file.fieldWidth; ++x) {
            QJsonObject column = field(QString("x%1").arg(x), "integer", QString("cell code at x = %1").arg(x));
            column["constraints"] = QJsonObject{{"enum", QJsonArray{-1, 0, 1, 2, 3}}};
            fields.append(column);
        }
        break;
    case OutputKind::FieldPicture:
    case OutputKind::Plot:
        return {};
    }
    return QJsonObject{{"fields", fields}};
}

QString descriptionOf(const WrittenFile& file)
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
        return QString("A field, one line per y from 0 down, one code per x, no header (read it with "
                       "header=None / header=FALSE); ") + CodesText + ".";
    case OutputKind::FieldPicture:
        return "A field as a picture, in the program's colours.";
    case OutputKind::Plot:
        return "A plot of the run's or the sweep's fractions.";
    }
    return {};
}

// The resource's name: lower case letters, digits, '-', '_' and '.'.
QString resourceName(const std::string& fileName)
{
    QString name;
    for (const QChar c : text(fileName).toLower())
        name += (c.isLetterOrNumber() && c.unicode() < 128) || c == '-' || c == '_' || c == '.' ? c : QChar('-');
    return name;
}

QJsonObject resourceFor(const WrittenFile& file, const fs::path& path)
{
    QFile input(QString::fromStdString(path.string()));
    if (!input.open(QIODevice::ReadOnly))
        throw BatchError("datapackage.json: cannot read back '" + path.string() + "' to hash it");
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&input))
        throw BatchError("datapackage.json: cannot read back '" + path.string() + "' to hash it");
    const std::string fileName = path.filename().string();
    const bool csv = file.kind != OutputKind::FieldPicture && file.kind != OutputKind::Plot;
    const bool svg = path.extension() == ".svg" || path.extension() == ".SVG";
    QJsonObject resource{{"name", resourceName(fileName)},
                         {"path", text(fileName)},
                         {"description", descriptionOf(file)},
                         {"bytes", static_cast<qint64>(input.size())},
                         {"hash", "sha256:" + QString::fromLatin1(hash.result().toHex())}};
    if (csv) {
        resource["profile"] = "tabular-data-resource";
        resource["format"] = "csv";
        resource["mediatype"] = "text/csv";
        resource["encoding"] = "utf-8";
        resource["schema"] = schemaFor(file);
        if (file.kind == OutputKind::Field)
            resource["dialect"] = QJsonObject{{"header", false}};
    } else {
        resource["profile"] = "data-resource";
        resource["format"] = svg ? "svg" : "png";
        resource["mediatype"] = svg ? "image/svg+xml" : "image/png";
    }
    return resource;
}

QJsonObject provenanceBlock(const Provenance& provenance)
{
    QJsonArray commandLine;
    for (const std::string& word : provenance.invocation.commandLine)
        commandLine.append(text(word));
    QJsonArray inputs;
    for (const auto& [path, sha256] : provenance.inputs)
        inputs.append(QJsonObject{{"path", text(path)}, {"sha256", text(sha256)}});
    return QJsonObject{{"tool", "tidmar-batch"},
                       {"version", tidmarVersion()},
                       {"commit", tidmarCommit()},
                       {"command_line", commandLine},
                       {"started_utc", text(provenance.invocation.startedUtc)},
                       {"seed", provenance.seed},
                       {"inputs", inputs}};
}

fs::path folderOf(const std::string& path)
{
    std::error_code error;
    const fs::path absolute = fs::weakly_canonical(fs::absolute(path, error), error);
    return absolute.parent_path();
}

// The earlier descriptor's resources that stay: files still there, not
// written now, each with its provenance.
QJsonArray keptResources(const fs::path& descriptor, const std::set<QString>& writtenNow)
{
    QFile file(QString::fromStdString(descriptor.string()));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject earlier = QJsonDocument::fromJson(file.read(64 << 20)).object();
    QJsonArray kept;
    for (const QJsonValue entry : earlier.value("resources").toArray()) {
        QJsonObject resource = entry.toObject();
        const QString path = resource.value("path").toString();
        std::error_code error;
        if (path.isEmpty() || path.contains('/') || writtenNow.count(path)
            || !fs::is_regular_file(descriptor.parent_path() / path.toStdString(), error))
            continue;
        if (!resource.contains("provenance") && earlier.contains("provenance"))
            resource["provenance"] = earlier.value("provenance");
        kept.append(resource);
    }
    return kept;
}

} // namespace

QJsonObject dataPackage(const std::vector<WrittenFile>& files, const std::string& folder,
                        const Provenance& provenance)
{
    QJsonArray resources;
    for (const WrittenFile& file : files)
        resources.append(resourceFor(file, fs::path(folder) / fs::path(file.path).filename()));
    return QJsonObject{{"profile", "data-package"},
                       {"name", "tidmar-batch-output"},
                       {"title", "Outputs of tidmar-batch, the Tidmar III mussel-bed automaton"},
                       {"description", QString("Runs of the Tidmar III stochastic cellular automaton. ") + CodesText
                                           + "."},
                       {"created", text(provenance.invocation.startedUtc)},
                       {"provenance", provenanceBlock(provenance)},
                       {"resources", resources}};
}

void writeDataPackages(const std::vector<WrittenFile>& files, const Provenance& provenance)
{
    std::map<fs::path, std::vector<WrittenFile>> byFolder;
    for (const WrittenFile& file : files) {
        std::error_code error;
        if (file.path == "-" || !fs::is_regular_file(file.path, error))
            continue;
        // A file written through a link is described where it lies, under
        // its own name.
        WrittenFile resolved = file;
        resolved.path = fs::weakly_canonical(fs::absolute(file.path, error), error).string();
        if (error)
            resolved.path = file.path;
        byFolder[folderOf(resolved.path)].push_back(resolved);
    }
    for (const auto& [folder, inFolder] : byFolder) {
        // Commands writing into one folder at once (the parts of a split
        // sweep) take turns, so that none loses the other's resources.
        const int lock = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (lock >= 0)
            ::flock(lock, LOCK_EX);
        try {
            QJsonObject package = dataPackage(inFolder, folder.string(), provenance);
            std::set<QString> writtenNow;
            for (const WrittenFile& file : inFolder)
                writtenNow.insert(text(fs::path(file.path).filename().string()));
            QJsonArray resources = package.value("resources").toArray();
            for (const QJsonValue kept : keptResources(folder / "datapackage.json", writtenNow))
                resources.append(kept);
            package["resources"] = resources;
            OutputFile output("datapackage.json", (folder / "datapackage.json").string(), false);
            output.write(QJsonDocument(package).toJson(QJsonDocument::Indented).toStdString());
            output.commit();
        } catch (...) {
            if (lock >= 0)
                ::close(lock);
            throw;
        }
        if (lock >= 0)
            ::close(lock);
    }
}
