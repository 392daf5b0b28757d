// SPDX-License-Identifier: GPL-3.0-or-later
// End-to-end runs of the tidmar-batch executable, with no display and no
// job-array variables in its environment.

#include "fastbed.h"
#include "fieldcsv.h"
#include "musselbed.h"

#include "cellcolours.h"

#include <QCryptographicHash>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <spawn.h>
#include <string>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
    long peakKilobytes = 0;  // the most memory the process held
};

std::string readFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

class BatchTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "tidmar-batch-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
        dir = root / "work";
        fs::create_directory(dir);
    }
    void TearDown() override { fs::remove_all(root); }

    // Runs the tool in dir with extra "NAME=value" environment entries.
    Outcome run(const std::vector<std::string>& arguments, const std::vector<std::string>& extra = {})
    {
        return finish(start(arguments, extra));
    }

    // Starts the tool as run does, behind launcher (e.g. taskset) if given;
    // finish waits for it and collects its output.
    pid_t start(const std::vector<std::string>& arguments, const std::vector<std::string>& extra = {},
                const std::vector<std::string>& launcher = {})
    {
        std::vector<std::string> environment;
        for (char** entry = environ; *entry; ++entry) {
            const std::string text = *entry;
            const std::string name = text.substr(0, text.find('='));
            const bool replaced = std::any_of(extra.begin(), extra.end(), [&](const std::string& entry) {
                return entry.rfind(name + "=", 0) == 0;
            });
            if (name != "DISPLAY" && name != "WAYLAND_DISPLAY" && name != "QT_QPA_PLATFORM"
                && name.rfind("SLURM_", 0) != 0 && !replaced)
                environment.push_back(text);
        }
        environment.insert(environment.end(), extra.begin(), extra.end());

        std::vector<std::string> words = launcher;
        words.push_back(TIDMAR_BATCH_EXE);
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (std::string& entry : environment)
            envp.push_back(entry.data());
        envp.push_back(nullptr);

        const std::string outPath = (root / "out").string();
        const std::string errPath = (root / "err").string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
        pid_t child = 0;
        if (posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
            child = -1;
        posix_spawn_file_actions_destroy(&actions);
        return child;
    }

    Outcome finish(pid_t child)
    {
        Outcome outcome;
        int status = 0;
        struct rusage usage {};
        if (child > 0 && ::wait4(child, &status, 0, &usage) == child)
            outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        outcome.peakKilobytes = usage.ru_maxrss;
        outcome.out = readFile(root / "out");
        outcome.err = readFile(root / "err");
        return outcome;
    }

    std::vector<std::string> filesInDir() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string file(const std::string& name) const { return readFile(dir / name); }

    fs::path root;  // holds dir and the captured output
    fs::path dir;   // the tool's working directory
};

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        result.push_back(line);
    return result;
}

} // namespace

TEST_F(BatchTool, SameSeedGivesIdenticalFiles)
{
    for (const char* name : {"a", "b"}) {
        const Outcome outcome = run({"--seed", "77", "--width", "40", "--height", "30", "--steps", "25",
                                     "--scheme", "async-nrs", "--counts", std::string(name) + ".csv",
                                     "--field", std::string(name) + "-field.csv", "--picture",
                                     std::string(name) + ".png"});
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        EXPECT_EQ(outcome.err, "");
    }
    EXPECT_EQ(file("a.csv"), file("b.csv"));
    EXPECT_EQ(file("a-field.csv"), file("b-field.csv"));
    EXPECT_EQ(file("a.png"), file("b.png"));
    const std::vector<std::string> rows = lines(file("a.csv"));
    ASSERT_EQ(rows.size(), 27u);
    EXPECT_EQ(rows[0], "step,predator_on_adults,predator_on_young,empty,young,adult");
    EXPECT_EQ(rows[1], "0,0,0,0,1200,0");
}

TEST_F(BatchTool, AgreesCellForCellWithTheDesktopWay)
{
    const std::int32_t seed = 1733673600;
    const Outcome outcome = run({"--seed", std::to_string(seed), "--pattern", "line", "--steps", "60",
                                 "--field", "final.csv", "--quiet"});
    ASSERT_EQ(outcome.status, 0) << outcome.err;

    MusselBed bed(256, 256);
    bed.seed(seed);
    bed.setmaturing(100);
    bed.setpredation(750);
    bed.setlongrange(true);
    bed.setjumpdistance(10);
    bed.setcolonization(300);
    bed.setneighbourcoupling(750);
    bed.randbedingungaendern(true);
    bed.infectedLine();
    for (int step = 0; step < 60; ++step)
        bed.advance();

    const FieldData field = readFieldCsv((dir / "final.csv").string());
    ASSERT_EQ(field.width, 256);
    ASSERT_EQ(field.height, 256);
    int differing = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            differing += field.codes[static_cast<std::size_t>(y) * 256 + x] != bed.cell(x, y);
    EXPECT_EQ(differing, 0);
    EXPECT_NE(bed.counts()[stateIndex(Empty)], 0) << "the run should have changed the field";
}

TEST_F(BatchTool, FastRunIsFastBedsRunWhateverItsThreads)
{
    const std::vector<std::string> settings = {"--mode", "fast", "--scheme", "sync", "--seed", "91", "--width",
                                               "70", "--height", "45", "--pattern", "line", "--a2", "0.6",
                                               "--a0", "0.5", "--d0", "0.02", "--a3", "0.2", "--a4", "0.9",
                                               "--jump", "7", "--boundary", "closed", "--steps", "40", "--quiet"};
    for (const char* threads : {"1", "2", "3"}) {
        std::vector<std::string> arguments = settings;
        arguments.insert(arguments.end(), {"--threads", threads, "--field", std::string(threads) + "-field.csv",
                                           "--counts", std::string(threads) + "-counts.csv"});
        const Outcome outcome = run(arguments);
        ASSERT_EQ(outcome.status, 0) << outcome.err;
    }
    EXPECT_EQ(file("2-field.csv"), file("1-field.csv"));
    EXPECT_EQ(file("3-field.csv"), file("1-field.csv"));
    EXPECT_EQ(file("2-counts.csv"), file("1-counts.csv"));
    EXPECT_EQ(file("3-counts.csv"), file("1-counts.csv"));

    FastBed bed(70, 45, 91);
    bed.setcolonization(600);
    bed.setneighbourcoupling(500);
    bed.setoceanforcing(20);
    bed.setmaturing(200);
    bed.setpredation(900);
    bed.setjumpdistance(7);
    bed.randbedingungaendern(false);
    bed.updatemethodeaendern(FastBed::SyncMethod);
    bed.infectedLine();
    for (int step = 0; step < 40; ++step)
        bed.advance();
    const FieldData field = readFieldCsv((dir / "1-field.csv").string());
    ASSERT_EQ(field.width, 70);
    ASSERT_EQ(field.height, 45);
    int differing = 0;
    for (int y = 0; y < 45; ++y)
        for (int x = 0; x < 70; ++x)
            differing += field.codes[static_cast<std::size_t>(y) * 70 + x] != bed.cell(x, y);
    EXPECT_EQ(differing, 0);
    EXPECT_NE(bed.counts()[stateIndex(PredatorOnYoung)], 0) << "the predators should have spread";
}

TEST_F(BatchTool, FieldReadBackAsPatternHoldsTheSameCells)
{
    ASSERT_EQ(run({"--seed", "5", "--width", "33", "--height", "17", "--pattern", "line", "--steps", "9",
                   "--field", "f.csv"}).status, 0);
    // Zero steps from the written field write it out unchanged.
    const Outcome again = run({"--pattern", "f.csv", "--steps", "0", "--field", "g.csv", "--quiet",
                               "--width", "33"});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(file("g.csv"), file("f.csv"));
    EXPECT_EQ(lines(file("f.csv")).size(), 17u);
    const Outcome mismatch = run({"--pattern", "f.csv", "--height", "16"});
    EXPECT_EQ(mismatch.status, 2);
    EXPECT_NE(mismatch.err.find("does not match"), std::string::npos) << mismatch.err;
}

TEST_F(BatchTool, PictureHasTheSizeAndColoursOfTheField)
{
    writeFile(dir / "all.csv", "-1,0,1\r\n2,3,2\r\n");
    for (const char* name : {"p.png", "p.JPG"}) {
        const Outcome outcome = run({"--pattern", "all.csv", "--steps", "0", "--picture", name, "--cell-size",
                                     "4", "--seed", "1"});
        ASSERT_EQ(outcome.status, 0) << outcome.err;
    }
    const QImage png((dir / "p.png").string().c_str());
    ASSERT_EQ(png.size(), QSize(12, 8));
    const QRgb colours[2][3] = {{qRgb(0, 0, 255), qRgb(255, 0, 0), qRgb(128, 128, 128)},
                                {qRgb(0, 128, 0), qRgb(0, 90, 0), qRgb(0, 128, 0)}};
    for (int py = 0; py < 8; ++py)
        for (int px = 0; px < 12; ++px)
            ASSERT_EQ(png.pixel(px, py), colours[py / 4][px / 4]) << px << "," << py;

    const QImage jpeg((dir / "p.JPG").string().c_str(), "JPEG");
    ASSERT_EQ(jpeg.size(), QSize(12, 8));
    const QColor centre = jpeg.pixelColor(5, 1);  // inside the red cell
    EXPECT_GT(centre.red(), 200);
    EXPECT_LT(centre.green() + centre.blue(), 120);
}

