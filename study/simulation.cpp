// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation.h"

#include "batcherror.h"
#include "printable.h"
#include "fastbed.h"
#include "fieldcsv.h"
#include "livebed.h"
#include "musselbed.h"
#include "statefile.h"
#include "values.h"

namespace {

void readPattern(Pattern& pattern, const ModelOptions& model, const std::string& option)
{
    try {
        pattern.field = std::make_shared<const FieldData>(readFieldCsv(pattern.path));
    } catch (const BatchError& error) {
        throw BatchError(option + ": " + error.what());
    }
    const FieldData& field = *pattern.field;
    const RunConfig& config = model.config;
    const std::string source = "the pattern " + inQuotes(pattern.path);
    if (config.mode == EngineMode::Exact)
        if (const std::string refusal = exactSizeRefusal(field.width, field.height); !refusal.empty())
            throw BatchError(option + ": " + source + " is " + std::to_string(field.width) + " x "
                             + std::to_string(field.height) + " cells; " + refusal);
    if (model.widthGiven && config.width != field.width)
        throw BatchError("--width " + std::to_string(config.width) + " does not match " + source + ", which is "
                         + std::to_string(field.width) + " cells wide (leave --width out)");
    if (model.heightGiven && config.height != field.height)
        throw BatchError("--height " + std::to_string(config.height) + " does not match " + source
                         + ", which is " + std::to_string(field.height) + " cells high (leave --height out)");
}

} // namespace

void loadPattern(ModelOptions& model)
{
    RunConfig& config = model.config;
    if (config.pattern.kind != PatternKind::File)
        return;
    readPattern(config.pattern, model, "--pattern");
    config.width = config.pattern.field->width;
    config.height = config.pattern.field->height;
}

void loadPatterns(ModelOptions& model, std::vector<Variation>& variations)
{
    loadPattern(model);
    bool anyFile = model.config.pattern.kind == PatternKind::File;
    for (Variation& variation : variations)
        for (Pattern& pattern : variation.patterns)
            if (pattern.kind == PatternKind::File) {
                readPattern(pattern, model, "--vary pattern");
                anyFile = true;
            }
    if (anyFile)
        for (const Variation& variation : variations)
            if (variation.name == VaryName::Width || variation.name == VaryName::Height)
                throw BatchError("--vary " + std::string(varyNameText(variation.name))
                                 + " cannot change the size of a pattern file, which sets its runs' size");
}

namespace {

// The engines' own size: a laid-down field may change it.
int fieldWidth(const MusselBed& bed) { return bed.cellsX; }
int fieldHeight(const MusselBed& bed) { return bed.cellsY; }
int fieldWidth(const FastBed& bed) { return bed.cellsX(); }
int fieldHeight(const FastBed& bed) { return bed.cellsY(); }

// An engine behind the Bed interface.
template <class Engine>
class EngineBed final : public LiveBed {
public:
    template <class... Arguments>
    EngineBed(int width, int height, Arguments... arguments) : engine(width, height, arguments...)
    {
    }

    void advance() override { engine.advance(); }
    std::array<long, StateCount> counts() const override { return engine.counts(); }
    Cell cell(int x, int y) const override { return engine.cell(x, y); }
    int cellsX() const override { return fieldWidth(engine); }
    int cellsY() const override { return fieldHeight(engine); }
    EngineState state() const override { return stateOf(engine); }
    bool restore(const EngineState& state, std::string* error) override { return restoreState(engine, state, error); }

    ModelParameters& parameters() override { return engine; }
    void layDown(const Pattern& pattern) override;
    void reseed(std::int32_t value) override { engine.seed(seed = value); }
    bool edit(int x, int y, Cell state) override { return engine.editCell(x, y, state); }
    void copyField(Cell* out) const override { copyCells(engine, out); }
    bool copyPrevious(Cell* out) const override { return copyPreviousCells(engine, out); }
    StoredField storedField() const override { return storedCells(engine); }

