# SPDX-License-Identifier: GPL-3.0-or-later
# tidmar-batch, named by TIDMAR_BATCH (the build's ctest test sets it); the
# tests that compare with it are skipped without it.
batch <- function(...) {
  tool <- Sys.getenv("TIDMAR_BATCH")
  skip_if(tool == "", "TIDMAR_BATCH names no tidmar-batch")
  output <- system2(tool, c(...), stdout = TRUE)
  expect_null(attr(output, "status"))
  output
}

# The one-run options of a list of settings, as the command line spells them.
batch_options <- function(settings) {
  text <- function(value) if (is.logical(value)) if (value) "on" else "off" else format(value)
  unlist(Map(function(name, value) c(paste0("--", gsub("_", "-", name)), text(value)),
             names(settings), settings), use.names = FALSE)
}