TEST_F(BatchTool, SplitSweepsAndJobCountsGiveTheSameRows)
{
    const std::vector<std::string> sweep = {"sweep", "--width", "24", "--height", "20", "--steps", "12",
                                            "--pattern", "line", "--seed", "4000", "--vary", "a4=0.5:0.9:0.2",
                                            "--vary", "scheme=sync,async-uc", "--replicates", "2", "--quiet"};
    auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> arguments = sweep;
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return arguments;
    };
    ASSERT_EQ(run(with({"--jobs", "1", "--summary", "one.csv"})).status, 0);
    const Outcome two = run(with({"--jobs", "2", "--summary", "-"}));
    ASSERT_EQ(two.status, 0) << two.err;
    EXPECT_EQ(two.out, file("one.csv"));

    const std::vector<std::string> whole = lines(file("one.csv"));
    ASSERT_EQ(whole.size(), 13u);
    std::vector<std::string> merged = {whole[0]};
    for (int part = 0; part < 3; ++part) {
        const std::string name = "part" + std::to_string(part) + ".csv";
        // Part 1 from a job array's variables, the others from --task.
        const Outcome outcome = part == 1
            ? run(with({"--summary", name}), {"SLURM_ARRAY_TASK_ID=1", "SLURM_ARRAY_TASK_COUNT=3"})
            : run(with({"--task", std::to_string(part) + "/3", "--summary", name}));
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        const std::vector<std::string> rows = lines(file(name));
        ASSERT_EQ(rows[0], whole[0]);
        merged.insert(merged.end(), rows.begin() + 1, rows.end());
    }
    std::sort(merged.begin() + 1, merged.end(), [](const std::string& a, const std::string& b) {
        return std::stoi(a.substr(0, a.find(','))) < std::stoi(b.substr(0, b.find(',')));
    });
    EXPECT_EQ(merged, whole);

    // The time series and patch sizes of the parts merge the same way.
    ASSERT_EQ(run(with({"--counts", "t.csv", "--patch-class", "empty", "--patterns", "p.csv", "--summary",
                        "/dev/null"}))
                  .status,
              0);
    for (const char* part : {"0", "1"})
        ASSERT_EQ(run(with({"--counts", std::string("t") + part + ".csv", "--patch-class", "empty", "--patterns",
                            std::string("p") + part + ".csv", "--task", std::string(part) + "/2", "--summary",
                            "/dev/null"}))
                      .status,
                  0);
    const Outcome series = run({"merge", "t1.csv", "t0.csv", "--summary", "-"});
    ASSERT_EQ(series.status, 0) << series.err;
    EXPECT_EQ(series.out, file("t.csv"));
    const Outcome sizes = run({"merge", "p1.csv", "p0.csv", "--summary", "-"});
    ASSERT_EQ(sizes.status, 0) << sizes.err;
    EXPECT_EQ(sizes.out, file("p.csv"));
    EXPECT_GT(lines(sizes.out).size(), 12u);
    // A series part is checked as strictly as a summary: a run's steps are
    // those its record names, to the last; a line lost anywhere is refused.
    const std::vector<std::string> part = lines(file("t0.csv"));
    ASSERT_EQ(part.size(), 1u + 6u * 13u);  // steps 0 .. 12 of each run
    for (const std::size_t lost : {std::size_t{1}, std::size_t{4}, part.size() - 1}) {
        std::vector<std::string> kept = part;
        kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(lost));
        std::string text;
        for (const std::string& line : kept)
            text += line + "\n";
        writeFile(dir / "cut.csv", text);
        fs::copy_file(dir / "t0.csv.plan", dir / "cut.csv.plan", fs::copy_options::overwrite_existing);
        const Outcome refused = run({"merge", "t1.csv", "cut.csv", "--summary", "-"});
        EXPECT_EQ(refused.status, 2) << lost;
        EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
        EXPECT_NE(refused.err.find("is not whole"), std::string::npos) << refused.err;
        EXPECT_EQ(refused.out, "");
    }

    // merge gives the unsplit sweep's bytes and record; a missing part is
    // named and refused, a part of another sweep or a part twice too.
    const Outcome together = run({"merge", "part2.csv", "part0.csv", "part1.csv", "--summary", "merged.csv"});
    ASSERT_EQ(together.status, 0) << together.err;
    EXPECT_EQ(file("merged.csv"), file("one.csv"));
    EXPECT_EQ(file("merged.csv.plan"), file("one.csv.plan"));
    const Outcome gap = run({"merge", "part0.csv", "part2.csv", "--summary", "-"});
    EXPECT_EQ(gap.status, 2);
    EXPECT_NE(gap.err.find("4 of the sweep's 12 runs are missing (1, 4, 7, 10)"), std::string::npos) << gap.err;
    EXPECT_EQ(gap.out, "");
    const Outcome allowed = run({"merge", "part0.csv", "part2.csv", "--allow-missing", "--summary", "-"});
    EXPECT_EQ(lines(allowed.out).size(), 9u) << allowed.err;
    ASSERT_EQ(run(with({"--seed", "4001", "--task", "1/3", "--summary", "other.csv"})).status, 2);
    std::vector<std::string> other = with({"--task", "1/3", "--summary", "other.csv"});
    other[std::find(other.begin(), other.end(), "4000") - other.begin()] = "4001";
    ASSERT_EQ(run(other).status, 0);
    for (const std::vector<std::string>& parts :
         {std::vector<std::string>{"part0.csv", "other.csv", "part2.csv"}, {"part0.csv", "part1.csv", "part1.csv", "part2.csv"}}) {
        std::vector<std::string> arguments = {"merge"};
        arguments.insert(arguments.end(), parts.begin(), parts.end());
        arguments.insert(arguments.end(), {"--summary", "bad.csv"});
        const Outcome refused = run(arguments);
        EXPECT_EQ(refused.status, 2);
        EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
        EXPECT_FALSE(fs::exists(dir / "bad.csv"));
    }
}

TEST_F(BatchTool, SummaryRowRepeatsAlone)
{
    const Outcome sweep = run({"sweep", "--width", "20", "--height", "15", "--steps", "10", "--pattern", "line",
                               "--vary", "a2=0.2,0.9", "--vary", "jump=3", "--summary", "-"});
    ASSERT_EQ(sweep.status, 0) << sweep.err;
    ASSERT_EQ(sweep.err.rfind("seed: ", 0), 0u) << sweep.err;
    const std::vector<std::string> rows = lines(sweep.out);
    ASSERT_EQ(rows.size(), 3u);

    std::vector<std::string> header, values;
    for (auto [text, into] : {std::pair{rows[0], &header}, std::pair{rows[2], &values}}) {
        std::istringstream stream(text);
        for (std::string cell; std::getline(stream, cell, ',');)
            into->push_back(cell);
    }
    std::vector<std::string> arguments = {"--counts", "-"};
    // seed, width, ..., steps, pattern, mode: each column is the option of its name.
    for (std::size_t i = 1; i <= 15; ++i) {
        std::string name = header[i];
        std::replace(name.begin(), name.end(), '_', '-');
        arguments.insert(arguments.end(), {"--" + name, values[i]});
    }
    const Outcome alone = run(arguments);
    ASSERT_EQ(alone.status, 0) << alone.err;
    const std::string last = lines(alone.out).back();
    std::string counts = values[16];
    for (std::size_t i = 17; i <= 20; ++i)
        counts += "," + values[i];
    EXPECT_EQ(last, "10," + counts);
}

