#include "simulation.h"

#include "batcherror.h"
#include "fieldcsv.h"
#include "musselbed.h"

void loadPattern(ModelOptions& model)
{
    RunConfig& config = model.config;
    if (config.pattern.kind != PatternKind::File)
        return;
    try {
        config.pattern.field = std::make_shared<const FieldData>(readFieldCsv(config.pattern.path));
    } catch (const BatchError& error) {
        throw BatchError(std::string("--pattern: ") + error.what());
    }
    const FieldData& field = *config.pattern.field;
    const std::string source = "the pattern '" + config.pattern.path + "'";
    if (model.widthGiven && config.width != field.width)
        throw BatchError("--width " + std::to_string(config.width) + " does not match " + source + ", which is "
                         + std::to_string(field.width) + " cells wide (leave --width out)");
    if (model.heightGiven && config.height != field.height)
        throw BatchError("--height " + std::to_string(config.height) + " does not match " + source
                         + ", which is " + std::to_string(field.height) + " cells high (leave --height out)");
    config.width = field.width;
    config.height = field.height;
}

std::unique_ptr<MusselBed> makeBed(const RunConfig& config)
{
    auto bed = std::make_unique<MusselBed>(config.width, config.height, config.seed);
    bed->seed(config.seed);
    bed->setmaturing(config.a3);
    bed->setpredation(config.a4);
    bed->setlongrange(config.longRange);
    bed->setjumpdistance(config.jump);
    bed->setcolonization(config.a2);
    bed->setneighbourcoupling(config.a0);
    bed->setoceanforcing(config.d0);
    bed->randbedingungaendern(config.periodic);
    bed->updatemethodeaendern(config.scheme);

    switch (config.pattern.kind) {
    case PatternKind::Young:
        bed->globalHealth();
        break;
    case PatternKind::Line:
        bed->infectedLine();
        break;
    case PatternKind::File: {
        const FieldData& field = *config.pattern.field;
        bed->setField(field.width, field.height, field.codes, nullptr);
        break;
    }
    }
    return bed;
}
