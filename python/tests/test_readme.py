# SPDX-License-Identifier: GPL-3.0-or-later
"""The README's Python example runs as written."""

import os
import re

import pytest

README = os.path.join(os.path.dirname(__file__), "..", "..", "README.md")


def test_readme_example_runs():
    pytest.importorskip("pandas")
    matplotlib = pytest.importorskip("matplotlib")
    matplotlib.use("Agg")  # plt.show() draws nothing without a display
    with open(README, encoding="utf-8") as readme:
        text = readme.read()
    example = re.search(r"<!-- python-example -->\n```python\n(.*?)```", text, re.S).group(1)
    exec(compile(example, "README.md", "exec"), {})
