test_that("R's interrupt cancels a run, and R goes on", {
  skip_on_os("windows")  # no fork
  e <- bundled_example()
  # 60 genes, 1770 pairs: some 20 seconds at this many bootstrap replicates.
  set.seed(1)
  kept <- e$x[1:6, ]
  x <- do.call(rbind, lapply(1:10, function(k) kept + stats::rnorm(length(kept), sd = 0.3)))
  rownames(x) <- paste0("g", seq_len(nrow(x)))
  job <- parallel::mcparallel({
    started <- Sys.time()
    how <- tryCatch({
      coswitch_scan(x, e$time, e$replicate, bootstrap = 3000, threads = 1)
      "finished"
    }, interrupt = function(condition) "interrupted")
    seconds <- as.numeric(Sys.time() - started, units = "secs")
    after <- coswitch_scan(e$x, e$time, e$replicate, bootstrap = 2, threads = 1)
    list(how = how, seconds = seconds, pairs_after = nrow(after$pairs))
  })
  # The gene fits take a fraction of a second; then the pairs run.
  Sys.sleep(2)
  tools::pskill(job$pid, tools::SIGINT)
  answer <- parallel::mccollect(job, wait = FALSE, timeout = 60)
  if (is.null(answer)) tools::pskill(job$pid, tools::SIGKILL)
  answer <- answer[[1]]
  expect_identical(answer$how, "interrupted")
  expect_lt(answer$seconds, 8)
  expect_identical(answer$pairs_after, 21L)  # 7 genes: geneG's missing value is modelled
})
