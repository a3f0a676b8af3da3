test_that("the bundled example gives the command line's numbers", {
  dir <- scratch_dir()
  on.exit(unlink(dir, recursive = TRUE), add = TRUE)
  run_command_line(c(system.file("extdata", "expression.tsv", package = "coswitch"),
                     "--design", system.file("extdata", "design.tsv", package = "coswitch"),
                     "--bootstrap", "20", "--threads", "2", "-o", file.path(dir, "cli")))
  e <- bundled_example()
  # One thread here, two there: the bytes do not depend on it.
  result <- coswitch_scan(e$x, e$time, e$replicate, bootstrap = 20, threads = 1)
  expect_same_as_command_line(result, file.path(dir, "cli"), file.path(dir, "r"))
  # geneG's empty cell is a missing value of the model, the default: 7 genes, 21 pairs.
  expect_identical(result$pooled_nulls, 420)
  expect_identical(c(result$time_points, result$replicates), c(8L, 3L))
  expect_identical(unlist(result$pairs[1, c("gene1", "gene2", "phase")], use.names = FALSE),
                   c("geneA", "geneB", "in"))
  expect_identical(result$genes$status[7], "kept")
  expect_identical(result$genes$missing, c(0L, 0L, 0L, 0L, 0L, 0L, 1L))
  expect_true(all(result$pairs$note == ""))
  dropped <- coswitch_scan(e$x, e$time, e$replicate, bootstrap = 2, threads = 1, missing = "drop")
  expect_identical(dropped$genes$status[7], "dropped")
  expect_identical(dropped$genes$reason[7], "missing value")
  expect_false("note" %in% names(dropped$pairs))
})

test_that("a slice of the yeast table gives the command line's numbers", {
  shared <- Sys.getenv("COSWITCH_SHARED_DIR")
  table <- file.path(shared, "data", "spellman1998", "spellman1998_combined.tsv")
  if (!nzchar(shared) || !file.exists(table)) {
    skip("the yeast table is not there (COSWITCH_SHARED_DIR names the folder shared/ beside the repository)")
  }
  program <- command_line()
  dir <- scratch_dir()
  on.exit(unlink(dir, recursive = TRUE), add = TRUE)
  full <- coswitch_read_table(table)
  alpha <- grep("^alpha[0-9]+$", colnames(full))
  complete <- which(rowSums(is.na(full[, alpha])) == 0)[1:40]
  x <- full[complete, alpha]
  expect_identical(dim(x), c(40L, 18L))
  # 17 significant digits read back as the same double, here and there.
  rows <- apply(x, 1L, function(v) paste(sprintf("%.17g", v), collapse = "\t"))
  writeLines(c(paste(c("gene", colnames(x)), collapse = "\t"), paste(rownames(x), rows, sep = "\t")),
             file.path(dir, "slice.tsv"))
  run_command_line(c(file.path(dir, "slice.tsv"), "--samples", "alpha(\\d+)", "--bootstrap", "20",
                     "--threads", "2", "-o", file.path(dir, "cli")))
  result <- coswitch_scan(x, time = as.numeric(sub("alpha", "", colnames(x))), bootstrap = 20,
                          threads = 2)
  expect_same_as_command_line(result, file.path(dir, "cli"), file.path(dir, "r"))
  expect_identical(nrow(result$pairs), 780L)
  expect_identical(result$replicates, 1L)
})
