# SPDX-License-Identifier: GPL-3.0-or-later
"""The module's results are tidmar-batch's, value for value."""

import csv
import io

import numpy as np
import pytest

import tidmar

SETTINGS = [
    dict(scheme="async-uc"),
    dict(scheme="sync", boundary="closed", a2=0.6, a0=0.5, d0=0.02),
    dict(scheme="async-nrs", long_range=False, a4=0.4),
    dict(scheme="sync", mode="fast", threads=2, a2=0.6, a0=0.5, d0=0.02),
    dict(scheme="async-uc", mode="fast", jump=3),
]


def options(settings):
    def text(value):
        return ("on" if value else "off") if isinstance(value, bool) else str(value)

    return [item for name, value in settings.items() for item in ("--" + name.replace("_", "-"), text(value))]


@pytest.mark.parametrize("settings", SETTINGS, ids=lambda s: "-".join(map(str, s.values())))
def test_bed_gives_the_counts_and_field_of_tidmar_batch(batch, tmp_path, settings):
    field_path = tmp_path / "field.csv"
    counts = batch("--width", "40", "--height", "30", "--seed", "77", "--steps", "25", "--pattern", "line",
                   "--counts", "-", "--field", str(field_path), "--quiet", *options(settings))
    expected = np.array([[int(v) for v in row] for row in list(csv.reader(io.StringIO(counts)))[1:]])

    bed = tidmar.Bed(40, 30, seed=77, **settings)
    bed.reset("line")
    table = bed.run(25)
    assert table.dtype.names == tuple(counts.splitlines()[0].split(","))
    np.testing.assert_array_equal(np.column_stack([table[name] for name in table.dtype.names]), expected)
    np.testing.assert_array_equal(bed.field, np.loadtxt(field_path, delimiter=",", dtype=np.int32))


def test_changed_attributes_act_as_the_same_values_given_at_the_start():
    changed = dict(a2=0.6, a0=0.5, d0=0.02, a3=0.2, a4=0.4, jump=4, long_range=False, boundary="closed",
                   scheme="async-nrs")
    for mode in ("exact", "fast"):
        bed = tidmar.Bed(32, 32, seed=5, mode=mode)
        for name, value in changed.items():
            setattr(bed, name, value)
            assert getattr(bed, name) == value
        bed.step(30)
        given = tidmar.Bed(32, 32, seed=5, mode=mode, **changed)
        given.step(30)
        np.testing.assert_array_equal(bed.field, given.field)


def test_sweep_gives_the_summary_rows_of_tidmar_batch(batch):
    summary = batch("sweep", "--vary", "a2=0.1,0.6", "--vary", "scheme=sync,async-uc", "--replicates", "2",
                    "--seed", "1000", "--steps", "15", "--width", "24", "--height", "20", "--d0", "0.02",
                    "--burn-in", "4", "--summary", "-", "--quiet")
    lines = summary.splitlines()
    names, expected = tidmar._values.typed_columns(lines[0], lines[1:])

    rows = tidmar.sweep(vary={"a2": [0.1, 0.6], "scheme": ["sync", "async-uc"]}, replicates=2, seed=1000,
                        steps=15, width=24, height=20, d0=0.02, burn_in=4, jobs=2, as_frame=False)
    assert [list(row.keys()) for row in rows] == [names] * len(expected)
    assert [list(row.values()) for row in rows] == expected
    assert len(rows) == 8
    assert rows[0]["burn_in"] == 4 and rows[0]["generator_period_passed"] is False


def test_floats_stand_for_the_values_the_command_line_reads(batch):
    # 0.1 + 0.2, a step of numpy's arange and a float32 are off the decimal
    # by far less than 1e-9; steps as 10.0 are whole.
    summary = batch("sweep", "--vary", "d0=0,0.01,0.02", "--a2", "0.3", "--a0", "0.5", "--seed", "9",
                    "--steps", "10", "--width", "16", "--height", "16", "--summary", "-", "--quiet")
    lines = summary.splitlines()
    _, expected = tidmar._values.typed_columns(lines[0], lines[1:])
    rows = tidmar.sweep(vary={"d0": np.arange(0, 0.03, 0.01)}, a2=0.1 + 0.2, a0=np.float32(0.5), seed=9,
                        steps=10.0, width=16, height=16, replicates=1, as_frame=False)
    assert [list(row.values()) for row in rows] == expected

    bed = tidmar.Bed(16, 16, seed=9, a2=0.1 + 0.2, d0=np.arange(0.01, 1, 0.01)[1])
    bed.step(10.0)
    same = tidmar.Bed(16, 16, seed=9, a2=0.3, d0=0.02)
    same.step(10)
    assert (bed.a2, bed.d0) == (0.3, 0.02)
    np.testing.assert_array_equal(bed.field, same.field)


def test_runs_version_and_column_kinds_follow_the_command_line(batch):
    assert tidmar.__version__ == batch("--version").split()[1]
    counts = batch("--width", "16", "--height", "16", "--seed", "4", "--steps", "10", "--counts", "-",
                   "--counts-every", "3", "--quiet")
    table = tidmar.Bed(16, 16, seed=4).run(10, every=3)
    assert list(table["step"]) == [0, 3, 6, 9, 10]
    np.testing.assert_array_equal(np.column_stack([table[name] for name in table.dtype.names]),
                                  np.loadtxt(io.StringIO(counts), delimiter=",", skiprows=1))
    # Probabilities stay floats and flags bools whatever their values;
    # vary takes the keyword names.
    rows = tidmar.sweep(vary={"a2": [0, 1], "long_range": [True, "off"]}, steps=2, width=8, height=8,
                        replicates=1, as_frame=False)
    assert [(row["a2"], row["long_range"]) for row in rows] == [(0.0, True), (0.0, False), (1.0, True),
                                                                 (1.0, False)]
    assert all(type(row["a2"]) is float and type(row["generator_period_passed"]) is bool for row in rows)


