// SPDX-License-Identifier: GPL-3.0-or-later
#include "usage.h"

#include "version.h"

namespace {

const char* const ModelOptionsText = R"(Model (defaults are the desktop program's start-up values):
  --width W              cells across, 1 to 2048, to 16384 with --mode fast
                         (default 256)
  --height H             cells down, 1 to 2048, to 16384 with --mode fast
                         (default 256); a field larger than the memory the
                         machine offers is refused before the run starts
  --scheme NAME          update scheme: sync, async-uc or async-nrs (default async-uc)
  --pattern young|line|random:STATE=F,...|PATH.csv
                         start field: all young mussels, a predator line down
                         the middle column, a random field (e.g.
                         random:adult=0.5,young=0.1: each cell in a state with
                         its fraction, the rest empty or rest=STATE; states as
                         the counts CSV names them; drawn from the seed beside
                         the model's generators, which draw as after any other
                         start; in --vary pattern separate with ;), or a field
                         file as --field writes it; a file sets the size, and
                         --width/--height given with it must match the file
                         (default young)
  --a2 P                 recolonisation probability (default 0.3)
  --a0 P                 neighbour coupling, distribution probability (default 0.75)
  --d0 P                 ocean forcing (default 0)
  --a3 P                 maturing probability (default 0.1)
  --a4 P                 predation probability (default 0.75)
                         P: a decimal from 0 to 1 with at most six decimals
                         (0.3, .75, 1, 0.0005); whole thousandths give the
                         desktop program's runs exactly
  --jump N               jumping range of predators in cells, 0 to 100, as the
                         desktop control allows (default 10)
  --long-range on|off    predators jump (default on)
  --boundary periodic|closed
                         boundary conditions (default periodic)
  --seed S               seed, 1 to 2147483646 (default: drawn from the
                         system's entropy, printed as "seed: S" on standard
                         error)
  --steps N              steps to run, 0 to 2147483647 (default 100)
  --stop-when NAME       end a run at the first step at which a group of states
                         has no cell: predators-extinct, mussels-extinct,
                         young-extinct, adults-extinct, predator-on-adults-,
                         predator-on-young- or empty-extinct (never: run on);
                         a sweep's summary then gains the first step at which
                         each state, mussels and predators had no cell
                         (extinct_*, empty if never) and ended_step, and its
                         means cover the window's steps that were run

Cell codes in field files: -1 predator on adult mussels, 0 predator on young
mussels, 1 empty rock, 2 young mussel, 3 adult mussel. A field CSV has no
header: read it with header=None (pandas) or header=FALSE (R).

Engine:
  --mode exact|fast      exact (the default) computes exactly what the desktop
                         program computes from the same settings and seed.
                         fast runs the same model, with the same transition
                         probabilities for every state and neighbourhood, on a
                         throughput engine for large sweeps: it draws one random
                         number per cell visit from other generators where the
                         exact engine draws four or five from one, so its runs
                         differ cell by cell from exact runs but agree with
                         them in distribution; they repeat exactly from the seed.
                         The exact generator (ran1) has a period of 2^31 - 2
                         draws and takes 4 to 5 a cell visit (6 in async-uc), so
                         a run of 1000 x 1000 cells passes it after about 450
                         steps; such a run prints a warning, and fast mode has
                         no such limit
  --threads T            fast mode only: threads that share each step of the
                         sync scheme, 1 to 64 (default 1); the results are the
                         same for every T; the asynchronous schemes step on
                         one thread
)";

const char* const RecordOptionsText = R"(  --counts-every N       keep the counts after steps 0, N, 2N, ... and the last
                         step (default 1: every step)
  --snapshots DIR        write the field as CSV at steps 0, M, 2M, ... and the
                         last step into DIR (made when missing)
  --snapshot-every M     (default: the start and the last field only)
  --snapshot-pictures    a PNG picture beside each snapshot, --cell-size pixels
                         per cell
  --plot PATH            a plot in the program's colours, PNG or SVG by the
                         name's ending (.png, .svg)
  --plot-states S,...    the plot's lines: any of predator_on_adults,
                         predator_on_young, empty, young, adult and the groups
                         mussels and predators (default: the five states)
  --palette desktop|colourblind
                         colours of plots and pictures: the desktop program's
                         (default) or Okabe and Ito's, told apart with any
                         colour vision
  --patch-class C,...    patches of these classes (gap, empty, mussel, young,
                         adult, predator; default gap,mussel) in the fields
                         after steps 0, P, 2P, ... and the last; a sweep's
                         summary gains per class (gap_cover, ...) the means
                         over those fields in the window and the fits of
                         their sizes pooled (see patterns --help)
  --patterns-every P     (default: the counts' interval)
  --patterns PATH|-      the patch size counts of those fields: [run,]step,
                         class,size,count
  --plot-patches PATH    the share of patches of size >= s against s, log-log,
                         for the window's sizes pooled, with the fits (a
                         sweep: the first class, a curve per value of the
                         first varied parameter)
  --neighbourhood N, --coarse-grain S, --xmin estimate|N, --min-tail N
                         the analysis of the patches, as for patterns
)";