TEST_F(BatchTool, FastSweepRowsDoNotDependOnJobsOrThreadsAndRepeatAlone)
{
    const std::vector<std::string> sweep = {"sweep", "--mode", "fast", "--width", "40", "--height", "30",
                                            "--steps", "16", "--pattern", "line", "--seed", "600", "--vary",
                                            "scheme=sync,async-uc,async-nrs", "--vary", "a4=0.5,0.9",
                                            "--replicates", "2", "--quiet"};
    auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> arguments = sweep;
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return arguments;
    };
    ASSERT_EQ(run(with({"--jobs", "1", "--summary", "one.csv"})).status, 0);
    const Outcome two = run(with({"--jobs", "2", "--threads", "2", "--summary", "-"}));
    ASSERT_EQ(two.status, 0) << two.err;
    EXPECT_EQ(two.out, file("one.csv"));

    // Run 1 is sync, run 7 async-uc: each repeats alone from its row.
    const std::vector<std::string> rows = lines(two.out);
    ASSERT_EQ(rows.size(), 13u);
    std::vector<std::string> header;
    std::istringstream names(rows[0]);
    for (std::string cell; std::getline(names, cell, ',');)
        header.push_back(cell);
    for (std::size_t k : {1, 7}) {
        std::vector<std::string> values;
        std::istringstream stream(rows[k + 1]);
        for (std::string cell; std::getline(stream, cell, ',');)
            values.push_back(cell);
        ASSERT_EQ(values[15], "fast");
        std::vector<std::string> arguments = {"--counts", "-", "--threads", "2"};
        for (std::size_t i = 1; i <= 15; ++i) {
            std::string name = header[i];
            std::replace(name.begin(), name.end(), '_', '-');
            arguments.insert(arguments.end(), {"--" + name, values[i]});
        }
        const Outcome alone = run(arguments);
        ASSERT_EQ(alone.status, 0) << alone.err;
        std::string counts = values[16];
        for (std::size_t i = 17; i <= 20; ++i)
            counts += "," + values[i];
        EXPECT_EQ(lines(alone.out).back(), "16," + counts) << "run " << k;
    }
}

TEST_F(BatchTool, RefusalsAreOneLineWithStatusTwoAndLeaveNoFile)
{
    writeFile(dir / "ragged.csv", "1,2\n1\n");
    writeFile(dir / "codes.csv", "1,7\n");
    fs::create_directory(dir / "sub");
    const std::vector<std::vector<std::string>> cases = {
        {"--a2", "1.5", "--counts", "c.csv"},
        {"--seed", "2147483647", "--counts", "c.csv"},
        {"--width", "0", "--counts", "c.csv"},
        {"--steps", "-1", "--counts", "c.csv"},
        {"--pattern", "missing.csv", "--counts", "c.csv"},
        {"--pattern", "ragged.csv", "--counts", "c.csv"},
        {"--pattern", "codes.csv", "--counts", "c.csv"},
        {"--pattern", "sub", "--counts", "c.csv"},
        {"--counts", "c.csv", "--field", "nowhere/f.csv"},
        {"--counts", "c.csv", "--field", "sub"},
        {"--counts", "c.csv", "--picture", "p.gif"},
        {"--counts", "c.csv", "--picture", "p.png", "--width", "2048", "--cell-size", "9"},
        {"--counts", "c.csv", "--field", "./c.csv"},
        {"--counts", "/dev/full", "--field", "f.csv", "--steps", "9000", "--width", "8", "--seed", "1"},
        {"--counts", "c.csv", "--bogus"},
        {"--counts", "c.csv", "--steps"},
        {"sweep", "--vary", "a2=0.1", "--task", "0/2", "--summary", "s.csv"},
        {"sweep", "--vary", "a2=0:1:0.001", "--replicates", "3", "--seed", "2147483000", "--summary", "s.csv"},
        {"sweep", "--summary", "s.csv", "--jobs", "0"},
        {"sweep", "--vary", "a2=0.1", "--seed", "3", "--summary", "nowhere/s.csv"},
        {"--counts", "c.csv", "--counts-every", "0"},
        {"--counts", "c.csv", "--snapshots", "ragged.csv"},
        {"--counts", "c.csv", "--plot", "nowhere/p.png"},
        {"--counts", "c.csv", "--plot", "p.gif"},
        {"sweep", "--vary", "a2=0.1", "--steps", "5", "--burn-in", "5", "--summary", "s.csv"},
        {"sweep", "--vary", "scheme=sync", "--plot", "p.png", "--summary", "s.csv"},
        {"sweep", "--summary", "s.csv"}, // with a job-array variable that is no number
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Outcome outcome =
            i + 1 == cases.size() ? run(cases[i], {"SLURM_ARRAY_TASK_ID=x", "SLURM_ARRAY_TASK_COUNT=2"})
                                  : run(cases[i]);
        EXPECT_EQ(outcome.status, 2) << cases[i][1];
        EXPECT_EQ(outcome.err.rfind("tidmar-batch: ", 0), 0u) << outcome.err;
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
        EXPECT_EQ(filesInDir(), (std::vector<std::string>{"codes.csv", "ragged.csv", "sub"})) << outcome.err;
        EXPECT_TRUE(fs::is_empty(dir / "sub"));
    }
}

TEST_F(BatchTool, HelpListsEveryOption)
{
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{"--help"}, {"sweep", "-h"}}) {
        const Outcome outcome = run(arguments);
        EXPECT_EQ(outcome.status, 0);
        for (const char* option : {"--width", "--height", "--scheme", "--pattern", "--a2", "--a0", "--d0", "--a3",
                                   "--a4", "--jump", "--long-range", "--boundary", "--seed", "--steps", "--mode",
                                   "--threads", "--quiet"})
            EXPECT_NE(outcome.out.find(option), std::string::npos) << option;
    }
}

// What a cluster does to a sweep: SIGTERM (scancel, a time limit) and SIGKILL
// in the middle of it. Either way the same command with --resume ends with
// the bytes of the sweep never interrupted, also when the seed came from the
// clock; a resume with other options is refused.
TEST_F(BatchTool, InterruptedSweepsResumeToTheSameBytes)
{
    const std::vector<std::string> sweep = {"sweep", "--width", "64", "--height", "64", "--steps", "200",
                                            "--vary", "a2=0.1:0.9:0.1", "--replicates", "6", "--jobs", "2",
                                            "--quiet", "--counts-every", "50", "--d0", "0.02", "--patch-class", "gap",
                                            "--patterns-every", "100", "--patterns", "p.csv", "--summary", "s.csv",
                                            "--counts", "t.csv"};
    auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> arguments = sweep;
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return arguments;
    };
    // The rows the sweep has kept so far, in its hidden temporary file.
    auto keptRows = [&] {
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path().extension() == ".tmp" && entry.path().filename().string().rfind(".s.csv", 0) == 0)
                return lines(readFile(entry.path())).size();
        return std::size_t{0};
    };
    for (const int signal : {SIGTERM, SIGKILL}) {
        SCOPED_TRACE(signal);
        // With a seed for SIGTERM, from the clock for SIGKILL.
        const std::vector<std::string> arguments = signal == SIGTERM ? with({"--seed", "50"}) : sweep;
        const pid_t child = start(arguments);
        ASSERT_GT(child, 0);
        for (int wait = 0; wait < 6000 && keptRows() < 4; ++wait)
            ::usleep(10000);
        ::kill(child, signal);
        const Outcome stopped = finish(child);
        ASSERT_EQ(stopped.status, 128 + signal) << stopped.err;
        EXPECT_FALSE(fs::exists(dir / "s.csv"));
        if (signal == SIGTERM) {
            EXPECT_EQ(lines(stopped.err).size(), 1u) << stopped.err;
            EXPECT_NE(stopped.err.find("runs kept; to resume: tidmar-batch sweep --width 64"), std::string::npos)
                << stopped.err;
            EXPECT_EQ(filesInDir().size(), 6u);  // the kept rows, the series, the sizes and their records
            const Outcome other = run(with({"--seed", "51", "--resume"}));
            EXPECT_EQ(other.status, 2);
            EXPECT_NE(other.err.find("comes from another sweep"), std::string::npos) << other.err;
            // The series loses its last lines (a power cut): the summary is
            // cut back to the runs whose series are whole.
            for (const auto& entry : fs::directory_iterator(dir))
                if (entry.path().filename().string().rfind(".t.csv.", 0) == 0 && entry.path().extension() == ".tmp")
                    fs::resize_file(entry.path(), fs::file_size(entry.path()) - 150);
        }

        const Outcome resumed = run(signal == SIGTERM ? with({"--seed", "50", "--resume"}) : with({"--resume"}));
        ASSERT_EQ(resumed.status, 0) << resumed.err;
        EXPECT_EQ(filesInDir(), (std::vector<std::string>{"datapackage.json", "p.csv", "p.csv.plan", "s.csv",
                                                          "s.csv.plan", "t.csv", "t.csv.plan"}));
        const std::string seed = lines(file("s.csv"))[1].substr(2, lines(file("s.csv"))[1].find(',', 2) - 2);
        std::vector<std::string> whole = with({"--seed", seed});
        whole[whole.size() - 5] = "whole.csv";
        whole[whole.size() - 3] = "whole-t.csv";
        whole[whole.size() - 7] = "whole-p.csv";
        ASSERT_EQ(run(whole).status, 0);
        EXPECT_EQ(file("s.csv"), file("whole.csv"));
        EXPECT_EQ(file("t.csv"), file("whole-t.csv"));
        EXPECT_EQ(file("p.csv"), file("whole-p.csv"));
        EXPECT_EQ(lines(file("s.csv")).size(), 55u);
        EXPECT_EQ(lines(file("t.csv")).size(), 1u + 54u * 5u);
        for (const auto& entry : fs::directory_iterator(dir))
            fs::remove_all(entry.path());
    }

    // A single run stops between two steps and leaves nothing behind.
    const pid_t single = start({"--steps", "100000000", "--counts", "c.csv", "--snapshots", "snaps", "--quiet"});
    for (int wait = 0; wait < 6000 && (!fs::exists(dir / "snaps") || fs::is_empty(dir / "snaps")); ++wait)
        ::usleep(10000);
    ::kill(single, SIGTERM);
    const Outcome stopped = finish(single);
    EXPECT_EQ(stopped.status, 128 + SIGTERM);
    EXPECT_EQ(lines(stopped.err).size(), 1u) << stopped.err;
    EXPECT_NE(stopped.err.find("stopped by SIGTERM after step"), std::string::npos) << stopped.err;
    EXPECT_TRUE(filesInDir().empty());

    // Its saved state and patch sizes are put in place with its other
    // outputs, or none of them is (here the descriptor cannot be written).
    fs::create_directory(dir / "one");
    ASSERT_EQ(::mkfifo((dir / "one/datapackage.json").c_str(), 0600), 0);
    const std::vector<std::string> saving = {"--seed", "4", "--steps", "30", "--d0", "0.02", "--quiet",
                                             "--counts", "one/c.csv", "--patch-class", "gap", "--patterns",
                                             "one/p.csv", "--save-state", "one/end.state"};
    EXPECT_EQ(run(saving).status, 2);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "one"), fs::directory_iterator()), 1);
    fs::remove(dir / "one/datapackage.json");
    ASSERT_EQ(run(saving).status, 0);
    const std::string described = file("one/datapackage.json");
    for (const char* name : {"\"c.csv\"", "\"p.csv\"", "\"end.state\"", "\"tidmar-state\""})
        EXPECT_NE(described.find(name), std::string::npos) << name;
}

