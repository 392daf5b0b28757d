// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program's version and the commit it was built from ("" when it was not
// built from a checkout).
const char* tidmarVersion();
const char* tidmarCommit();
