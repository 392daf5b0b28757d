# SPDX-License-Identifier: GPL-3.0-or-later
import os
import subprocess

import pytest


@pytest.fixture
def batch():
    """Runs the tidmar-batch of the same build (TIDMAR_BATCH) and returns its
    standard output."""
    path = os.environ.get("TIDMAR_BATCH")
    if not path:
        pytest.skip("TIDMAR_BATCH names no tidmar-batch (CTest sets it)")

    def run(*arguments):
        return subprocess.run([path, *arguments], check=True, capture_output=True, text=True).stdout

    return run
