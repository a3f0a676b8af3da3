# The settings of `coswitch scan`, by its option names with "_" for "-",
# and the command line's defaults (transform: none given).
scan_defaults <- list(
  genes = character(),
  missing = "model",
  max_missing = 0.2,
  transform = "",
  normalise = "none",
  bootstrap = 100L,
  null = "fixed",
  threads = 0L,
  fdr = 0.05,
  report_pairs = 50L,
  gzip = FALSE
)

# A library failure as an R error of class coswitch_error, carrying the
# command line's exit status for it.
coswitch_stop <- function(message, status = 2L) {
  stop(structure(
    class = c("coswitch_error", "error", "condition"),
    list(message = message, call = NULL, status = as.integer(status))
  ))
}

# The library's answers are either the value or list(error, status). Its
# messages name settings as the command line's options (--report-pairs);
# here they are arguments (report_pairs).
checked <- function(answer) {
  if (is.list(answer) && !is.null(answer[["error"]]) && is.null(attr(answer, "run"))) {
    message <- answer[["error"]]
    option <- regmatches(message, regexpr("^--[a-z0-9-]+", message))
    if (length(option)) {
      message <- paste0(gsub("-", "_", substring(option, 3L)), substring(message, nchar(option) + 1L))
    }
    coswitch_stop(message, answer[["status"]])
  }
  answer
}

whole_setting <- function(name, value) {
  if (!is.numeric(value) || length(value) != 1L || is.na(value) || value != round(value) ||
      abs(value) > .Machine$integer.max) {
    coswitch_stop(sprintf("%s: needs one whole number", name))
  }
  as.integer(value)
}

text_setting <- function(name, value) {
  if (!is.character(value) || length(value) != 1L || is.na(value)) {
    coswitch_stop(sprintf("%s: needs one text value", name))
  }
  value
}

# A mistyped setting with the one it most likely meant: the command line's
# spelling (report-pairs) or a slip of a letter or two.
with_near_name <- function(name) {
  known <- names(scan_defaults)
  near <- gsub("-", "_", name)
  if (!near %in% known) {
    edits <- utils::adist(name, known)[1L, ]
    near <- if (min(edits) <= 2L) known[[which.min(edits)]] else character()
  }
  if (length(near)) paste0(name, " (did you mean ", near, "?)") else name
}

scan_settings <- function(given) {
  settings <- scan_defaults
  if (!length(given)) return(settings)
  names <- names(given)
  if (is.null(names) || any(names == "")) {
    coswitch_stop(paste0(
      "settings are given by name, e.g. bootstrap = 50 (the settings: ",
      paste(names(scan_defaults), collapse = ", "), ")"
    ))
  }
  unknown <- setdiff(names, names(scan_defaults))
  if (length(unknown)) {
    coswitch_stop(paste0(
      "unknown setting", if (length(unknown) > 1L) "s", ": ",
      paste(vapply(unknown, with_near_name, ""), collapse = ", "),
      " (the settings: ", paste(names(scan_defaults), collapse = ", "), ")"
    ))
  }
  twice <- unique(names[duplicated(names)])
  if (length(twice)) {
    coswitch_stop(paste0("setting given twice: ", paste(twice, collapse = ", ")))
  }
  for (name in names) {
    value <- given[[name]]
    settings[[name]] <- switch(name,
      genes = {
        if (!is.character(value) || anyNA(value)) {
          coswitch_stop("genes: needs gene ids (a character vector)")
        }
        value
      },
      bootstrap = , threads = , report_pairs = whole_setting(name, value),
      fdr = {
        if (!is.numeric(value) || length(value) != 1L || is.na(value)) {
          coswitch_stop("fdr: needs one number, from 0 to 1")
        }
        as.double(value)
      },
      gzip = {
        if (!is.logical(value) || length(value) != 1L || is.na(value)) {
          coswitch_stop("gzip: needs TRUE or FALSE")
        }
        value
      },
      text_setting(name, value)
    )
  }
  settings
}

# A design column given as a vector with one entry per column of x, or, for
# a SummarizedExperiment, by the name of a colData column.
design_column <- function(value, what, x, columns) {
  if (!is.null(columns) && is.character(value) && length(value) == 1L) {
    if (!value %in% names(columns)) {
      coswitch_stop(sprintf(
        "%s: the colData has no column \"%s\" (its columns: %s)", what, value,
        paste(names(columns), collapse = ", ")
      ))
    }
    value <- columns[[value]]
  }
  if (length(value) != ncol(x)) {
    coswitch_stop(sprintf(
      "%s: needs one entry per column of the table (%d), not %d", what, ncol(x), length(value)
    ))
  }
  value
}