// Resume keeps of what a sweep kept only the plan's runs exactly (their
// seeds and parameters, no more rows than runs), each with its whole series
// up to its last step or the step its stop condition ended it at, and never
// a seed that --seed would refuse.
TEST_F(BatchTool, ResumeKeepsOnlyThePlansRunsWithTheirWholeSeries)
{
    const std::vector<std::string> sweep = {"sweep", "--width", "24", "--height", "24", "--steps", "40",
                                            "--pattern", "line", "--a2", "0.6", "--a0", "0.5", "--d0", "0.02",
                                            "--vary", "a4=0.05,0.3", "--replicates", "3", "--stop-when",
                                            "predator-on-young-extinct", "--counts-every", "7", "--quiet",
                                            "--summary", "s.csv", "--counts", "c.csv"};
    std::vector<std::string> seeded = sweep;
    seeded.insert(seeded.end(), {"--seed", "60"});
    ASSERT_EQ(run(seeded).status, 0);
    const std::vector<std::string> rows = lines(file("s.csv"));
    const std::vector<std::string> series = lines(file("c.csv"));
    const std::string whole = file("s.csv");
    const std::string wholeSeries = file("c.csv");
    const std::string plan = file("s.csv.plan");
    const std::string seriesPlan = file("c.csv.plan");
    ASSERT_EQ(rows.size(), 7u);
    auto join = [](const std::vector<std::string>& kept) {
        std::string text;
        for (const std::string& line : kept)
            text += line + "\n";
        return text;
    };
    // The lines of the first runs of the series.
    auto seriesOf = [&](int runs) {
        std::vector<std::string> kept;
        for (const std::string& line : series)
            if (kept.empty() || std::stoi(line) < runs)
                kept.push_back(line);
        return kept;
    };
    // What a sweep killed after some runs kept, as it would name it.
    auto resumeFrom = [&](const std::vector<std::string>& summary, const std::vector<std::string>& counts,
                          const std::string& record, const std::vector<std::string>& arguments) {
        for (const auto& entry : fs::directory_iterator(dir))
            fs::remove_all(entry.path());
        writeFile(dir / ".s.csv.KeptKeptKept.tmp", join(summary));
        writeFile(dir / ".s.csv.KeptKeptKept.plan", record);
        writeFile(dir / ".c.csv.KeptKeptKept.tmp", join(counts));
        writeFile(dir / ".c.csv.KeptKeptKept.plan", seriesPlan);
        std::vector<std::string> resume = arguments;
        resume.push_back("--resume");
        return run(resume);
    };
    ASSERT_NE(series.size(), 1u + 6u * 7u);  // some runs stop before their last step

    // Five runs kept whole, one of them marked: it is kept, not run again.
    std::vector<std::string> marked(rows.begin(), rows.end() - 1);
    marked[1].back() = 'X';
    ASSERT_EQ(resumeFrom(marked, seriesOf(5), plan, seeded).status, 0);
    std::string expected = whole;
    expected[rows[0].size() + rows[1].size()] = 'X';
    EXPECT_EQ(file("s.csv"), expected);
    EXPECT_EQ(file("c.csv"), wholeSeries);

    // A row beyond the runs, a row of other parameters and a series cut
    // inside a run are not kept: the sweep ends as one never interrupted.
    std::vector<std::string> beyond = rows;
    beyond.push_back("6" + rows.back().substr(1));
    std::vector<std::string> changed = rows;
    changed[3].replace(changed[3].find(",0.05,"), 6, ",0.06,");
    std::vector<std::string> cut = seriesOf(4);
    cut.erase(cut.end() - 2);
    for (const auto& [summary, counts] : {std::pair{beyond, series}, std::pair{changed, series},
                                          std::pair{rows, cut}}) {
        const Outcome resumed = resumeFrom(summary, counts, plan, seeded);
        ASSERT_EQ(resumed.status, 0) << resumed.err;
        EXPECT_EQ(file("s.csv"), whole);
        EXPECT_EQ(file("c.csv"), wholeSeries);
    }

    // A kept seed (one drawn) that --seed refuses is not taken up: the sweep
    // starts afresh.
    ASSERT_EQ(run(sweep).status, 0);
    const std::string drawn = file("s.csv.plan");
    const auto seedLine = drawn.find("\nseed: ") + 7;
    for (const char* seed : {"0", "-5", "1e3", "4294967297"}) {
        SCOPED_TRACE(seed);
        std::string record = drawn;
        record.replace(seedLine, record.find('\n', seedLine) - seedLine, seed);
        const Outcome resumed = resumeFrom({rows[0], rows[1]}, seriesOf(1), record, sweep);
        ASSERT_EQ(resumed.status, 0) << resumed.err;
        const std::string kept = file("s.csv.plan");
        EXPECT_EQ(kept.find(std::string("seed: ") + seed + "\n"), std::string::npos) << kept;
        EXPECT_EQ(lines(file("s.csv")).size(), 7u);
    }
}