def test_default_jobs_are_the_command_lines(batch, monkeypatch):
    help_text = batch("sweep", "--help")
    assert f"(here: {tidmar.default_jobs()})" in " ".join(help_text.split())
    monkeypatch.setenv("SLURM_CPUS_PER_TASK", "1")
    assert tidmar.default_jobs() == 1
    for threads in (0, -1):
        with pytest.raises(ValueError, match="is not a number of threads"):
            tidmar.default_jobs(threads)


@pytest.mark.parametrize("mode", ["exact", "fast"])
def test_saved_copied_and_pickled_beds_go_on_as_the_original_and_tidmar_batch(batch, tmp_path, mode):
    import copy
    import pickle

    bed = tidmar.Bed(30, 24, seed=8, mode=mode, scheme="async-nrs", a2=0.6, a0=0.5, d0=0.02)
    bed.reset("line")
    bed.step(20)
    bed.save(tmp_path / "bed.state")
    copies = [copy.deepcopy(bed), pickle.loads(pickle.dumps(bed)), tidmar.Bed.load(tmp_path / "bed.state")]
    field_path = tmp_path / "field.csv"
    batch("--from-state", str(tmp_path / "bed.state"), "--steps", "15", "--field", str(field_path), "--quiet")
    bed.step(15)
    for other in copies:
        assert other.step_count == 20 and repr(other) == repr(bed).replace("step 35", "step 20")
        other.step(15)
        np.testing.assert_array_equal(other.field, bed.field)
    np.testing.assert_array_equal(bed.field, np.loadtxt(field_path, delimiter=",", dtype=np.int32))
    (tmp_path / "other.state").write_bytes(b"TIDMARST" + bytes(100))
    with pytest.raises(ValueError, match="other.state"):
        tidmar.Bed.load(tmp_path / "other.state")


def test_a_design_of_dicts_runs_the_rows_of_the_equivalent_grid():
    grid = tidmar.sweep(vary={"d0": [0.01, 0.02], "scheme": ["sync", "async-nrs"]}, replicates=2, seed=7, width=16,
                        height=16, steps=6, as_frame=False)
    rows = [dict(d0=d0, scheme=scheme) for d0 in (0.01, 0.02) for scheme in ("sync", "async-nrs")]
    assert tidmar.sweep(design=rows, replicates=2, seed=7, width=16, height=16, steps=6, as_frame=False) == grid
    with pytest.raises(ValueError, match="'speed' is not a --vary name"):
        tidmar.sweep(design=[{"speed": 3}], steps=1)


def test_sweep_time_series_is_tidmar_batchs(batch, tmp_path):
    series_path = tmp_path / "series.csv"
    batch("sweep", "--vary", "d0=0,0.05", "--replicates", "2", "--seed", "30", "--steps", "9", "--width", "12",
          "--height", "10", "--summary", str(tmp_path / "s.csv"), "--counts", str(series_path), "--counts-every",
          "4", "--quiet")
    reported = []
    summary, series = tidmar.sweep(vary={"d0": [0, 0.05]}, replicates=2, seed=30, steps=9, width=12, height=10,
                                   counts_every=4, as_frame=False, progress=lambda *done: reported.append(done))
    assert reported[-1] == (4, 4) and reported == sorted(reported)
    lines = series_path.read_text().splitlines()
    assert [list(row.values()) for row in series] == [[int(v) for v in line.split(",")] for line in lines[1:]]
    assert list(series[0]) == lines[0].split(",") and len(summary) == 4


def test_sweep_from_an_array_is_the_sweep_from_its_file(batch, tmp_path):
    cells = np.full((10, 12), 2, dtype=np.int32)
    cells[:, 4] = 0
    np.savetxt(tmp_path / "start.csv", cells, fmt="%d", delimiter=",")
    settings = dict(vary={"d0": [0, 0.05]}, replicates=2, seed=30, steps=9, as_frame=False)
    from_array = tidmar.sweep(pattern=cells, **settings)
    from_file = tidmar.sweep(pattern=str(tmp_path / "start.csv"), **settings)
    for row in from_array + from_file:
        row.pop("pattern")
    assert from_array == from_file


@pytest.mark.parametrize("mode", ["exact", "fast"])
def test_probabilities_finer_than_thousandths_are_their_own_values(batch, tmp_path, mode):
    settings = ["--width", "48", "--height", "40", "--seed", "12", "--steps", "80", "--a2", "0.6", "--a0", "0.5",
                "--mode", mode, "--quiet"]
    summary = batch("sweep", "--vary", "d0=0:0.002:0.0002", "--replicates", "1", "--summary", "-", *settings)
    assert [row.split(",")[7] for row in summary.splitlines()[1:]] == [
        "0", "0.0002", "0.0004", "0.0006", "0.0008", "0.001", "0.0012", "0.0014", "0.0016", "0.0018", "0.002"]

    def field(d0):
        batch(*settings, "--d0", d0, "--field", str(tmp_path / "field.csv"))
        return np.loadtxt(tmp_path / "field.csv", delimiter=",", dtype=np.int32)

    fine = field("0.0005")
    assert not np.array_equal(fine, field("0")) and not np.array_equal(fine, field("0.001"))
    bed = tidmar.Bed(48, 40, seed=12, mode=mode, a2=0.6, a0=0.5, d0=0.0001 * 5)
    bed.step(80)
    np.testing.assert_array_equal(bed.field, fine)
    bed.save(tmp_path / "bed.state")
    assert bed.d0 == 0.0005 and tidmar.Bed.load(tmp_path / "bed.state").d0 == 0.0005
