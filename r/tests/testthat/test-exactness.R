# SPDX-License-Identifier: GPL-3.0-or-later
# The package's results are tidmar-batch's, value for value.

settings <- list(
  list(scheme = "async-uc"),
  list(scheme = "sync", boundary = "closed", a2 = 0.6, a0 = 0.5, d0 = 0.02),
  list(scheme = "async-nrs", long_range = FALSE, a4 = 0.4),
  list(scheme = "sync", mode = "fast", threads = 2, a2 = 0.6, a0 = 0.5, d0 = 0.02),
  list(scheme = "async-uc", mode = "fast", jump = 3),
  list(scheme = "async-nrs", mode = "fast", boundary = "closed")
)

test_that("a bed gives the counts and field of tidmar-batch in every scheme and mode", {
  for (s in settings) {
    field_csv <- tempfile(fileext = ".csv")
    counts_csv <- batch("--width", "40", "--height", "30", "--seed", "77", "--steps", "25",
                        "--pattern", "line", "--counts", "-", "--counts-every", "10",
                        "--field", field_csv, "--quiet", batch_options(s))
    bed <- do.call(tidmar_bed, c(list(width = 40, height = 30, seed = 77), s))
    reset(bed, "line")
    label <- paste(unlist(s), collapse = " ")
    expect_identical(tidmar_run(bed, 25, every = 10), utils::read.csv(text = counts_csv), label = label)
    expected <- unname(as.matrix(utils::read.csv(field_csv, header = FALSE)))
    expect_identical(bed$field, expected, label = label)
    expect_identical(counts(bed), unlist(utils::tail(utils::read.csv(text = counts_csv), 1)[-1]))
  }
})

test_that("settings changed between steps act as the same values given at the start", {
  changed <- list(a2 = 0.6, a0 = 0.5, d0 = 0.02, a3 = 0.2, a4 = 0.4, jump = 4, long_range = FALSE,
                  boundary = "closed", scheme = "async-nrs")
  for (mode in c("exact", "fast")) {
    bed <- tidmar_bed(32, 32, seed = 5, mode = mode)
    for (name in names(changed)) {
      bed[[name]] <- changed[[name]]
      expect_equal(bed[[name]], changed[[name]])
    }
    step(bed, 30)
    given <- do.call(tidmar_bed, c(list(32, 32, seed = 5, mode = mode), changed))
    step(given, 30)
    expect_identical(bed$field, given$field)
  }
})

test_that("a sweep gives the summary rows and columns of tidmar-batch", {
  summary <- batch("sweep", "--vary", "a2=0.1,0.6", "--vary", "scheme=sync,async-uc",
                   "--replicates", "2", "--seed", "1000", "--steps", "15", "--width", "24",
                   "--height", "20", "--d0", "0.02", "--burn-in", "4", "--summary", "-", "--quiet")
  table <- tidmar_sweep(vary = list(a2 = c(0.1, 0.6), scheme = c("sync", "async-uc")), replicates = 2,
                        seed = 1000, steps = 15, width = 24, height = 20, d0 = 0.02, burn_in = 4,
                        jobs = 2)
  expect_identical(table, utils::read.csv(text = summary))
  expect_equal(nrow(table), 8)
  expect_identical(tidmar_sweep(vary = list(a2 = "0.1:0.6:0.5", scheme = "sync,async-uc"),
                                replicates = 2, seed = 1000, steps = 15, width = 24, height = 20,
                                d0 = 0.02, burn_in = 4), table)
  # The patches' columns and the extinction columns come after the usual ones.
  summary <- batch("sweep", "--vary", "d0=0.01,0.05", "--replicates", "2", "--seed", "1000", "--steps", "30",
                   "--width", "32", "--height", "24", "--a2", "0.6", "--a0", "0.5", "--patch-class", "gap,mussel",
                   "--patterns-every", "5", "--min-tail", "4", "--stop-when", "predators-extinct",
                   "--summary", "-", "--quiet")
  table <- tidmar_sweep(vary = list(d0 = c(0.01, 0.05)), replicates = 2, seed = 1000, steps = 30, width = 32,
                        height = 24, a2 = 0.6, a0 = 0.5, patch_class = "gap,mussel", patterns_every = 5,
                        min_tail = 4, stop_when = "predators-extinct")
  expect_identical(table, utils::read.csv(text = summary))
  expect_true(all(c("gap_pl_alpha", "mussel_moran") %in% names(table)))
})
