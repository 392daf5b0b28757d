# SPDX-License-Identifier: GPL-3.0-or-later

test_that("bad input is refused in the command line's words and changes nothing", {
  expect_error(tidmar_bed(a2 = 0.0000005), "^a2: '5e-07' is not")
  expect_error(tidmar_bed(width = 10.5), "width")
  expect_error(tidmar_bed(scheme = "sideways"), "scheme")
  expect_error(tidmar_bed(mode = "exact", threads = 2), "threads")
  expect_error(tidmar_bed(a2 = c(0.1, 0.2)), "a2: expected one value")
  expect_error(tidmar_bed(seed = NA), "seed: expected a value, not NA")

  bed <- tidmar_bed(12, 10, seed = 3)
  step(bed, 4)
  field <- bed$field
  expect_error(bed$a2 <- 2, "a2")
  expect_error(bed$width <- 20, "width")
  expect_error(step(bed, -1), "^n: ")
  expect_error(step(bed, 1.5), "^n: ")
  expect_error(tidmar_run(bed, 10, every = 0), "every")
  expect_error(edit(bed, 13, 1, 2), "\\(13, 1\\) lies outside the 12 x 10 field")
  expect_error(edit(bed, 1, 1, 7), "state: 7 is not a cell state")
  expect_error(reset(bed, "diagonal"), "pattern")
  expect_error(reset(bed, matrix(c(1, 2, 9, 1), 2)), "field")
  expect_error(reset(bed, matrix(0.5, 2, 2)), "pattern: expected whole numbers")
  expect_error(bed$previous, NA)
  expect_error(tidmar_bed(8, 8, mode = "fast")$previous, "fast engine keeps no previous field")
  expect_error(tidmar_sweep(vary = list(a2 = c(0.2, 2)), steps = 2), "a2")
  expect_error(tidmar_sweep(colour = "red"), "no argument colour")
  expect_identical(bed$a2, 0.3)
  expect_identical(bed$step_count, 4)
  expect_identical(bed$field, field)
})

test_that("whole numbers arrive as doubles, edits and resets land where R indexes", {
  bed <- tidmar_bed(6, 4, seed = 2e3)
  expect_identical(bed$seed, 2000L)
  edit(bed, 6, 4, 0)
  expect_identical(bed$field[4, 6], 0L)
  field <- matrix(c(-1L, 0L, 1L, 2L, 3L, 1L), nrow = 2)
  reset(bed, field, seed = 9)
  expect_identical(bed$field, field)
  expect_identical(c(bed$width, bed$height, bed$seed), c(3L, 2L, 9L))
  expect_identical(unname(counts(bed)), c(1L, 1L, 2L, 1L, 1L))
  expect_equal(sum(fractions(bed)), 1)
})

test_that("an interrupt ends the steps between two and leaves the bed usable", {
  bed <- tidmar_bed(16, 16, seed = 4)
  # An elapsed time limit reaches the steps as R's interrupt check does.
  interrupted <- tryCatch({
    setTimeLimit(elapsed = 0.5, transient = TRUE)
    step(bed, 1e9)
    FALSE
  }, interrupt = function(condition) TRUE, finally = setTimeLimit(elapsed = Inf))
  expect_true(interrupted)
  done <- bed$step_count
  expect_gt(done, 0)
  expect_lt(done, 1e9)
  step(bed, 2)
  expect_identical(bed$step_count, done + 2)
  expect_identical(sum(counts(bed)), 256L)
})
