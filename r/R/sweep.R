# SPDX-License-Identifier: GPL-3.0-or-later

#' A parameter sweep
#'
#' Runs a sweep as `tidmar-batch sweep` does and returns its summary: the same
#' runs, seeds, rows and columns. Every combination of the varied values runs
#' `replicates` times, the first name varying slowest; run k (from 0) has the
#' seed `seed + k`, so that any row can be repeated alone with [tidmar_bed()].
#' The runs go on threads, by default as many side by side as `tidmar-batch`
#' runs ([tidmar_default_jobs()]); an interrupt ends every run within a step.
#'
#' The means (`mean_`) and standard deviations (`sd_`) of the fractions cover
#' the measurement window, the fields after steps B+1 to N, where the burn-in
#' B (`burn_in`) is by default half the run.
#'
#' @param vary A named list: for each varied parameter (`a2`, `a0`, `d0`, `a3`,
#'   `a4`, `jump`, `scheme`, `width`, `height`, `boundary`, `long_range`,
#'   `pattern`, `steps`) a vector of values, or the command line's text such
#'   as `"0.1:0.5:0.1"`.
#' @param replicates Runs of each combination.
#' @param seed The seed of run 0; `NULL` takes one from the clock.
#' @param steps Steps of each run.
#' @param jobs Runs side by side; `NULL` as `tidmar-batch` chooses.
#' @param ... The other settings as [tidmar_bed()] takes them, `pattern`
#'   (`"young"`, `"line"` or a field CSV file), `burn_in`, `stop_when`,
#'   `design` (a CSV file of the combinations, instead of `vary`) and the
#'   patches' settings, which add the summary's per-class columns
#'   (`patch_class`, such as `"gap,mussel"`, `patterns_every`,
#'   `neighbourhood`, `coarse_grain`, `xmin`, `min_tail`).
#' @return A data frame with the summary's columns, as [utils::read.csv()]
#'   reads the summary file of `tidmar-batch sweep`.
#' @examples
#' table <- tidmar_sweep(vary = list(a2 = c(0.2, 0.6)), replicates = 2, seed = 1000,
#'                       steps = 40, width = 32, height = 32, a0 = 0.5, d0 = 0.02, jobs = 1)
#' aggregate(cbind(mean_young, mean_adult) ~ a2, data = table, FUN = mean)
#' @export
tidmar_sweep <- function(vary = list(), replicates = 5, seed = 1000, steps = 400, jobs = NULL, ...) {
  fixed <- list(...)
  known <- c(names(formals(tidmar_bed)), "pattern", "burn_in", "stop_when", "design", "patch_class",
             "patterns_every", "neighbourhood", "coarse_grain", "xmin", "min_tail")
  unknown <- setdiff(names(fixed), known)
  if (length(fixed) && (is.null(names(fixed)) || any(names(fixed) == ""))) unknown <- c(unknown, "(unnamed)")
  if (length(unknown)) stop("tidmar_sweep() takes no argument ", unknown[1], call. = FALSE)
  if (!is.list(vary) || (length(vary) && (is.null(names(vary)) || any(names(vary) == ""))))
    stop("vary: expected a named list of values, such as list(a2 = c(0.2, 0.4))", call. = FALSE)
  options <- c(list(replicates = replicates, seed = seed, steps = steps, jobs = jobs), fixed)
  utils::read.csv(text = sweep_rows(options, vary))
}

#' The sweep's default number of jobs
#'
#' As `tidmar-batch` chooses it: the CPUs this process may use (affinity,
#' cgroup quota, `SLURM_CPUS_PER_TASK`), divided by the threads of each run.
#'
#' @param threads Threads of each run.
#' @return A whole number from 1.
#' @examples
#' tidmar_default_jobs()
#' @export
tidmar_default_jobs <- function(threads = 1) default_jobs(threads)