const char* const CommonOptionsText = R"(  --quiet                no progress and no seed line on standard error
  --progress always|never|auto
                         auto (the default): a bar on a terminal; elsewhere
                         (a cluster job's log) a line at most once a minute
                         with the runs or steps done, elapsed and remaining
                         time; none with --quiet. always: even with --quiet
  --help, -h             this text
  --version              the name, the version and the commit it was built from
)";

const char* const NotesText = R"(
Options take their value as "--name value" or "--name=value", each once.
Bad arguments, input files or outputs end the program with one line on
standard error and exit status 2; an output is written under a temporary
name next to it and renamed into place only when complete. Every folder that
receives an output file also receives datapackage.json, a Frictionless Data
descriptor of the files (columns, types, SHA-256 hashes) with the version,
commit, command line, start time, seed and the SHA-256 of every field file
read; it replaces the descriptions of the files written now and keeps those
of other files still in the folder. A symbolic link as output is followed,
except one of another user in a directory that is sticky and writable by all
(such as /tmp), which is refused. A command's outputs and their descriptions
are put in place together, after all are written. On SIGINT, SIGTERM or SIGHUP
a sweep starts no more runs, keeps the finished ones and names the command
that resumes it; a single run stops between two steps and puts nothing in
place.
)";

} // namespace

std::string runUsage()
{
    return std::string(R"(Usage: tidmar-batch [options]
       tidmar-batch sweep [options] --vary NAME=LIST ... --summary PATH|-   (see sweep --help)
       tidmar-batch patterns FILE... [options]   (patches of field files; see patterns --help)

Runs the Tidmar III mussel-bed automaton without a display.

)") + ModelOptionsText + R"(
Output (each written only when asked for):
  --counts PATH|-        CSV of the cells in each state: the header
                         step,predator_on_adults,predator_on_young,empty,young,adult
                         then a row for step 0 (the start field) and one after
                         every step; - is standard output
  --field PATH           the final field as CSV: one line per y = 0 .. H-1 with
                         the codes (-1..3) for x = 0 .. W-1, comma-separated, no
                         header; --pattern reads it back
  --picture PATH         the final field as a picture, PNG or JPEG by the name's
                         ending (.png, .jpg, .jpeg), in the program's colours; at
                         most 16384 pixels a side
  --cell-size Z          picture pixels per cell edge, 1 to 50 (default 1)
  --legend               a key of the codes, colours and states beside the
                         field in --picture and snapshot pictures
  --save-state PATH      the run's whole state at its end (field, parameters,
                         generators, step), for --from-state
  --from-state PATH      continue the run saved there, exactly as if it had
                         never stopped, for --steps more steps (numbered on
                         from the saved step); size, mode and seed come from
                         the file, and any of --scheme --a2 --a0 --d0 --a3
                         --a4 --jump --long-range --boundary given replaces the
                         saved value (a ramp of D0 up and back, a branch)
)" + RecordOptionsText + R"(                         (here: the five fractions over the steps)
  Snapshots are named step<S>.csv (and .png).
)" + CommonOptionsText + NotesText;
}