// A sweep with several outputs killed at each point of its commit in turn
// (every rename, sync, lock and open of its main thread once its runs are
// done, by strace's fault injection) ends, after --resume, with the bytes
// and descriptors of a sweep never killed, and no temporary left.
TEST_F(BatchTool, KilledAtEveryCommitPointResumesToTheSameOutputs)
{
    if (std::system("strace -f -o /dev/null true > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "strace cannot trace here";
    auto sweepInto = [](const std::string& folder) {
        return std::vector<std::string>{"sweep", "--seed", "40", "--width", "24", "--height", "24", "--steps", "20",
                                        "--vary", "a2=0.3,0.6", "--replicates", "2", "--jobs", "2", "--quiet",
                                        "--summary", folder + "/s.csv", "--counts", folder + "/c.csv",
                                        "--d0", "0.02", "--patch-class", "gap", "--patterns", folder + "/p.csv",
                                        "--snapshots", folder + "/snaps"};
    };
    fs::create_directory(dir / "ref");
    ASSERT_EQ(run(sweepInto("ref")).status, 0);
    // The descriptor without what differs between two commands.
    auto described = [](const fs::path& path) {
        QFile file(QString::fromStdString(path.string()));
        if (!file.open(QIODevice::ReadOnly))
            return std::string("(none)");
        QJsonObject package = QJsonDocument::fromJson(file.readAll()).object();
        package.remove("created");
        QJsonObject provenance = package["provenance"].toObject();
        provenance.remove("command_line");
        provenance.remove("started_utc");
        package["provenance"] = provenance;
        return QJsonDocument(package).toJson().toStdString();
    };
    auto listing = [](const fs::path& folder) {
        std::set<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            names.insert(fs::relative(entry.path(), folder).string());
        return names;
    };

    // LeakSanitizer cannot work under strace.
    const std::vector<std::string> traced = {"ASAN_OPTIONS=detect_leaks=0"};
    // The main thread's calls of each kind, and how many came before the commit.
    fs::create_directory(dir / "k");
    ASSERT_EQ(finish(start(sweepInto("k"), traced, {"strace", "-f", "-o", (root / "trace").string(), "-e",
                                        "trace=renameat,fsync,flock,openat"}))
                  .status,
              0);
    std::map<std::string, int> calls;
    std::vector<std::pair<std::string, int>> points;
    std::string mainThread;
    for (const std::string& line : lines(readFile(root / "trace"))) {
        const std::string pid = line.substr(0, line.find(' '));
        if (mainThread.empty())
            mainThread = pid;
        const auto open = line.find('(');
        if (pid != mainThread || open == std::string::npos || line.find("resumed>") != std::string::npos)
            continue;
        const auto begin = line.find_first_not_of(' ', pid.size());
        const std::string name = line.substr(begin, open - begin);
        ++calls[name];
        if (calls.count("flock"))
            points.emplace_back(name, calls[name]);
    }
    ASSERT_GE(points.size(), 20u);

    for (const auto& [call, nth] : points) {
        SCOPED_TRACE(call + " " + std::to_string(nth));
        fs::remove_all(dir / "k");
        fs::create_directory(dir / "k");
        const Outcome killed = finish(start(sweepInto("k"), traced, {"strace", "-f", "-o", "/dev/null", "-e",
                                                        "inject=" + call + ":signal=KILL:when=" + std::to_string(nth)}));
        EXPECT_NE(killed.status, 0);
        std::vector<std::string> resume = sweepInto("k");
        resume.push_back("--resume");
        const Outcome resumed = run(resume);
        ASSERT_EQ(resumed.status, 0) << resumed.err;
        EXPECT_EQ(listing(dir / "k"), listing(dir / "ref"));
        for (const char* name : {"s.csv", "s.csv.plan", "c.csv", "c.csv.plan", "p.csv", "p.csv.plan",
                                 "snaps/run3-step20.csv"})
            EXPECT_EQ(file(std::string("k/") + name), file(std::string("ref/") + name)) << name;
        EXPECT_EQ(described(dir / "k/datapackage.json"), described(dir / "ref/datapackage.json"));
        EXPECT_EQ(described(dir / "k/snaps/datapackage.json"), described(dir / "ref/snaps/datapackage.json"));
    }

    // A complete output of another sweep is refused, not replaced; an output
    // asked for that is missing is made again.
    std::vector<std::string> other = sweepInto("k");
    other.insert(other.end(), {"--a0", "0.2", "--resume"});
    const Outcome refused = run(other);
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("'k/s.csv' is the complete output of another sweep"), std::string::npos)
        << refused.err;
    EXPECT_EQ(file("k/s.csv"), file("ref/s.csv"));
    fs::remove(dir / "k/c.csv");
    std::vector<std::string> resume = sweepInto("k");
    resume.push_back("--resume");
    ASSERT_EQ(run(resume).status, 0);
    EXPECT_EQ(file("k/c.csv"), file("ref/c.csv"));

    // A commit refused before it is decided (a FIFO in place of the
    // snapshots' descriptor) leaves every earlier file as it was.
    fs::remove(dir / "k/snaps/datapackage.json");
    ASSERT_EQ(::mkfifo((dir / "k/snaps/datapackage.json").c_str(), 0600), 0);
    std::vector<std::string> another = sweepInto("k");
    another[2] = "41";
    const Outcome failed = run(another);
    EXPECT_EQ(failed.status, 2);
    EXPECT_NE(failed.err.find("is not a regular file"), std::string::npos) << failed.err;
    EXPECT_EQ(file("k/s.csv"), file("ref/s.csv"));
    for (const std::string& name : listing(dir / "ref/snaps")) {
        if (name != "datapackage.json") {
            EXPECT_EQ(file("k/snaps/" + name), file("ref/snaps/" + name)) << name;
        }
    }
    for (const std::string& name : listing(dir / "k/snaps"))
        EXPECT_NE(name[0], '.') << name;
}

// Sweeps writing the same summary at once each put theirs in place and
// describe it under the folder's lock: the descriptor always describes the
// file that is there, as made by the command that made it.
TEST_F(BatchTool, ConcurrentSweepsLeaveTheDescriptionOfTheFileInPlace)
{
    for (int trial = 0; trial < 4; ++trial) {
        std::vector<pid_t> sweeps;
        for (const char* seed : {"111", "222", "333"})
            sweeps.push_back(start({"sweep", "--seed", seed, "--width", "16", "--height", "16", "--steps", "4",
                                    "--vary", "a2=0.2,0.4", "--quiet", "--summary", "s.csv"}));
        for (const pid_t sweep : sweeps)
            ASSERT_EQ(finish(sweep).status, 0);
        QFile descriptor(QString::fromStdString((dir / "datapackage.json").string()));
        ASSERT_TRUE(descriptor.open(QIODevice::ReadOnly));
        const QJsonObject package = QJsonDocument::fromJson(descriptor.readAll()).object();
        const std::string bytes = file("s.csv");
        const QByteArray digest = QCryptographicHash::hash(
            QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())), QCryptographicHash::Sha256);
        std::string described;
        for (const QJsonValue resource : package["resources"].toArray())
            if (resource["path"].toString() == "s.csv")
                described = resource["hash"].toString().toStdString();
        EXPECT_EQ(described, "sha256:" + digest.toHex().toStdString());
        const std::string row = lines(bytes)[1];
        EXPECT_EQ(std::to_string(package["provenance"].toObject()["seed"].toInt()),
                  row.substr(2, row.find(',', 2) - 2));
    }
}

// A sweep's long time series streams to its file as the single run's does:
// its peak memory stays near the single run's, not a run's series per job.
TEST_F(BatchTool, LongSeriesSweepHoldsNoRunsSeriesInMemory)
{
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "AddressSanitizer keeps freed memory in quarantine";
#endif
    const std::vector<std::string> run = {"--seed", "3", "--width", "8", "--height", "8", "--steps", "150000",
                                          "--counts-every", "1", "--quiet", "--counts"};
    std::vector<std::string> single = run;
    single.push_back("one.csv");
    std::vector<std::string> sweep = run;
    sweep.insert(sweep.begin(), "sweep");
    sweep.insert(sweep.end(), {"c.csv", "--vary", "a2=0.3,0.6", "--jobs", "2", "--summary", "s.csv"});
    const Outcome alone = this->run(single);
    const Outcome both = this->run(sweep);
    ASSERT_EQ(alone.status, 0) << alone.err;
    ASSERT_EQ(both.status, 0) << both.err;
    EXPECT_EQ(lines(file("c.csv")).size(), 1u + 2u * 150001u);
    EXPECT_LT(both.peakKilobytes, alone.peakKilobytes * 3 / 2) << alone.peakKilobytes;
}

// Merging streams the parts and counts missing runs by ranges: a part of a
// sweep of two billion runs merges in the memory of a part of two runs.
TEST_F(BatchTool, MergeMemoryDoesNotGrowWithTheSweepsRuns)
{
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "AddressSanitizer keeps freed memory in quarantine";
#endif
    auto part = [](const char* replicates, const char* task, const char* summary) {
        return std::vector<std::string>{"sweep", "--seed", "9", "--width", "8", "--height", "8", "--steps", "2",
                                        "--replicates", replicates, "--task", task, "--summary", summary, "--quiet"};
    };
    ASSERT_EQ(run(part("2", "0/1", "small.csv")).status, 0);
    const Outcome sweep = run(part("2000000000", "0/1000000000", "huge.csv"));
    ASSERT_EQ(sweep.status, 0) << sweep.err;
    const Outcome small = run({"merge", "small.csv", "--summary", "m-small.csv"});
    ASSERT_EQ(small.status, 0) << small.err;
    const Outcome refused = run({"merge", "huge.csv", "--summary", "m.csv"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("1999999998 of the sweep's 2000000000 runs are missing (1, 2, 3, 4, 5, ...)"),
              std::string::npos)
        << refused.err;
    const Outcome merged = run({"merge", "huge.csv", "--summary", "m.csv", "--allow-missing"});
    ASSERT_EQ(merged.status, 0) << merged.err;
    const std::vector<std::string> rows = lines(file("m.csv"));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2].rfind("1000000000,", 0), 0u) << rows[2];
    for (const Outcome* outcome : {&refused, &merged})
        EXPECT_LT(outcome->peakKilobytes, small.peakKilobytes * 2) << small.peakKilobytes;
}

