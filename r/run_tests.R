# Runs the package's testthat tests against the package installed in a
# library folder (r/run_tests.sh, which CTest runs, calls it):
#   Rscript r/run_tests.R LIBRARY TESTS_DIR
# Exits 77 (a skip for CTest) when testthat is missing. The comparisons with
# the command line need COSWITCH_PROGRAM, and the yeast table COSWITCH_SHARED_DIR.
args <- commandArgs(trailingOnly = TRUE)
if (length(args) != 2L) stop("usage: Rscript r/run_tests.R LIBRARY TESTS_DIR")
if (!requireNamespace("testthat", quietly = TRUE)) {
  message("skipped: the R package testthat is not installed (make deps installs r-cran-testthat)")
  quit(status = 77)
}
if (!requireNamespace("SummarizedExperiment", quietly = TRUE)) {
  message("the R package SummarizedExperiment is not installed (make deps installs ",
          "r-bioc-summarizedexperiment): its test is skipped")
}
.libPaths(c(args[[1]], .libPaths()))
library(coswitch)
results <- testthat::test_dir(args[[2]], package = "coswitch", load_package = "installed",
                              reporter = testthat::SummaryReporter$new(show_praise = FALSE),
                              stop_on_failure = TRUE)
