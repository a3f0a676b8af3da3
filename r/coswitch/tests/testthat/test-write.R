test_that("coswitch_write writes the scan folder once, records the call, and needs the run", {
  e <- bundled_example()
  dir <- scratch_dir()
  on.exit(unlink(dir, recursive = TRUE), add = TRUE)
  result <- coswitch_scan(e$x, e$time, e$replicate, bootstrap = 5, threads = 1)
  expect_identical(coswitch_write(result, file.path(dir, "plain")), file.path(dir, "plain"))
  expect_true(all(file.exists(file.path(dir, "plain", c("pairs.tsv", "genes.tsv", "run.tsv",
                                                        "report.html", "heatmap.svg")))))
  run <- readLines(file.path(dir, "plain", "run.tsv"))
  expect_true("command\tR: coswitch_scan(x = e$x, time = e$time, replicate = e$replicate, bootstrap = 5, threads = 1)" %in% run)
  expect_error(coswitch_write(result, file.path(dir, "plain")), "plain", class = "coswitch_error")

  zipped <- coswitch_scan(e$x, e$time, e$replicate, bootstrap = 5, threads = 1, gzip = TRUE)
  coswitch_write(zipped, file.path(dir, "zipped"))
  expect_false(file.exists(file.path(dir, "zipped", "pairs.tsv")))
  unzipped <- gzfile(file.path(dir, "zipped", "pairs.tsv.gz"))
  expect_identical(readLines(unzipped), readLines(file.path(dir, "plain", "pairs.tsv")))
  close(unzipped)

  saved <- file.path(dir, "result.rds")
  saveRDS(result, saved)
  expect_error(coswitch_write(readRDS(saved), file.path(dir, "again")), "holds no run",
               class = "coswitch_error")
  expect_false(file.exists(file.path(dir, "again")))
  expect_error(coswitch_write(result$pairs, file.path(dir, "again")), "what coswitch_scan\\(\\) returns")
  expect_output(print(result), "7 genes \\(7 kept\\), 8 time points x 3 replicates, 21 pairs")
})