// Field CSVs share one short description whatever their width, so many wide
// snapshots make a small descriptor; a descriptor larger than any the tool
// writes is still read whole, and its entries kept.
TEST_F(BatchTool, WideSnapshotsMakeASmallDescriptorAndALargeOneIsKept)
{
    ASSERT_EQ(run({"--seed", "4", "--width", "2048", "--height", "1", "--steps", "29", "--snapshot-every", "1",
                   "--snapshots", "snaps", "--counts", "c.csv", "--quiet"})
                  .status,
              0);
    const std::string snapshots = file("snaps/datapackage.json");
    const QJsonObject package = QJsonDocument::fromJson(QByteArray::fromStdString(snapshots)).object();
    EXPECT_EQ(package["resources"].toArray().size(), 30);
    EXPECT_LT(snapshots.size(), 30u * 2048u) << "bytes for 30 snapshots";

    // Pad the descriptor beyond 64 MiB with a description the tool does not keep.
    const std::string described = file("datapackage.json");
    ASSERT_EQ(described[0], '{');
    writeFile(dir / "datapackage.json",
              "{\"description\": \"" + std::string(65u << 20, 'x') + "\"," + described.substr(1));
    const Outcome next = run({"--seed", "4", "--width", "8", "--height", "8", "--steps", "2", "--counts", "d.csv"});
    ASSERT_EQ(next.status, 0) << next.err;
    const std::string kept = file("datapackage.json");
    EXPECT_LT(kept.size(), 1u << 20);
    std::set<std::string> paths;
    for (const QJsonValue resource : QJsonDocument::fromJson(QByteArray::fromStdString(kept))["resources"].toArray())
        paths.insert(resource["path"].toString().toStdString());
    EXPECT_EQ(paths, (std::set<std::string>{"c.csv", "d.csv"}));
}

// The field files a sweep varies are in its record by hash: changed between
// two parts, or before a resume, they make another sweep.
TEST_F(BatchTool, VariedPatternFilesAreInTheRecord)
{
    writeFile(dir / "a.csv", "2,2\n2,2\n");
    writeFile(dir / "b.csv", "3,2\n2,1\n");
    auto part = [](const char* task, const char* summary) {
        return std::vector<std::string>{"sweep", "--seed", "5", "--steps", "3", "--vary", "pattern=a.csv,b.csv",
                                        "--task", task, "--summary", summary, "--quiet"};
    };
    ASSERT_EQ(run(part("0/2", "p0.csv")).status, 0);
    const std::string record = file("p0.csv.plan");
    EXPECT_NE(record.find("input: --vary pattern 81d3d98c10dfc4719c7d9cb1b79c5e1e27c0ff6f1e9981cb1b3faf8f83b41fe1\n"
                          "input: --vary pattern ea40420d"),
              std::string::npos)
        << record;
    writeFile(dir / "b.csv", "1,1\n1,1\n");
    ASSERT_EQ(run(part("1/2", "p1.csv")).status, 0);
    const Outcome merged = run({"merge", "p0.csv", "p1.csv", "--summary", "m.csv"});
    EXPECT_EQ(merged.status, 2);
    EXPECT_NE(merged.err.find("(the input of their records differ)"), std::string::npos) << merged.err;
    std::vector<std::string> resume = part("0/2", "p0.csv");
    resume.push_back("--resume");
    const Outcome resumed = run(resume);
    EXPECT_EQ(resumed.status, 2);
    EXPECT_NE(resumed.err.find("'p0.csv' is the complete output of another sweep"), std::string::npos)
        << resumed.err;
    EXPECT_EQ(file("p0.csv.plan"), record);
}

// Nothing but a regular file is read, nothing planted redirects a write, and
// what a message quotes cannot act on the terminal.
TEST_F(BatchTool, InputsAndOutputsCannotBeTurnedAgainstTheUser)
{
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    writeFile(dir / "escape.csv", "1,\x1b]0;title\x07\n");
    fs::create_directory(dir / "shared");
    fs::permissions(dir / "shared", fs::perms::all | fs::perms::sticky_bit);
    writeFile(dir / "victim", "keep\n");
    fs::create_symlink(dir / "victim", dir / "shared" / "planted.csv");
    fs::create_symlink(dir / "victim", dir / "shared" / "mine.csv");
    const bool root = ::geteuid() == 0;
    fs::create_directory(dir / "fifodir");
    ASSERT_EQ(::mkfifo((dir / "fifodir" / "datapackage.json").c_str(), 0600), 0);
    fs::create_directory(dir / "elsewhere");
    fs::create_directory_symlink(dir / "elsewhere", dir / "shared" / "snaps");
    writeFile(dir / "shared" / "datapackage.json", "{\"resources\": []}");
    if (root) {
        ASSERT_EQ(::lchown((dir / "shared" / "planted.csv").c_str(), 65534, 65534), 0);
        ASSERT_EQ(::lchown((dir / "shared" / "snaps").c_str(), 65534, 65534), 0);
        ASSERT_EQ(::lchown((dir / "shared" / "datapackage.json").c_str(), 65534, 65534), 0);
    }

    const std::vector<std::string> small = {"--width", "4", "--height", "4", "--steps", "2", "--seed", "1"};
    auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> arguments = small;
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return arguments;
    };
    auto sweepWith = [&](std::vector<std::string> extra) {
        std::vector<std::string> arguments = with(extra);
        arguments.insert(arguments.begin(), "sweep");
        return arguments;
    };
    std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {with({"--pattern", "/dev/zero", "--counts", "c.csv"}), "is a device"},
        {with({"--pattern", "fifo", "--counts", "c.csv"}), "is a FIFO"},
        {with({"--counts", "fifo"}), "is a FIFO that nobody reads"},
        {with({"--pattern", "escape.csv", "--counts", "c.csv"}), "'\\x1b]0;title\\x07' is not a cell code"},
        // A FIFO in place of the descriptor is refused, not waited on.
        {with({"--counts", "fifodir/c.csv"}), "datapackage.json' is not a regular file"},
        // Names the tool keeps for itself.
        {with({"--counts", "datapackage.json"}), "is the name of the folder's descriptor"},
        {sweepWith({"--summary", "x.plan", "--counts", "x"}), "is the record tidmar-batch keeps beside --counts"},
        {sweepWith({"--summary", "s.csv", "--counts", "s.csv.plan"}), "keeps beside --summary 's.csv'"},
        {with({"--counts", ".c.csv.AAAAAAAAAAAA.tmp"}), "a name tidmar-batch gives its own temporaries"},
        // A part whose record has no header.
        {{"merge", "p.csv", "--summary", "o.csv"}, "the record of 'p.csv' names no header"},
    };
    writeFile(dir / "p.csv.plan", "tidmar-batch sweep record 1\nruns: 1\n");
    writeFile(dir / "p.csv", "x\n");
    if (root) {
        refused.push_back({with({"--counts", "shared/planted.csv"}), "symbolic link owned by another user"});
        refused.push_back({with({"--snapshots", "shared/snaps"}), "symbolic link owned by another user"});
        refused.push_back({with({"--counts", "shared/c.csv"}), "belongs to another user (uid 65534)"});
    }
    for (const auto& [arguments, message] : refused) {
        const Outcome outcome = run(arguments);
        EXPECT_EQ(outcome.status, 2) << message;
        EXPECT_NE(outcome.err.find(message), std::string::npos) << outcome.err;
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
        EXPECT_EQ(outcome.err.find('\x1b'), std::string::npos);
    }
    EXPECT_EQ(file("victim"), "keep\n");
    EXPECT_FALSE(fs::exists(dir / "c.csv"));
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
    EXPECT_EQ(filesInDir(), (std::vector<std::string>{"elsewhere", "escape.csv", "fifo", "fifodir", "p.csv",
                                                      "p.csv.plan", "shared", "victim"}));

    // The user's own link is followed into the file it names.
    ASSERT_EQ(run(with({"--counts", "shared/mine.csv"})).status, 0);
    EXPECT_TRUE(fs::is_symlink(dir / "shared" / "mine.csv"));
    EXPECT_EQ(lines(file("victim")).size(), 4u);
    if (!root)
        GTEST_SKIP() << "a link of another user needs root to make";
}

// A job given one CPU runs one job by default, whatever the machine has.
TEST_F(BatchTool, DefaultJobsAreTheCpusGiven)
{
    const Outcome pinned = finish(start({"sweep", "--help"}, {}, {"taskset", "-c", "0"}));
    ASSERT_EQ(pinned.status, 0) << pinned.err;
    EXPECT_NE(pinned.out.find("(here: 1)"), std::string::npos);
    const Outcome slurm = run({"sweep", "--help"}, {"SLURM_CPUS_PER_TASK=1"});
    EXPECT_NE(slurm.out.find("(here: 1)"), std::string::npos);
}

