# SPDX-License-Identifier: GPL-3.0-or-later

#' Patches, their size distribution and spatial indicators of a field
#'
#' `tidmar_patterns()` computes what `tidmar-batch patterns` writes for one
#' field and class, to the last bit: the share of cells in the class, its
#' patches, whether one spans the field, the variance, skewness and Moran's I
#' of the cover, and the maximum-likelihood fits of the patch sizes (power
#' law, truncated power law, exponential) with the best by BIC.
#' `tidmar_patch_sizes()` returns the sizes themselves.
#'
#' The field is a bed (its current field, and its boundary as the default of
#' `wrap`) or any matrix `[y, x]` of whole-number cell codes, such as one's
#' own classified field data; a logical matrix is its own class, its `TRUE`
#' cells. Patches join through the 4 nearest neighbours or the 8, and across
#' opposite edges when `wrap` is `TRUE`.
#'
#' @param x A `tidmar_bed`, or an integer, logical or whole-number matrix (or
#'   a data frame of such columns).
#' @param class The class of cells: `"gap"` (codes -1, 0, 1), `"empty"`,
#'   `"mussel"` (2, 3), `"young"`, `"adult"`, `"predator"` (-1, 0), or codes
#'   such as `c(2, 3)` or `"2,3"`; `1` for the ones of a 0/1 matrix. Left out
#'   for a logical matrix.
#' @param wrap Whether patches join across opposite edges (a periodic
#'   boundary); for a bed, by default its own boundary.
#' @param neighbourhood 4 or 8.
#' @param coarse_grain The side of the blocks whose cover gives `variance` and
#'   `skewness`; 1 for none.
#' @param xmin The smallest size fitted, or `"estimate"` (the one whose power
#'   law is closest to the sizes, by the Kolmogorov-Smirnov distance).
#' @param min_tail The fewest sizes from `xmin` up that a fit needs.
#' @return `tidmar_patterns()`: a data frame of one row with the columns of
#'   the patterns' summary after `file` and `class` (`width`, `height`,
#'   `cover`, `patches`, `mean_size`, `max_size`, `spans`, `variance`,
#'   `skewness`, `moran`, `xmin`, `n_tail`, `pl_alpha`, `pl_loglik`,
#'   `tpl_alpha`, `tpl_lambda`, `tpl_loglik`, `exp_lambda`, `exp_loglik`,
#'   `best`, `plrange`), `NA` where a value is empty. `tidmar_patch_sizes()`:
#'   an integer vector, one size per patch.
#' @examples
#' bed <- tidmar_bed(64, 64, seed = 42, a2 = 0.6, a0 = 0.5, d0 = 0.02)
#' step(bed, 50)
#' tidmar_patterns(bed, "gap", min_tail = 5)[c("cover", "patches", "pl_alpha", "best")]
#' summary(tidmar_patch_sizes(bed, "gap", neighbourhood = 8))
#' tidmar_patterns(matrix(c(1, 1, 0, 0, 1, 0, 0, 0, 1), 3), class = 1, wrap = FALSE)$patches
#' @export
tidmar_patterns <- function(x, class = "gap", wrap = TRUE, neighbourhood = 4, coarse_grain = 4,
                            xmin = "estimate", min_tail = 10) {
  request <- pattern_request(x, class, missing(class), wrap, missing(wrap))
  options <- c(request$options, list(neighbourhood = neighbourhood, coarse_grain = coarse_grain,
                                     xmin = xmin, min_tail = min_tail))
  as.data.frame(field_patterns(request$field, request$class, options), stringsAsFactors = FALSE)
}

#' @rdname tidmar_patterns
#' @export
tidmar_patch_sizes <- function(x, class = "gap", wrap = TRUE, neighbourhood = 4) {
  request <- pattern_request(x, class, missing(class), wrap, missing(wrap))
  field_patch_sizes(request$field, request$class, c(request$options, list(neighbourhood = neighbourhood)))
}

# The field, class text and boundary of a call of the two above.
pattern_request <- function(x, class, class_missing, wrap, wrap_missing) {
  if (inherits(x, "tidmar_bed")) {
    if (wrap_missing) wrap <- x$boundary == "periodic"
    x <- x$field
  }
  if (is.data.frame(x)) x <- as.matrix(x)  # such as read.csv(file, header = FALSE) gives
  if (is.logical(x)) {
    if (!class_missing) stop("a logical matrix is its own class (its TRUE cells): leave class out", call. = FALSE)
    class <- "1"
  }
  if (is.numeric(class) && length(class) >= 1 && !anyNA(class))
    class <- paste(format(class, scientific = FALSE, trim = TRUE), collapse = ",")
  if (!is.character(class) || length(class) != 1 || is.na(class))
    stop("class: expected a class name or whole-number codes", call. = FALSE)
  if (!is.logical(wrap) || length(wrap) != 1 || is.na(wrap))
    stop("wrap: expected TRUE or FALSE", call. = FALSE)
  list(field = x, class = class, options = list(wrap = if (wrap) "periodic" else "closed"))
}
