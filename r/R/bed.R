# SPDX-License-Identifier: GPL-3.0-or-later

#' A mussel bed on either engine
#'
#' Makes a field of `width` x `height` cells, all young mussels, on the
#' engine of the desktop program (`mode = "exact"`: cell for cell what
#' `tidmar-batch` computes from the same settings and seed) or on the
#' throughput engine (`mode = "fast"`: the same model on its own random
#' numbers, its synchronous steps shared by `threads` threads without any
#' change of result). The defaults are the desktop program's start values.
#'
#' Every value is read by `tidmar-batch`'s own readers: probabilities are
#' exact decimals with up to six places (`0.3`, `0.0005`; a double within
#' 1e-9 of a millionth is taken as it), whole numbers may be doubles as long as they are
#' whole. A refused value is an error in the command line's words, naming
#' the argument, and nothing changes.
#'
#' The bed is a reference: `step()`, `reset()`, `edit()` and assignments change
#' it in place. `bed$name` reads `field` (an integer matrix `[y, x]` of cell
#' codes, in the orientation of the field CSV: row 1 is the top line),
#' `previous` (the field before the last step, exact engine only; an edited
#' cell holds -999), `step_count` and every setting below; `a2`, `a0`, `d0`,
#' `a3`, `a4`, `jump`, `long_range`, `boundary` and `scheme` may be assigned
#' between steps, as the desktop controls change them during a run.
#'
#' Cell codes: -1 predator on adult mussels, 0 predator on young mussels,
#' 1 empty rock, 2 young mussel, 3 adult mussel.
#'
#' @param width,height Cells across (x) and down (y), 1 to 2048 (16384 with mode "fast").
#' @param seed The generators' seed, 1 to 2147483646; `NULL` takes one from
#'   the clock (read it back as `bed$seed`).
#' @param scheme `"sync"`, `"async-uc"` or `"async-nrs"`.
#' @param mode `"exact"` or `"fast"`.
#' @param a2,a0,d0,a3,a4 Recolonisation, neighbour coupling, ocean forcing,
#'   maturing and predation, probabilities from 0 to 1 in millionths.
#' @param jump The predators' jumping range, 0 to 100 cells.
#' @param long_range Whether predators on young mussels jump.
#' @param boundary `"periodic"` (the field wraps round) or `"closed"`.
#' @param threads Threads sharing each synchronous step of the fast engine.
#' @return A `tidmar_bed`.
#' @seealso [step()], [tidmar_run()], [reset()], [edit.tidmar_bed()],
#'   [counts()], [plot.tidmar_bed()], [tidmar_sweep()].
#' @examples
#' bed <- tidmar_bed(64, 64, seed = 42, a2 = 0.6, a0 = 0.5, d0 = 0.02)
#' step(bed, 20)
#' bed$a4 <- 0.9          # from the next step on
#' step(bed, 5)
#' fractions(bed)
#' dim(bed$field)         # 64 x 64, [y, x]
#' bed
#' @export
tidmar_bed <- function(width = 256, height = 256, seed = NULL, scheme = "async-uc", mode = "exact",
                       a2 = 0.3, a0 = 0.75, d0 = 0, a3 = 0.1, a4 = 0.75, jump = 10,
                       long_range = TRUE, boundary = "periodic", threads = 1) {
  values <- list(width = width, height = height, seed = seed, scheme = scheme, mode = mode,
                 a2 = a2, a0 = a0, d0 = d0, a3 = a3, a4 = a4, jump = jump,
                 long_range = long_range, boundary = boundary)
  # Threads are the fast engine's; the exact engine refuses any but one given.
  if (!(is.numeric(threads) && length(threads) == 1 && isTRUE(threads == 1))) values$threads <- threads
  structure(bed_new(values), class = "tidmar_bed")
}

# What bed$name reads besides the settings.
bed_readers <- list(
  field = function(bed) bed_field(bed, FALSE),
  previous = function(bed) bed_field(bed, TRUE)
)

#' @rdname tidmar_bed
#' @param x A `tidmar_bed`.
#' @param name The name of a setting, `field`, `previous` or `step_count`.
#' @param value The new value of a changeable setting.
#' @export
`$.tidmar_bed` <- function(x, name) {
  if (!is.null(bed_readers[[name]])) return(bed_readers[[name]](x))
  settings <- bed_settings(x)
  if (!name %in% names(settings)) stop("a tidmar_bed has no ", name, call. = FALSE)
  settings[[name]]
}

#' @rdname tidmar_bed
#' @export
`$<-.tidmar_bed` <- function(x, name, value) {
  bed_set(x, name, value)
  x
}

#' @rdname tidmar_bed
#' @param i As `name`.
#' @export
`[[.tidmar_bed` <- function(x, i) `$.tidmar_bed`(x, i)

#' @rdname tidmar_bed
#' @export
`[[<-.tidmar_bed` <- `$<-.tidmar_bed`

#' @importFrom utils .DollarNames
#' @method .DollarNames tidmar_bed
#' @export
.DollarNames.tidmar_bed <- function(x, pattern = "") {
  grep(pattern, c(names(bed_readers), names(bed_settings(x))), value = TRUE)
}