TEST_F(BatchTool, SweepTimeSeriesIsEachRunsCountsAndTheDescriptorHashesEveryFile)
{
    const std::vector<std::string> sweep = {"sweep", "--width", "30", "--height", "20",
                                            "--pattern", "line", "--seed", "300", "--a2", "0.6", "--a0", "0.5",
                                            "--d0", "0.02", "--vary", "a4=0.7,0.9", "--vary", "steps=25,7",
                                            "--replicates", "2", "--counts-every", "5", "--burn-in", "4",
                                            "--quiet"};
    auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> arguments = sweep;
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return arguments;
    };
    const Outcome whole = run(with({"--jobs", "2", "--summary", "s.csv", "--counts", "t.csv", "--plot", "p.png"}));
    ASSERT_EQ(whole.status, 0) << whole.err;
    // A split part holds its runs' rows, the same bytes.
    ASSERT_EQ(run(with({"--jobs", "1", "--task", "1/2", "--summary", "-", "--counts", "t1.csv"})).status, 0);

    const std::vector<std::string> series = lines(file("t.csv"));
    EXPECT_EQ(series[0], "run,step,predator_on_adults,predator_on_young,empty,young,adult");
    std::string part;
    for (const std::string& row : series)
        if (row[0] == '1' || row[0] == '3' || row[0] == '5' || row[0] == '7')
            part += row + "\n";
    EXPECT_EQ(file("t1.csv"), series[0] + "\n" + part);

    // Each run alone, from its summary row, counts the same at steps 0, 5, ... and its last.
    const std::vector<std::string> summary = lines(file("s.csv"));
    ASSERT_EQ(summary.size(), 9u);
    std::size_t at = 1;
    for (int k = 0; k < 8; ++k) {
        std::vector<std::string> values;
        std::istringstream stream(summary[static_cast<std::size_t>(k) + 1]);
        for (std::string cell; std::getline(stream, cell, ',');)
            values.push_back(cell);
        EXPECT_EQ(values[31], "4");  // burn_in
        const Outcome alone = run({"--seed", values[1], "--width", "30", "--height", "20", "--pattern", "line",
                                   "--a2", "0.6", "--a0", "0.5", "--d0", "0.02", "--a4", values[9], "--steps",
                                   values[13], "--counts", "-", "--counts-every", "5"});
        ASSERT_EQ(alone.status, 0) << alone.err;
        const std::vector<std::string> rows = lines(alone.out);
        const std::size_t expected = values[13] == "25" ? 6 : 3;  // 0..25 by 5; 0, 5, 7
        ASSERT_EQ(rows.size(), expected + 1) << alone.out;
        for (std::size_t i = 1; i < rows.size(); ++i, ++at)
            EXPECT_EQ(series[at], std::to_string(k) + "," + rows[i]);
    }
    EXPECT_EQ(at, series.size());

    // The descriptor lists the three files with their hashes and the command.
    QFile descriptorFile(QString::fromStdString((dir / "datapackage.json").string()));
    ASSERT_TRUE(descriptorFile.open(QIODevice::ReadOnly));
    const QJsonObject package = QJsonDocument::fromJson(descriptorFile.readAll()).object();
    std::map<std::string, std::string> hashes;
    for (const QJsonValue resource : package["resources"].toArray())
        hashes[resource["path"].toString().toStdString()] = resource["hash"].toString().toStdString();
    EXPECT_EQ(hashes.size(), 7u);  // with t1.csv from the split part, and the three records
    EXPECT_EQ(hashes.count("t1.csv.plan"), 1u);
    for (const char* name : {"s.csv", "t.csv", "p.png", "t1.csv"}) {
        const std::string bytes = file(name);
        const QByteArray digest = QCryptographicHash::hash(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                                           QCryptographicHash::Sha256).toHex();
        EXPECT_EQ(hashes[name], "sha256:" + digest.toStdString()) << name;
    }
    const QJsonObject provenance = package["provenance"].toObject();
    EXPECT_EQ(provenance["tool"].toString(), "tidmar-batch");
    EXPECT_EQ(provenance["command_line"].toArray().last().toString(), "t1.csv");
    EXPECT_EQ(provenance["seed"].toInt(), 300);
}

TEST_F(BatchTool, PlotsAreImagesOfTheirSizeInTheFieldColours)
{
    const Outcome single = run({"--seed", "8", "--width", "40", "--height", "40", "--pattern", "line", "--a2",
                                "0.6", "--a0", "0.5", "--d0", "0.02", "--a4", "0.8", "--steps", "60", "--plot",
                                "run.png", "--quiet"});
    ASSERT_EQ(single.status, 0) << single.err;
    EXPECT_EQ(single.err, "");
    const QImage plot((dir / "run.png").string().c_str());
    ASSERT_EQ(plot.size(), QSize(960, 600));
    std::set<QRgb> colours;
    for (int y = 0; y < plot.height(); ++y)
        for (int x = 0; x < plot.width(); ++x)
            colours.insert(plot.pixel(x, y) | 0xff000000u);
    for (std::uint32_t colour : stateColours)
        EXPECT_TRUE(colours.count(colour)) << std::hex << colour;
    EXPECT_TRUE(colours.count(qRgb(0, 0, 0))) << "no text or axes";

    const Outcome sweep = run({"sweep", "--seed", "8", "--width", "20", "--height", "20", "--steps", "20",
                               "--vary", "d0=0,0.05", "--vary", "scheme=sync,async-uc", "--replicates", "2",
                               "--summary", "s.csv", "--plot", "s.svg", "--quiet"});
    ASSERT_EQ(sweep.status, 0) << sweep.err;
    const std::string svg = file("s.svg");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("#005a00"), std::string::npos) << "the adults' colour";
    // A panel for each scheme, each with a mean point per D0 and state and a
    // faint point per replicate beside it: 2 x 2 x 5 means, 8 runs x 5 points.
    EXPECT_NE(svg.find(">scheme sync<"), std::string::npos);
    EXPECT_NE(svg.find(">scheme async-uc<"), std::string::npos);
    std::size_t points = 0;
    for (std::size_t at = svg.find("<circle"); at != std::string::npos; at = svg.find("<circle", at + 1))
        ++points;
    EXPECT_EQ(points, 20u + 40u);
}

// --palette colourblind colours pictures and plots, --legend adds the key
// beside the field, and --plot-states draws only the lines named.
TEST_F(BatchTool, PaletteLegendAndPlotStatesChooseWhatIsDrawn)
{
    writeFile(dir / "all.csv", "-1,0,1\r\n2,3,2\r\n");
    const Outcome picture = run({"--pattern", "all.csv", "--steps", "0", "--picture", "p.png", "--cell-size", "4",
                                 "--seed", "1", "--legend", "--palette", "colourblind"});
    ASSERT_EQ(picture.status, 0) << picture.err;
    const QImage png((dir / "p.png").string().c_str());
    ASSERT_GT(png.width(), 12 + 100) << "the legend beside the field";
    std::map<QRgb, int> legend;
    for (int y = 0; y < png.height(); ++y)
        for (int x = 12; x < png.width(); ++x)
            ++legend[png.pixel(x, y) | 0xff000000u];
    for (int state = 0; state < StateCount; ++state) {
        EXPECT_EQ(png.pixel(4 * (state % 3), 4 * (state / 3)), colourBlindColours[static_cast<std::size_t>(state)]);
        EXPECT_GE(legend[colourBlindColours[static_cast<std::size_t>(state)]], 100) << "a swatch of " << state;
    }
    EXPECT_EQ(legend.count(stateColours[stateIndex(AdultMussel)]), 0u);

    const Outcome sweep = run({"sweep", "--seed", "8", "--width", "20", "--height", "20", "--steps", "20",
                               "--vary", "d0=0,0.05", "--vary", "scheme=sync,async-uc", "--replicates", "2",
                               "--summary", "s.csv", "--plot", "s.svg", "--plot-states", "mussels,predators",
                               "--palette", "colourblind", "--quiet"});
    ASSERT_EQ(sweep.status, 0) << sweep.err;
    const std::string svg = file("s.svg");
    EXPECT_NE(svg.find("#cc79a7"), std::string::npos) << "the predators' colour";
    EXPECT_NE(svg.find(">mussels (2, 3)<"), std::string::npos);
    for (const char* state : {"#0072b2", "#d55e00", "#999999", "#e69f00", "#009e73", "#005a00"})
        EXPECT_EQ(svg.find(state), std::string::npos) << state;
    // Two lines: 2 panels x 2 D0 x 2 means and 8 runs x 2 replicate points.
    std::size_t points = 0;
    for (std::size_t at = svg.find("<circle"); at != std::string::npos; at = svg.find("<circle", at + 1))
        ++points;
    EXPECT_EQ(points, 8u + 16u);
}

