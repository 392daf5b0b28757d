# SPDX-License-Identifier: GPL-3.0-or-later

test_that("patterns and patch sizes are tidmar-batch patterns' of the same field", {
  bed <- tidmar_bed(60, 50, seed = 8, a2 = 0.6, a0 = 0.5, d0 = 0.02)
  step(bed, 60)
  set.seed(3)
  ones <- matrix(rbinom(45 * 70, 1, 0.45), 45, 70)
  fields <- list(list(x = bed, field = bed$field, class = "gap"),
                 list(x = bed, field = bed$field, class = "mussel"),
                 list(x = ones, field = ones, class = 1),
                 list(x = ones == 1, field = ones, class = 1))
  numbers <- setdiff(names(tidmar_patterns(ones, 1)), c("spans", "best"))
  for (f in fields) {
    csv <- tempfile(fileext = ".csv")
    utils::write.table(f$field, csv, sep = ",", row.names = FALSE, col.names = FALSE)
    for (wrap in c(TRUE, FALSE)) for (neighbourhood in c(4, 8)) {
      sizes_csv <- tempfile(fileext = ".csv")
      summary <- batch("patterns", csv, "--class", format(f$class), "--boundary",
                       if (wrap) "periodic" else "closed", "--neighbourhood", neighbourhood,
                       "--coarse-grain", "3", "--min-tail", "5", "--summary", "-", "--sizes", sizes_csv)
      expected <- utils::read.csv(text = summary, na.strings = "",
                                  colClasses = c(file = "character", class = "character",
                                                 spans = "logical", best = "character"))
      call <- list(f$x, wrap = wrap, neighbourhood = neighbourhood)
      if (!is.logical(f$x)) call$class <- f$class
      got <- do.call(tidmar_patterns, c(call, coarse_grain = 3, min_tail = 5))
      sizes <- do.call(tidmar_patch_sizes, call)
      label <- paste(class(f$x)[1], f$class, wrap, neighbourhood)
      expect_identical(names(got), names(expected)[-(1:2)], label = label)
      for (column in numbers)
        expect_identical(as.double(got[[column]]), as.double(expected[[column]]), label = paste(label, column))
      expect_identical(got[c("spans", "best")], expected[c("spans", "best")], label = label)
      expected_sizes <- utils::read.csv(sizes_csv)
      expect_identical(as.integer(names(table(sizes))), expected_sizes$size, label = label)
      expect_identical(as.integer(table(sizes)), expected_sizes$count, label = label)
    }
  }

  # Bad input is refused in the command line's words.
  expect_error(tidmar_patterns(ones, "gaps"), "^class: 'gaps' is not a class: a class is gap, empty")
  expect_error(tidmar_patterns(ones, 1, coarse_grain = 0), "^coarse_grain: '0' is not a whole number of cells")
  expect_error(tidmar_patterns(ones, 1, xmin = 0), "^xmin: '0' is not estimate or")
  expect_error(tidmar_patch_sizes(ones, 1, neighbourhood = 6), "^neighbourhood: '6' is not 4 or 8")
  expect_error(tidmar_patterns(ones, 1, min_tail = 2.5), "^min_tail: '2.5' is not")
  expect_error(tidmar_patterns(ones == 1, "gap"), "own class")
  expect_error(tidmar_patterns(ones, 1, wrap = NA), "^wrap: expected TRUE or FALSE")
  expect_error(tidmar_patterns(ones / 2, 1), "^x: expected whole numbers, not 0.5")
  expect_error(tidmar_patterns(matrix(c(1L, NA), 1), 1), "^x: expected cell codes, not NA")
  expect_error(tidmar_patch_sizes(1:4, 1), "^x: expected a matrix")
})