    Engine engine;
    std::int32_t seed = 0;  // the last seed, for random start fields
};

template <class Engine>
void layDownPattern(Engine& bed, const Pattern& pattern, std::int32_t seed);

// The parameters of config as the desktop program's controls set them, in
// their order; with only, just those whose options it names.
void setParameters(ModelParameters& bed, const RunConfig& config, const std::set<std::string>* only = nullptr)
{
    auto set = [only](const char* option) { return !only || only->count(option) != 0; };
    if (set("--a3"))
        bed.maturing = probabilityFromMillionths(config.a3);
    if (set("--a4"))
        bed.predation = probabilityFromMillionths(config.a4);
    if (set("--long-range"))
        bed.setlongrange(config.longRange);
    if (set("--jump"))
        bed.setjumpdistance(config.jump);
    if (set("--a2"))
        bed.recolonization = probabilityFromMillionths(config.a2);
    if (set("--a0"))
        bed.neighbourCoupling = probabilityFromMillionths(config.a0);
    if (set("--d0"))
        bed.oceanForcing = probabilityFromMillionths(config.d0);
    if (set("--boundary"))
        bed.randbedingungaendern(config.periodic);
    if (set("--scheme"))
        bed.updatemethodeaendern(config.scheme);
}

// Both engines take the same calls in the same order.
template <class Engine>
void setUp(Engine& bed, const RunConfig& config)
{
    bed.seed(config.seed);
    setParameters(bed, config);
    layDownPattern(bed, config.pattern, config.seed);
}

template <class Engine>
void layDownPattern(Engine& bed, const Pattern& pattern, std::int32_t seed)
{
    switch (pattern.kind) {
    case PatternKind::Young:
        bed.globalHealth();
        break;
    case PatternKind::Line:
        bed.infectedLine();
        break;
    case PatternKind::File: {
        const FieldData& field = *pattern.field;
        bed.setField(field.width, field.height, field.codes, nullptr);
        break;
    }
    case PatternKind::Random: {
        const int width = fieldWidth(bed);
        const int height = fieldHeight(bed);
        bed.setField(width, height, randomField(pattern.random, width, height, seed), nullptr);
        break;
    }
    }
}

template <class Engine>
void EngineBed<Engine>::layDown(const Pattern& pattern)
{
    layDownPattern(engine, pattern, seed);
}

} // namespace

std::unique_ptr<Bed> makeBed(const RunConfig& config, int threads)
{
    // Only the synchronous scheme shares its steps; an asynchronous run would
    // leave the other threads idle.
    return makeLiveBed(config, config.scheme == FastBed::SyncMethod ? threads : 1);
}

std::unique_ptr<LiveBed> makeLiveBed(const RunConfig& config, int threads)
{
    if (config.mode == EngineMode::Exact) {
        auto bed = std::make_unique<EngineBed<MusselBed>>(config.width, config.height, config.seed);
        setUp(bed->engine, config);
        bed->seed = config.seed;
        return bed;
    }
    auto bed = std::make_unique<EngineBed<FastBed>>(config.width, config.height,
                                                    static_cast<std::uint64_t>(config.seed), threads);
    setUp(bed->engine, config);
    bed->seed = config.seed;
    return bed;
}

std::unique_ptr<LiveBed> continueBed(const SavedRun& saved, RunConfig& config, const std::set<std::string>& given,
                                 int threads)
{
    config.width = saved.engine.width;
    config.height = saved.engine.height;
    config.mode = saved.engine.fast ? EngineMode::Fast : EngineMode::Exact;
    config.seed = saved.seed;
    // What the options do not change is the saved run's, and is reported so.
    const ModelParameters& p = saved.engine.parameters;
    const std::pair<const char*, int*> probabilities[] = {
        {"--a2", &config.a2}, {"--a0", &config.a0}, {"--d0", &config.d0}, {"--a3", &config.a3}, {"--a4", &config.a4}};
    const double values[] = {p.recolonization, p.neighbourCoupling, p.oceanForcing, p.maturing, p.predation};
    for (std::size_t i = 0; i < std::size(values); ++i)
        if (!given.count(probabilities[i].first))
            *probabilities[i].second = millionthsOf(values[i]);
    if (!given.count("--jump"))
        config.jump = p.jumpDistance;
    if (!given.count("--long-range"))
        config.longRange = p.longRange;
    if (!given.count("--boundary"))
        config.periodic = p.periodic;
    if (!given.count("--scheme"))
        config.scheme = p.updateMethod;
    std::unique_ptr<LiveBed> bed = makeLiveBed(config, threads);
    std::string error;
    if (!bed->restore(saved.engine, &error))
        throw BatchError("--from-state: " + error);
    setParameters(bed->parameters(), config, &given);
    return bed;
}