// A run saved after 100 steps and continued for 100 more is the run of 200
// steps, on both engines in every scheme: the same field and, from step 100
// on, the same counts. Files that are no state of this version are refused.
TEST_F(BatchTool, ContinuingFromASavedStateIsTheRunThatNeverStopped)
{
    for (const char* mode : {"exact", "fast"})
        for (const char* scheme : {"sync", "async-uc", "async-nrs"}) {
            const std::string name = std::string(mode) + "-" + scheme;
            std::vector<std::string> settings = {"--mode", mode, "--scheme", scheme, "--seed", "44", "--width", "48",
                                                 "--height", "36", "--a2", "0.6", "--a0", "0.5", "--d0", "0.02",
                                                 "--pattern", "line", "--quiet"};
            auto with = [&](std::vector<std::string> more) {
                more.insert(more.begin(), settings.begin(), settings.end());
                return more;
            };
            ASSERT_EQ(run(with({"--steps", "200", "--counts", "whole.csv", "--field", "whole-field.csv"})).status, 0);
            ASSERT_EQ(run(with({"--steps", "100", "--save-state", name + ".state"})).status, 0);
            const Outcome continued = run({"--from-state", name + ".state", "--steps", "100", "--counts", "rest.csv",
                                           "--field", "rest-field.csv", "--quiet"});
            ASSERT_EQ(continued.status, 0) << continued.err;
            EXPECT_EQ(file("rest-field.csv"), file("whole-field.csv")) << name;
            const std::vector<std::string> whole = lines(file("whole.csv"));
            const std::vector<std::string> rest = lines(file("rest.csv"));
            ASSERT_EQ(rest.size(), 102u);
            EXPECT_EQ(rest[0], whole[0]);
            EXPECT_TRUE(std::equal(rest.begin() + 1, rest.end(), whole.begin() + 101)) << name;
            EXPECT_NE(whole[101], whole[201]) << name << ": the field should have changed";
        }

    std::string damaged = file("exact-sync.state");
    damaged[damaged.size() / 2] ^= 1;
    writeFile(dir / "damaged.state", damaged);
    std::string version = file("exact-sync.state");
    version[8] = 9;
    writeFile(dir / "version.state", version);
    for (const std::vector<std::string>& refused :
         {std::vector<std::string>{"--from-state", "whole.csv"}, {"--from-state", "damaged.state"},
          {"--from-state", "version.state"}, {"--from-state", "fast-sync.state", "--width", "9"}}) {
        const Outcome outcome = run(refused);
        EXPECT_EQ(outcome.status, 2) << refused[1];
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    }
}

// Predators on a bed without ocean forcing die out: --stop-when ends the run
// at the first step whose counts show none, and the sweep's summary gives that
// step as the predators' extinction and the run's end.
TEST_F(BatchTool, StopConditionEndsTheRunAtTheExtinctionTheCountsShow)
{
    const std::vector<std::string> settings = {"--seed", "5", "--width", "30", "--height", "30", "--a2", "0.6",
                                               "--a0", "0.5", "--pattern", "line", "--steps", "300", "--quiet"};
    auto with = [&](std::vector<std::string> more, bool sweep = false) {
        more.insert(more.begin(), settings.begin(), settings.end());
        if (sweep)
            more.insert(more.begin(), "sweep");
        return more;
    };
    ASSERT_EQ(run(with({"--counts", "all.csv"})).status, 0);
    std::string extinct;
    for (const std::string& row : lines(file("all.csv")))
        if (row.find(",0,0,") == row.find(',')) {
            extinct = row.substr(0, row.find(','));
            break;
        }
    ASSERT_FALSE(extinct.empty()) << "the predators should die out within the run";

    ASSERT_EQ(run(with({"--counts", "stopped.csv", "--stop-when", "predators-extinct"})).status, 0);
    const std::vector<std::string> stopped = lines(file("stopped.csv"));
    EXPECT_EQ(stopped.back().substr(0, stopped.back().find(',')), extinct);
    EXPECT_EQ(stopped.size(), std::stoul(extinct) + 2);

    const Outcome sweep = run(with({"--stop-when", "predators-extinct", "--summary", "-"}, true));
    ASSERT_EQ(sweep.status, 0) << sweep.err;
    const std::vector<std::string> summary = lines(sweep.out);
    ASSERT_EQ(summary.size(), 2u);
    EXPECT_EQ(summary[0].substr(summary[0].find("generator_period_passed")),
              "generator_period_passed,extinct_predator_on_adults,extinct_predator_on_young,extinct_empty,"
              "extinct_young,extinct_adult,extinct_mussels,extinct_predators,ended_step");
    EXPECT_EQ(summary[1].substr(summary[1].size() - 2 * extinct.size() - 2), "," + extinct + "," + extinct);
    const Outcome refused = run(with({"--stop-when", "predators-gone"}));
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("predators-extinct"), std::string::npos) << refused.err;
}

// A random start holds about the fractions asked for, and is drawn beside
// the model's generators: the run from it is the run from the same field
// read from a file, with the same seed, on both engines.
TEST_F(BatchTool, RandomStartLeavesTheModelsDrawsAsTheyWere)
{
    for (const char* mode : {"exact", "fast"}) {
        const std::vector<std::string> settings = {"--mode", mode, "--seed", "9", "--width", "200", "--height",
                                                   "100", "--d0", "0.02", "--quiet"};
        auto with = [&](std::vector<std::string> more) {
            more.insert(more.begin(), settings.begin(), settings.end());
            return more;
        };
        const std::string random = "random:adult=0.5,young=0.1,predator_on_young=0.05";
        ASSERT_EQ(run(with({"--pattern", random, "--steps", "0", "--field", "start.csv", "--counts", "c.csv"})).status, 0);
        const FieldData start = readFieldCsv((dir / "start.csv").string());
        const std::array<double, 3> wanted = {0.05, 0.1, 0.5};
        const Cell states[] = {PredatorOnYoung, YoungMussel, AdultMussel};
        for (int i = 0; i < 3; ++i) {
            const auto cells = std::count(start.codes.begin(), start.codes.end(), states[i]);
            EXPECT_NEAR(static_cast<double>(cells) / 20000, wanted[static_cast<std::size_t>(i)], 0.015) << mode;
        }
        ASSERT_EQ(run(with({"--pattern", random, "--steps", "30", "--field", "a.csv"})).status, 0);
        ASSERT_EQ(run(with({"--pattern", "start.csv", "--steps", "30", "--field", "b.csv"})).status, 0);
        EXPECT_EQ(file("a.csv"), file("b.csv")) << mode;
        EXPECT_NE(file("a.csv"), file("start.csv")) << mode;
    }
    const Outcome refused = run({"--pattern", "random:adult=0.8,young=0.3", "--counts", "c2.csv"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("more than 1"), std::string::npos) << refused.err;
}

// A design that lists the combinations of a --vary grid in its order gives
// the grid's summary byte for byte, whole and as merged parts; a column that
// names no setting is refused.
TEST_F(BatchTool, DesignRowsAreTheRunsOfTheEquivalentGrid)
{
    writeFile(dir / "design.csv", "d0,scheme\r\n0.01,sync\r\n0.01,async-nrs\r\n0.02,sync\r\n0.02,async-nrs\r\n");
    const std::vector<std::string> common = {"sweep", "--replicates", "2", "--seed", "100", "--width", "20",
                                             "--height", "16", "--steps", "12", "--quiet"};
    auto with = [&](std::vector<std::string> more) {
        more.insert(more.begin(), common.begin(), common.end());
        return more;
    };
    ASSERT_EQ(run(with({"--vary", "d0=0.01,0.02", "--vary", "scheme=sync,async-nrs", "--summary", "grid.csv"})).status,
              0);
    ASSERT_EQ(run(with({"--design", "design.csv", "--summary", "design-all.csv"})).status, 0);
    EXPECT_EQ(file("design-all.csv"), file("grid.csv"));
    EXPECT_EQ(lines(file("grid.csv")).size(), 9u);
    for (const char* task : {"0/3", "1/3", "2/3"})
        ASSERT_EQ(run(with({"--design", "design.csv", "--task", task, "--summary",
                            std::string("part") + task[0] + ".csv"})).status, 0);
    const Outcome merged = run({"merge", "part0.csv", "part1.csv", "part2.csv", "--summary", "merged.csv"});
    ASSERT_EQ(merged.status, 0) << merged.err;
    EXPECT_EQ(file("merged.csv"), file("grid.csv"));
    // The design is in the record by hash: a changed one is another sweep.
    writeFile(dir / "design.csv", "d0,scheme\n0.01,sync\n0.01,async-nrs\n0.03,sync\n0.02,async-nrs\n");
    ASSERT_EQ(run(with({"--design", "design.csv", "--task", "2/3", "--summary", "changed2.csv"})).status, 0);
    const Outcome mixed = run({"merge", "part0.csv", "part1.csv", "changed2.csv", "--summary", "mixed.csv"});
    EXPECT_EQ(mixed.status, 2);
    EXPECT_NE(mixed.err.find("(the input of their records differ)"), std::string::npos) << mixed.err;
    const Outcome resumed = run(with({"--design", "design.csv", "--task", "0/3", "--summary", "part0.csv", "--resume"}));
    EXPECT_EQ(resumed.status, 2);
    EXPECT_EQ(lines(resumed.err).size(), 1u) << resumed.err;

    writeFile(dir / "unknown.csv", "d0,speed\n0.01,3\n");
    const Outcome refused = run(with({"--design", "unknown.csv", "--summary", "u.csv"}));
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("'speed' is not a --vary name"), std::string::npos) << refused.err;
    EXPECT_FALSE(fs::exists(dir / "u.csv"));
}
