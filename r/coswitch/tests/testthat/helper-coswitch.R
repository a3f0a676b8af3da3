# The bundled example as a matrix with its design. The table is read with
# the library's reader, so the values are the doubles the command line
# reads (R's own parser does not always round decimal text to the nearest
# double); the design's times are whole numbers, which any reader gets exactly.
bundled_example <- function() {
  x <- coswitch_read_table(system.file("extdata", "expression.tsv", package = "coswitch"))
  design <- utils::read.delim(system.file("extdata", "design.tsv", package = "coswitch"),
                              colClasses = c("character", "numeric", "character"))
  at <- match(colnames(x), design$sample)
  list(x = x, time = design$time[at], replicate = design$replicate[at])
}

scratch_dir <- function() {
  dir <- tempfile("coswitch-test-")
  dir.create(dir)
  dir
}

# The command line program, when the tests are told where it is.
command_line <- function() {
  program <- Sys.getenv("COSWITCH_PROGRAM")
  if (!nzchar(program) || !file.exists(program)) {
    skip("COSWITCH_PROGRAM does not name the coswitch program (make test sets it)")
  }
  program
}

run_command_line <- function(args) {
  out <- suppressWarnings(system2(command_line(), shQuote(c("scan", args, "--quiet")),
                                  stdout = TRUE, stderr = TRUE))
  if (!is.null(attr(out, "status"))) {
    stop(paste(c("coswitch scan failed:", out), collapse = "\n"))
  }
}

file_bytes <- function(path) readBin(path, "raw", file.size(path))

# A table the scan wrote, each cell as its text.
tsv_text <- function(path) {
  utils::read.delim(path, colClasses = "character", na.strings = character(), quote = "",
                    comment.char = "", check.names = FALSE)
}

# Every column of the data frame holds what the file's column holds: the
# numbers as the library reads the file's text (glibc's strtod, which
# rounds to the nearest double), yes/no as TRUE/FALSE, NA as NA.
expect_frame_as_file <- function(frame, path) {
  text <- tsv_text(path)
  expect_identical(names(frame), names(text))
  expect_identical(nrow(frame), nrow(text))
  for (column in names(frame)) {
    value <- frame[[column]]
    cells <- text[[column]]
    if (is.numeric(value)) {
      exact <- .read_cells(cells)
      expect_false(is.null(exact), label = paste(column, "holds only numbers"))
      expect_identical(as.double(value), exact, label = column)
    } else if (is.logical(value)) {
      expect_identical(ifelse(is.na(value), "NA", ifelse(value, "yes", "no")), cells, label = column)
    } else {
      expect_identical(ifelse(is.na(value), "NA", value), cells, label = column)
    }
  }
}

# R's folder and the command line's hold the same pairs.tsv and genes.tsv,
# byte for byte, and the result's data frames hold their values.
expect_same_as_command_line <- function(result, cli_dir, r_dir) {
  coswitch_write(result, r_dir)
  for (name in c("pairs.tsv", "genes.tsv")) {
    expect_identical(readLines(file.path(r_dir, name)), readLines(file.path(cli_dir, name)),
                     label = name)
    expect_identical(file_bytes(file.path(r_dir, name)), file_bytes(file.path(cli_dir, name)),
                     label = name)
  }
  expect_frame_as_file(result$pairs, file.path(cli_dir, "pairs.tsv"))
  expect_frame_as_file(result$genes, file.path(cli_dir, "genes.tsv"))
}