std::string sweepUsage(int cpus)
{
    return std::string(R"(Usage: tidmar-batch sweep [model options] --vary NAME=LIST ... [--replicates R]
                          [--jobs J] [--task I/K] --summary PATH|-

Runs the model once for every combination of the varied values, R times each,
and writes one summary row per run.

)") + ModelOptionsText + R"(
Sweep:
  --vary NAME=LIST       NAME is a2, a0, d0, a3, a4, jump, scheme, width, height,
                         boundary, long-range, pattern or steps; LIST is
                         comma-separated values or, for numbers, ranges
                         FROM:TO:STEP (TO is included when reached;
                         probabilities step exactly in millionths), e.g.
                         a2=0.1:0.5:0.1, scheme=sync,async-nrs, width=64:512:64
                         or pattern=line,a.csv,b.csv (a file sets its runs' size).
                         May be given for several names, each once, and not
                         together with the same parameter's own option
  --design FILE.csv      the combinations as rows instead of --vary: a header
                         of --vary names (long_range too), then one value per
                         field, e.g. from a Latin hypercube; each row runs R
                         times in file order (no --plot; the record hashes the
                         file, so --resume and merge see a changed design)
  --replicates R         runs per combination, 1 or more (default 1)
  --jobs J               runs side by side in threads, 1 to 256. The default
                         is the number of CPUs this process may use: those it
                         may run on (its affinity, as taskset sets it), lowered
                         to its cgroup's CPU quota and to SLURM_CPUS_PER_TASK
                         when set (here: )" + std::to_string(cpus) + R"(), divided by T with --threads T,
                         at least 1, so that J * T threads never exceed them.
                         In fast mode every run brings its --threads T, so
                         J * T threads run at once
  --task I/K             do only the runs k with k mod K = I (0 <= I < K), to
                         split one sweep over K processes; without it a job
                         array's SLURM_ARRAY_TASK_ID and SLURM_ARRAY_TASK_COUNT
                         are used when set. Splitting needs --seed. The parts'
                         rows together are the rows of the whole sweep:
                         tidmar-batch merge PART... --summary PATH puts them
                         together (see merge --help)
  --resume               continue the sweep that this same command began and
                         that was stopped (by a signal, a kill, a power cut):
                         only the runs missing from what it kept are run,
                         and the result is that of an uninterrupted sweep
                         (with --plot or --snapshots it runs again); a
                         commit cut short is finished
  --summary PATH|-       CSV, one row per run in run order, with the columns
                         run,seed,width,height,scheme,a2,a0,d0,a3,a4,jump,
                         long_range,boundary,steps,pattern,mode, the final
                         counts predator_on_adults,predator_on_young,empty,
                         young,adult and the mean fraction of each state
                         (mean_...) over the fields after steps B+1 .. N (the
                         start field for N = 0), then the standard deviation
                         of each fraction over them (sd_..., population form),
                         burn_in (B), pattern_sha256 (of a file pattern) and
                         generator_period_passed (true when an exact run drew
                         more than ran1's period; see --mode)
  --burn-in B            the window starts after step B, 0 <= B < N (default
                         floor(N/2) of each run's N steps)
  --counts PATH|-        the time series of every run in one CSV: run,step,
                         then the five counts, in run and step order (the same
                         whatever --jobs; a --task part holds its runs' rows)
)" + RecordOptionsText + R"(                         (here: the window mean of each state against the
                         first varied number, error bars of one standard
                         deviation over the replicates, each replicate a faint
                         point beside its mean, predators x10; a panel per
                         value of the second varied parameter, a line per
                         value of any further one)
  --cell-size Z          pixels per cell edge of snapshot pictures (default 1)
  Snapshots are named run<K>-step<S>.csv (and .png).
)" + CommonOptionsText + R"(
Run order: run k (from 0) goes through the combinations with the first --vary
varying slowest and the replicates fastest, and uses the seed S + k, where S is
--seed or the seed drawn for the sweep. Any run can be repeated alone with
the values of its summary row, each column from seed to mode being the option
of that name (long_range is --long-range):
  tidmar-batch --seed SEED --width W --height H --scheme SCHEME --a2 A2 ...
gives the same final counts, whatever --jobs, --task and --threads.
)" + NotesText;
}

std::string mergeUsage()
{
    return R"(Usage: tidmar-batch merge PART... --summary PATH|- [--allow-missing]

Puts the summaries of the parts of one sweep (--task, a job array, GNU
parallel) together as the summary of the whole sweep: the same bytes as the
sweep run unsplit, rows in run order. The parts' time series (--counts) are
merged the same way, each run's lines kept together. Each part is read with the record that
the sweep keeps beside it (PART.plan); the parts must come from one sweep
(the same options, seed, pattern and columns) and no run may be in two of
them. Missing runs are named and refused.

  --summary PATH|-       the merged summary, with its record beside it
  --allow-missing        write the runs there are, even with some missing
  --help, -h             this text
)";
}

std::string patternsUsage()
{
    return R"(Usage: tidmar-batch patterns FILE... [options]

The patches of field files (this program's field CSV, or any rectangular CSV
of whole-number codes, such as one's own 0/1 data): per file and class its
cover, patches, mean and largest size, whether a patch spans the field, the
variance and skewness of coarse-grained cover, Moran's I, and maximum-
likelihood fits of the patch sizes (power law pl, power law with exponential
cut-off tpl, exponential exp; the best by BIC).

  --class C              the cells forming patches: gap (-1, 0, 1), empty (1),
                         mussel (2, 3), young (2), adult (3), predator (-1, 0)
                         or a comma-separated list of codes (1 for the ones of
                         a 0/1 field); may be repeated; default gap and mussel,
                         for fields of the model's codes only
  --boundary B           periodic (default: patches join across opposite
                         edges) or closed
  --neighbourhood N      4 (default) or 8 nearest neighbours join a patch
  --coarse-grain S       side of the blocks of variance and skewness (default
                         4; 1 for none)
  --xmin estimate|N      smallest size fitted: estimated by the least
                         Kolmogorov-Smirnov distance (default) or N
  --min-tail N           the fewest sizes >= xmin a fit needs (default 10)
  --summary PATH|-       one row per file and class (file,class,width,height,
                         cover,patches,mean_size,max_size,spans,variance,
                         skewness,moran,xmin,n_tail,pl_alpha,pl_loglik,
                         tpl_alpha,tpl_lambda,tpl_loglik,exp_lambda,
                         exp_loglik,best,plrange); standard output when no
                         output is named
  --sizes PATH|-         the patch size counts: file,class,size,count
  --plot PATH.png|.svg   the share of patches of size >= s against s on
                         log-log axes, with the fitted curves, the best marked
  --help, -h             this text
)";
}

std::string versionText()
{
    std::string text = std::string("tidmar-batch ") + tidmarVersion();
    if (*tidmarCommit())
        text += std::string(" (commit ") + tidmarCommit() + ")";
    return text + "\n";
}
