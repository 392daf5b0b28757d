# SPDX-License-Identifier: GPL-3.0-or-later

#' tidmar: a mussel bed as a stochastic cellular automaton
#'
#' The engines, sweeps and value readers of Tidmar III's desktop program and
#' of `tidmar-batch`, for R: [tidmar_bed()] makes a bed, [step()] and
#' [tidmar_run()] run it, [plot.tidmar_bed()] draws it, [tidmar_sweep()] runs
#' a parameter sweep into a data frame.
#'
#' @useDynLib tidmar, .registration = TRUE
#' @importFrom Rcpp evalCpp
#' @keywords internal
"_PACKAGE"