#' Step a bed
#'
#' Performs `n` steps of the bed's current scheme. The user's interrupt
#' (Esc, Ctrl+C) ends the steps between two of them and leaves the bed usable;
#' `bed$step_count` tells how far it got. For other objects `step()` is
#' [stats::step()].
#'
#' @param object A `tidmar_bed` (or a model, for [stats::step()]).
#' @param n The number of steps, a whole number from 0.
#' @param ... For other methods.
#' @return The bed, invisibly.
#' @examples
#' bed <- tidmar_bed(32, 32, seed = 1)
#' step(bed, 10)
#' bed$step_count
#' @export
step <- function(object, ...) UseMethod("step")

#' @rdname step
#' @export
step.default <- function(object, ...) stats::step(object, ...)

#' @rdname step
#' @export
step.tidmar_bed <- function(object, n = 1, ...) {
  bed_step(object, n)
  invisible(object)
}

#' Lay down a start pattern
#'
#' Lays the bed down afresh and sets its step count to 0: `"young"` (every
#' cell a young mussel), `"line"` (the middle column predators on young
#' mussels, the rest young mussels) or a matrix of cell codes `[y, x]`, which
#' may change the bed's size. The generators go on from where they are, as in
#' the desktop program, unless `seed` restarts them.
#'
#' @param bed A `tidmar_bed`.
#' @param pattern `"young"`, `"line"` or an integer matrix of codes -1 to 3.
#' @param seed `NULL`, or a seed to restart the generators from.
#' @return The bed, invisibly.
#' @examples
#' bed <- tidmar_bed(32, 32, seed = 1)
#' reset(bed, "line")
#' table(bed$field)
#' @export
reset <- function(bed, pattern = "young", seed = NULL) {
  check_bed(bed)
  bed_reset(bed, pattern, seed)
  invisible(bed)
}

#' Edit a cell
#'
#' Sets the cell in column `x` and row `y` (from 1, as in `bed$field[y, x]`)
#' to `state`, as the mouse does in the desktop program; the next step reads
#' it.
#'
#' @param name A `tidmar_bed`.
#' @param x,y The cell's column and row, from 1.
#' @param state A cell code: -1, 0, 1, 2 or 3.
#' @param ... Unused.
#' @return The bed, invisibly.
#' @examples
#' bed <- tidmar_bed(16, 16, seed = 1)
#' edit(bed, 3, 5, 0)
#' bed$field[5, 3]
#' @importFrom utils edit
#' @export
edit.tidmar_bed <- function(name, x, y, state, ...) {
  bed_edit(name, x, y, state)
  invisible(name)
}

#' Counts and fractions of the cell states
#'
#' @param bed A `tidmar_bed`.
#' @return `counts()`: a named integer vector of the cells in each state, in
#'   the order of the codes -1 to 3 (the counts CSV's columns);
#'   `fractions()`: their shares of the field.
#' @examples
#' bed <- tidmar_bed(32, 32, seed = 1)
#' step(bed, 5)
#' counts(bed)
#' fractions(bed)
#' @export
counts <- function(bed) {
  check_bed(bed)
  bed_counts(bed)
}

#' @rdname counts
#' @export
fractions <- function(bed) {
  cells <- counts(bed)
  cells / sum(cells)
}

#' Run a bed and record its counts
#'
#' Performs `steps` steps and returns the counts at the steps 0, `every`,
#' `2 * every`, ... and the last of the run, the start included, as
#' `tidmar-batch --counts-every` records them, with the columns of its counts
#' CSV. An interrupt ends the run between two steps;
#' the bed stays usable and keeps the steps done.
#'
#' @param bed A `tidmar_bed`.
#' @param steps The number of steps.
#' @param every The interval between recorded steps.
#' @return A data frame: `step` (the bed's step count) and the cells in each
#'   state.
#' @examples
#' bed <- tidmar_bed(64, 64, seed = 42, a2 = 0.6, a0 = 0.5, d0 = 0.02)
#' series <- tidmar_run(bed, 50, every = 10)
#' series
#' @export
tidmar_run <- function(bed, steps, every = 1) {
  check_bed(bed)
  table <- bed_run(bed, steps, every)
  names(table) <- strsplit(trimws(counts_header()), ",", fixed = TRUE)[[1]]
  as.data.frame(table)
}

#' @export
print.tidmar_bed <- function(x, ...) {
  s <- bed_settings(x)
  cat(sprintf("tidmar bed %d x %d, %s engine, %s, step %.0f (seed %d)\n", s$width, s$height, s$mode,
              s$scheme, s$step_count, s$seed))
  cat(sprintf("a2 %g  a0 %g  d0 %g  a3 %g  a4 %g  jump %d%s  %s boundary\n", s$a2, s$a0, s$d0, s$a3,
              s$a4, s$jump, if (s$long_range) "" else " (no long range)", s$boundary))
  print(counts(x))
  invisible(x)
}

#' @rdname counts
#' @param object A `tidmar_bed`.
#' @param ... Unused.
#' @return `summary()`: a data frame of the states, their codes, counts and
#'   fractions.
#' @export
summary.tidmar_bed <- function(object, ...) {
  cells <- counts(object)
  data.frame(state = names(cells), code = -1:3, count = unname(cells),
             fraction = unname(cells) / sum(cells))
}

check_bed <- function(bed) {
  if (!inherits(bed, "tidmar_bed")) stop("expected a bed made by tidmar_bed()", call. = FALSE)
}
