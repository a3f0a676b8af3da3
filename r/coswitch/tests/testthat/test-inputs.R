same_results <- function(a, b) {
  expect_identical(a$pairs, b$pairs)
  expect_identical(a$genes, b$genes)
  expect_identical(a$pooled_nulls, b$pooled_nulls)
}

test_that("a SummarizedExperiment gives the matrix's results, with its assay and colData chosen by name", {
  skip_if_not_installed("SummarizedExperiment")
  e <- bundled_example()
  shuffled <- e$x[, rev(seq_len(ncol(e$x)))]
  dimnames(shuffled) <- dimnames(e$x)
  se <- SummarizedExperiment::SummarizedExperiment(
    assays = list(expr = e$x, other = shuffled),
    colData = data.frame(hours = e$time, rep = e$replicate, row.names = colnames(e$x))
  )
  expected <- coswitch_scan(e$x, e$time, e$replicate, bootstrap = 10, threads = 1)
  same_results(coswitch_scan(se, "hours", "rep", assay = "expr", bootstrap = 10, threads = 1), expected)
  # The first assay by default, and design vectors instead of colData names.
  same_results(coswitch_scan(se, e$time, e$replicate, bootstrap = 10, threads = 1), expected)
  other <- coswitch_scan(se, "hours", "rep", assay = "other", bootstrap = 10, threads = 1)
  expect_false(identical(other$pairs, expected$pairs))

  expect_error(coswitch_scan(se, "hours", assay = "counts"),
               "no assay \"counts\" \\(its assays: expr, other\\)", class = "coswitch_error")
  expect_error(coswitch_scan(se, "time"), "no column \"time\" \\(its columns: hours, rep\\)",
               class = "coswitch_error")
  expect_error(coswitch_scan(e$x, e$time, assay = "expr"), "only for a SummarizedExperiment",
               class = "coswitch_error")
})

test_that("the design maps times and replicates to columns in any order", {
  e <- bundled_example()
  expected <- coswitch_scan(e$x, e$time, e$replicate, bootstrap = 10, threads = 1)
  # Columns in another order, with their times and labels.
  set.seed(3)
  order <- sample(ncol(e$x))
  same_results(coswitch_scan(e$x[, order], e$time[order], e$replicate[order], bootstrap = 10,
                             threads = 1), expected)
  # Without labels a time point's columns are replicates 1, 2, ... in
  # column order: here A, B, C.
  same_results(coswitch_scan(e$x, e$time, bootstrap = 10, threads = 1), expected)
  # A column whose time is NA is not used, whatever it holds; times given
  # as text or a factor are read as numbers; whole-number counts as integers.
  extra <- cbind(e$x, extra = 1e9)
  same_results(coswitch_scan(extra, c(e$time, NA), c(e$replicate, NA), bootstrap = 10, threads = 1),
               expected)
  same_results(coswitch_scan(e$x, factor(e$time), e$replicate, bootstrap = 10, threads = 1),
               expected)
  frame <- as.data.frame(e$x)
  same_results(coswitch_scan(frame, as.character(e$time), e$replicate, bootstrap = 10, threads = 1),
               expected)
  counts <- round(e$x * 100)
  storage.mode(counts) <- "integer"
  doubles <- round(e$x * 100)
  same_results(coswitch_scan(counts, e$time, bootstrap = 10, threads = 1),
               coswitch_scan(doubles, e$time, bootstrap = 10, threads = 1))
})

test_that("bad tables and designs are errors that say what is wrong", {
  e <- bundled_example()
  scan_of <- function(x, time = e$time, replicate = e$replicate, ...) {
    coswitch_scan(x, time, replicate, bootstrap = 2, threads = 1, ...)
  }
  unnamed <- e$x
  rownames(unnamed) <- NULL
  expect_error(scan_of(unnamed), "needs row names", class = "coswitch_error")
  twice <- e$x
  rownames(twice)[2] <- rownames(twice)[1]
  expect_error(scan_of(twice), "\"geneA\" is given twice", class = "coswitch_error")
  infinite <- e$x
  infinite[1, 1] <- Inf
  expect_error(scan_of(infinite), "infinite", class = "coswitch_error")
  words <- e$x
  storage.mode(words) <- "character"
  expect_error(scan_of(words), "numeric matrix", class = "coswitch_error")
  expect_error(scan_of(e$x, time = e$time[-1]), "one entry per column of the table \\(24\\), not 23",
               class = "coswitch_error")
  expect_error(scan_of(e$x, time = rep("early", 24)), "time: needs numbers",
               class = "coswitch_error")
  expect_error(scan_of(e$x, replicate = replace(e$replicate, 5, NA)), "replicate: NA",
               class = "coswitch_error")
  expect_error(scan_of(e$x, time = rep(NA_real_, 24)), "uses no sample", class = "coswitch_error")
  expect_error(scan_of(e$x[1, , drop = FALSE]), "no pair", class = "coswitch_error")
})

test_that("coswitch_read_table reads as the command line reads, and says where a table is wrong", {
  dir <- scratch_dir()
  on.exit(unlink(dir, recursive = TRUE), add = TRUE)
  path <- file.path(dir, "t.tsv")
  # 0.1 + 0.2 is no decimal's nearest double; the text 0.30000000000000004 is.
  writeLines(c("gene\ts1\ts2", "a\t0.30000000000000004\tNA", "b\t1e-3\t"), path)
  x <- coswitch_read_table(path)
  expect_identical(x, matrix(c(0.1 + 0.2, 1e-3, NA, NA), 2, dimnames = list(c("a", "b"), c("s1", "s2"))))
  writeLines(c("gene\ts1", "a\tlots"), path)
  expect_error(coswitch_read_table(path), "t.tsv:2", class = "coswitch_error")
  expect_error(coswitch_read_table(file.path(dir, "none.tsv")), "none.tsv", class = "coswitch_error")
})
