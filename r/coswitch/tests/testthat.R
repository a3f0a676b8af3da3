library(testthat)
library(coswitch)

test_check("coswitch")
