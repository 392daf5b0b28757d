#!/usr/bin/env Rscript
# SPDX-License-Identifier: GPL-3.0-or-later
# Prints what the R package costs over the command line, measured side by
# side in one run:
# - stepping: 1000 steps of a 256 x 256 field from R (making the bed
#   included) against tidmar-batch doing the same (its start included), in
#   each mode, the two alternating;
# - reading: bed$field of a 1000 x 1000 field against a copy of an integer
#   matrix of that size in R, alternating.
#
#   Rscript bench/r_bench.R [path/to/tidmar-batch] [rounds]
# with the package installed (scripts/build-r-package.sh, R CMD INSTALL).
library(tidmar)

args <- commandArgs(trailingOnly = TRUE)
tool <- if (length(args) >= 1) args[1] else "build/cli/tidmar-batch"
rounds <- if (length(args) >= 2) as.integer(args[2]) else 5

seconds <- function(action) {
  start <- proc.time()[["elapsed"]]
  action()
  proc.time()[["elapsed"]] - start
}

report <- function(label, ratios) {
  cat(sprintf("%s: ratio %.3f (range %.3f .. %.3f, %d pairs)\n", label, stats::median(ratios),
              min(ratios), max(ratios), length(ratios)))
}

for (run in list(c("exact", "async-uc"), c("exact", "sync"), c("fast", "async-uc"), c("fast", "sync"))) {
  mode <- run[1]
  scheme <- run[2]
  ratios <- replicate(rounds, {
    batch <- seconds(function() {
      status <- system2(tool, c("--width", "256", "--height", "256", "--seed", "11", "--mode", mode,
                                "--scheme", scheme, "--steps", "1000", "--quiet", "--a2", "0.6",
                                "--a0", "0.5", "--d0", "0.02"))
      stopifnot(status == 0)
    })
    from_r <- seconds(function() {
      step(tidmar_bed(256, 256, seed = 11, mode = mode, scheme = scheme, a2 = 0.6, a0 = 0.5, d0 = 0.02),
           1000)
    })
    from_r / batch
  })
  report(sprintf("1000 steps of 256 x 256, %s %s, R / tidmar-batch", mode, scheme), ratios)
}

bed <- tidmar_bed(1000, 1000, seed = 11, mode = "fast", a2 = 0.6, a0 = 0.5, d0 = 0.02)
step(bed, 5)
plain <- bed$field
copy_matrix <- function() {
  copy <- plain
  copy[1L] <- 0L  # R copies on the first change
  invisible(copy)
}
best <- function(action) min(replicate(20, seconds(action)))
# proc.time counts in milliseconds: each timing takes 20 reads or copies.
ratios <- replicate(4 * rounds, {
  copy <- best(function() for (k in 1:20) copy_matrix())
  field <- best(function() for (k in 1:20) bed$field)
  field / copy
})
report("bed$field of 1000 x 1000 / a copy of an integer matrix of that size", ratios)
