// SPDX-License-Identifier: GPL-3.0-or-later
#include "version.h"

#include "commit.h"

const char* tidmarVersion()
{
    return TIDMAR_VERSION;
}

const char* tidmarCommit()
{
    return TIDMAR_COMMIT;
}
