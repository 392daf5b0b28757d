# SPDX-License-Identifier: GPL-3.0-or-later

#' The desktop program's colours
#'
#' @return A character vector of colours named by the cell codes -1 to 3:
#'   blue, red, grey, green and deep green; `scale_fill_manual(values =
#'   tidmar_colours())` gives ggplot2 the same colours for codes as factors.
#' @examples
#' tidmar_colours()
#' @export
tidmar_colours <- function() {
  stats::setNames(state_colours()[1:5], -1:3)
}

#' Draw a field
#'
#' Draws a bed's field, or any matrix of cell codes `[y, x]`, with [image()]
#' in the desktop program's colours, row 1 at the top; values that are no cell
#' code stay blank.
#'
#' @param x A `tidmar_bed`.
#' @param field An integer (or logical) matrix `[y, x]`.
#' @param ... Further arguments to [graphics::image()].
#' @param main The title; for a bed its step count.
#' @return The field, invisibly.
#' @examples
#' bed <- tidmar_bed(64, 64, seed = 42, a2 = 0.6, a0 = 0.5, d0 = 0.02)
#' step(bed, 30)
#' plot(bed)
#' @export
plot.tidmar_bed <- function(x, ..., main = sprintf("step %.0f", x$step_count)) {
  tidmar_image(x$field, ..., main = main)
}

#' @rdname plot.tidmar_bed
#' @export
tidmar_image <- function(field, ..., main = "") {
  if (is.logical(field)) storage.mode(field) <- "integer"
  if (!is.matrix(field) || !is.numeric(field)) stop("field: expected an integer matrix", call. = FALSE)
  height <- nrow(field)
  width <- ncol(field)
  raster <- identical(grDevices::dev.capabilities("rasterImage")$rasterImage, "yes")
  # image() draws z[i, j] at (i, j) from the bottom left; the field's row 1 is its top.
  graphics::image(seq_len(width), seq_len(height), t(field[rev(seq_len(height)), , drop = FALSE]),
                  col = tidmar_colours(), breaks = seq(-1.5, 3.5), asp = 1, axes = FALSE,
                  xlab = "", ylab = "", main = main, useRaster = raster, ...)
  invisible(field)
}