time_values <- function(time) {
  if (is.factor(time)) time <- as.character(time)
  if (is.character(time)) {
    numbers <- suppressWarnings(as.numeric(time))
    if (any(is.na(numbers) & !is.na(time))) {
      coswitch_stop("time: needs numbers (NA leaves a column out)")
    }
    time <- numbers
  }
  if (!is.numeric(time)) coswitch_stop("time: needs numbers (NA leaves a column out)")
  as.double(time)
}

replicate_labels <- function(replicate, time) {
  if (is.null(replicate)) return(NULL)
  labels <- as.character(replicate)
  used <- !is.na(time)
  if (anyNA(labels[used])) {
    coswitch_stop("replicate: NA for a column that has a time")
  }
  labels[!used] <- ""
  labels
}

# The expression values, gene ids and sample names of x, and its colData
# for a SummarizedExperiment.
scan_table <- function(x, assay) {
  columns <- NULL
  if (inherits(x, "SummarizedExperiment")) {
    if (!requireNamespace("SummarizedExperiment", quietly = TRUE)) {
      coswitch_stop("a SummarizedExperiment needs the SummarizedExperiment package")
    }
    assays <- SummarizedExperiment::assayNames(x)
    if (!length(SummarizedExperiment::assays(x))) {
      coswitch_stop("the SummarizedExperiment holds no assay")
    }
    if (is.null(assay)) assay <- 1L
    if (is.character(assay) && !assay %in% assays) {
      coswitch_stop(sprintf(
        "assay: the SummarizedExperiment has no assay \"%s\" (its assays: %s)", assay,
        if (length(assays)) paste(assays, collapse = ", ") else "none named"
      ))
    }
    columns <- as.list(SummarizedExperiment::colData(x))
    x <- as.matrix(SummarizedExperiment::assay(x, assay, withDimnames = TRUE))
  } else if (!is.null(assay)) {
    coswitch_stop("assay: only for a SummarizedExperiment")
  }
  if (is.data.frame(x)) x <- as.matrix(x)
  if (!is.matrix(x) || !is.numeric(x)) {
    coswitch_stop("x: needs a numeric matrix (genes x samples) or a SummarizedExperiment")
  }
  if (is.null(rownames(x))) coswitch_stop("x: needs row names, the gene ids (rownames(x) <- ids)")
  samples <- colnames(x)
  if (is.null(samples)) samples <- as.character(seq_len(ncol(x)))
  storage.mode(x) <- "double"
  list(values = x, genes = rownames(x), samples = samples, columns = columns)
}

coswitch_scan <- function(x, time, replicate = NULL, ..., assay = NULL,
                          progress = interactive()) {
  call <- match.call()
  settings <- scan_settings(list(...))
  table <- scan_table(x, assay)
  time <- time_values(design_column(time, "time", table$values, table$columns))
  if (!is.null(replicate)) {
    replicate <- design_column(replicate, "replicate", table$values, table$columns)
  }
  replicate <- replicate_labels(replicate, time)
  answer <- checked(
    .scan(table$values, table$genes, table$samples, time, replicate, settings,
          isTRUE(progress))
  )
  structure(answer, class = "coswitch_scan", call = call)
}

coswitch_write <- function(result, dir) {
  if (!inherits(result, "coswitch_scan")) {
    coswitch_stop("result: needs what coswitch_scan() returns")
  }
  if (!is.character(dir) || length(dir) != 1L || is.na(dir) || dir == "") {
    coswitch_stop("dir: needs one folder name")
  }
  how <- paste(deparse(attr(result, "call"), width.cutoff = 500L), collapse = " ")
  how <- gsub("[[:cntrl:]]+", " ", paste("R:", how))
  checked(.write(attr(result, "run"), path.expand(dir), how))
  invisible(dir)
}

coswitch_read_table <- function(file) {
  if (!is.character(file) || length(file) != 1L || is.na(file)) {
    coswitch_stop("file: needs one file name")
  }
  checked(.read_table(path.expand(file)))$table
}

coswitch_version <- function() .version()

print.coswitch_scan <- function(x, n = 10L, ...) {
  kept <- sum(x$genes$status == "kept")
  cat(sprintf(
    "coswitch scan: %d genes (%d kept), %d time points x %d replicates, %s pairs\n",
    nrow(x$genes), kept, x$time_points, x$replicates, format(nrow(x$pairs), big.mark = ",")
  ))
  cat(sprintf(
    "p-values: (count + 1) / (M + 1) over M = %s pooled null values\n",
    format(x$pooled_nulls, scientific = FALSE, big.mark = ",")
  ))
  if (nrow(x$pairs)) {
    cat(sprintf("top %d pairs:\n", min(n, nrow(x$pairs))))
    top <- utils::head(x$pairs[, c("rank", "gene1", "gene2", "stat_new", "p_new", "p_new_bh",
                                   "stat_corr", "p_corr_bh", "phase")], n)
    print(top, row.names = FALSE, digits = 4)
  }
  invisible(x)
}
