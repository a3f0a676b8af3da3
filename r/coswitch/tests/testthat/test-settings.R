test_that("settings are checked by name and type, and the library's checks reach R", {
  e <- bundled_example()
  scan_with <- function(...) coswitch_scan(e$x, e$time, e$replicate, ...)
  expect_error(scan_with(boostrap = 5),
               "unknown setting: boostrap \\(did you mean bootstrap\\?\\) \\(the settings: genes, ",
               class = "coswitch_error")
  expect_error(scan_with(bootstrap = 5, `report-pairs` = 3, quiet = TRUE),
               "unknown settings: report-pairs \\(did you mean report_pairs\\?\\), quiet \\(",
               class = "coswitch_error")
  expect_error(coswitch_scan(e$x, e$time, e$replicate, 5), "settings are given by name",
               class = "coswitch_error")
  expect_error(scan_with(bootstrap = 5, bootstrap = 6), "given twice: bootstrap",
               class = "coswitch_error")
  expect_error(scan_with(bootstrap = "many"), "bootstrap: needs one whole number")
  expect_error(scan_with(threads = 1.5), "threads: needs one whole number")
  expect_error(scan_with(report_pairs = c(1, 2)), "report_pairs: needs one whole number")
  expect_error(scan_with(fdr = NA), "fdr: needs one number")
  expect_error(scan_with(gzip = "yes"), "gzip: needs TRUE or FALSE")
  expect_error(scan_with(genes = 1:3), "genes: needs gene ids")
  expect_error(scan_with(null = c("fixed", "chained")), "null: needs one text value")

  # The library's own checks, with the command line's status 2 and the
  # setting named as here.
  library_error <- function(...) {
    settings <- utils::modifyList(list(bootstrap = 2, threads = 1), list(...))
    tryCatch({
      do.call(scan_with, settings)
      NULL
    }, coswitch_error = identity)
  }
  for (bad in list(list(null = "sometimes", says = "null: \"sometimes\" is not one of fixed, chained"),
                   list(transform = "sqrt", says = "^transform: \"sqrt\" is not none, log2p1 or log2"),
                   list(missing = "maybe", says = "^missing: \"maybe\""),
                   list(normalise = "tpm", says = "^normalise: \"tpm\""),
                   list(fdr = 2, says = "fdr: needs a level from 0 to 1"),
                   list(bootstrap = -1, says = "bootstrap: needs 0 or more"),
                   list(genes = c("geneA", "nope"), says = "\"nope\""))) {
    condition <- do.call(library_error, bad[names(bad) != "says"])
    expect_s3_class(condition, "coswitch_error")
    expect_match(conditionMessage(condition), bad$says)
    expect_identical(condition$status, 2L)
  }
  # A table of raw counts needs a transform, as on the command line.
  counts <- round(2^e$x * 500)
  expect_error(coswitch_scan(counts, e$time, bootstrap = 2), "transform", class = "coswitch_error")
  expect_s3_class(coswitch_scan(counts, e$time, bootstrap = 2, threads = 1, transform = "log2p1",
                                normalise = "cpm"), "coswitch_scan")
})

test_that("settings change the run as on the command line", {
  e <- bundled_example()
  some <- coswitch_scan(e$x, e$time, e$replicate, genes = c("geneA", "geneB", "geneC"),
                        bootstrap = 5, threads = 1)
  expect_identical(nrow(some$pairs), 3L)
  expect_identical(some$pooled_nulls, 15)
  # genes.tsv holds the genes of the run: the list's three.
  expect_identical(some$genes$status, c("kept", "kept", "kept"))
  expect_identical(some$genes$index, c(1L, 2L, 3L))
  chained <- coswitch_scan(e$x, e$time, e$replicate, null = "chained", bootstrap = 5, threads = 1)
  fixed <- coswitch_scan(e$x, e$time, e$replicate, bootstrap = 5, threads = 1)
  expect_identical(chained$pairs$stat_new[order(chained$pairs$gene1, chained$pairs$gene2)],
                   fixed$pairs$stat_new[order(fixed$pairs$gene1, fixed$pairs$gene2)])
  expect_false(identical(chained$pairs$p_new, fixed$pairs$p_new))
  expect_identical(coswitch_version(), utils::packageDescription("coswitch")$Version)
})
