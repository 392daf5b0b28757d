// SPDX-License-Identifier: GPL-3.0-or-later
// tidmar-batch: the Tidmar III automaton from the command line.

#include "batcherror.h"
#include "cpus.h"
#include "drawnpictures.h"
#include "merge.h"
#include "options.h"
#include "patternscommand.h"
#include "provenance.h"
#include "singlerun.h"
#include "sweep.h"
#include "usage.h"
#include "version.h"

#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int RefusedExit = 2;

int dispatch(const std::vector<std::string>& arguments, const Invocation& invocation)
{
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    const DrawnPictures pictures;
    if (arguments.size() == 1 && arguments.front() == "--version") {
        std::fputs(versionText().c_str(), stdout);
        return 0;
    }
    if (!arguments.empty() && arguments.front() == "merge")
        return runMergeCommand({arguments.begin() + 1, arguments.end()}, invocation);
    if (!arguments.empty() && arguments.front() == "patterns")
        return runPatternsCommand({arguments.begin() + 1, arguments.end()}, invocation, pictures);
    if (!arguments.empty() && arguments.front() == "sweep") {
        SweepOptions options = parseSweepOptions({arguments.begin() + 1, arguments.end()});
        if (options.help) {
            std::fputs(sweepUsage(availableCpus(processEnvironment)).c_str(), stdout);
            return 0;
        }
        const DrawnPictures styled(options.record.style);
        return runSweepCommand(std::move(options), processEnvironment, terminal, invocation, styled);
    }
    RunOptions options = parseRunOptions(arguments);
    if (options.help) {
        std::fputs(runUsage().c_str(), stdout);
        return 0;
    }
    const DrawnPictures styled(options.record.style);
    return runSingle(std::move(options), terminal, invocation, styled);
}

} // namespace

int main(int argc, char* argv[])
{
    try {
        const int status = dispatch(std::vector<std::string>(argv + 1, argv + argc), invocationNow(argc, argv));
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            std::fputs("tidmar-batch: cannot write standard output\n", stderr);
            return RefusedExit;
        }
        return status;
    } catch (const BatchError& error) {
        std::fprintf(stderr, "tidmar-batch: %s\n", error.what());
        return RefusedExit;
    } catch (const std::bad_alloc&) {
        std::fputs("tidmar-batch: out of memory\n", stderr);
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tidmar-batch: %s\n", error.what());
        return 1;
    }
}
