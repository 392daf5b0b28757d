// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation.h"

#include "batcherror.h"
#include "printable.h"
#include "fastbed.h"
#include "fieldcsv.h"
#include "livebed.h"
#include "musselbed.h"

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
    int cellsX() const override { return width(engine); }
    int cellsY() const override { return height(engine); }

    ModelParameters& parameters() override { return engine; }
    void reseed(std::int32_t seed) override { engine.seed(seed); }
    void layDown(const Pattern& pattern) override;
    bool edit(int x, int y, Cell state) override { return engine.editCell(x, y, state); }
    void copyField(Cell* out) const override { copyCells(engine, out); }
    bool copyPrevious(Cell* out) const override { return copyPreviousCells(engine, out); }

    Engine engine;

private:
    // The engine's own size: a laid-down field may change it.
    static int width(const MusselBed& bed) { return bed.cellsX; }
    static int height(const MusselBed& bed) { return bed.cellsY; }
    static int width(const FastBed& bed) { return bed.cellsX(); }
    static int height(const FastBed& bed) { return bed.cellsY(); }
};

template <class Engine>
void layDownPattern(Engine& bed, const Pattern& pattern);

// Both engines take the same calls in the same order.
template <class Engine>
void setUp(Engine& bed, const RunConfig& config)
{
    bed.seed(config.seed);
    bed.setmaturing(config.a3);
    bed.setpredation(config.a4);
    bed.setlongrange(config.longRange);
    bed.setjumpdistance(config.jump);
    bed.setcolonization(config.a2);
    bed.setneighbourcoupling(config.a0);
    bed.setoceanforcing(config.d0);
    bed.randbedingungaendern(config.periodic);
    bed.updatemethodeaendern(config.scheme);
    layDownPattern(bed, config.pattern);
}

template <class Engine>
void layDownPattern(Engine& bed, const Pattern& pattern)
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
    }
}

template <class Engine>
void EngineBed<Engine>::layDown(const Pattern& pattern)
{
    layDownPattern(engine, pattern);
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
        return bed;
    }
    auto bed = std::make_unique<EngineBed<FastBed>>(config.width, config.height,
                                                    static_cast<std::uint64_t>(config.seed), threads);
    setUp(bed->engine, config);
    return bed;
}
