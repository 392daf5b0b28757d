# SPDX-License-Identifier: GPL-3.0-or-later
library(testthat)
library(tidmar)

test_check("tidmar")
