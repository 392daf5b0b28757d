# SPDX-License-Identifier: GPL-3.0-or-later
"""tidmar.patterns against computations of its definitions made here with
numpy and scipy: labelling (scipy.ndimage with the seams joined by hand),
indicators, and maximum-likelihood fits solved by other means."""

import numpy as np
import pytest
import tidmar

ndimage = pytest.importorskip("scipy.ndimage")
special = pytest.importorskip("scipy.special")
optimize = pytest.importorskip("scipy.optimize")


def reference_sizes(mask, wrap, neighbourhood):
    structure = np.ones((3, 3)) if neighbourhood == 8 else None
    labels, count = ndimage.label(mask, structure=structure)
    parent = list(range(count + 1))

    def find(a):
        while parent[a] != a:
            a = parent[a]
        return a

    def join(a, b):
        if a and b:
            parent[find(a)] = find(b)

    rows, cols = mask.shape
    if wrap:
        for r in range(rows):
            for c in range(cols):
                for dr, dc in ((0, 1), (1, 0), (1, 1), (1, -1)):
                    if neighbourhood == 4 and dr and dc:
                        continue
                    join(labels[r, c], labels[(r + dr) % rows, (c + dc) % cols])
    sizes = {}
    for label in labels[labels > 0]:
        root = find(label)
        sizes[root] = sizes.get(root, 0) + 1
    # scipy's labels join nothing across the edges, as spanning asks.
    spans = bool((set(labels[0]) & set(labels[-1])) - {0} or (set(labels[:, 0]) & set(labels[:, -1])) - {0})
    return sorted(sizes.values()), spans


def reference_indicators(x, wrap, block):
    x = x.astype(float)
    rows, cols = x.shape
    br, bc = rows // block, cols // block
    variance = skewness = None
    if br and bc:
        means = x[:br * block, :bc * block].reshape(br, block, bc, block).mean(axis=(1, 3)).ravel()
        variance = means.var()
        if np.ptp(means) > 0:
            from scipy.stats import skew

            skewness = skew(means, bias=True)
    z = x - x.mean()
    if wrap:
        lagged = sum(np.roll(z, shift, axis) for shift in (1, -1) for axis in (0, 1))
        numerator, pairs = (z * lagged).sum(), 4 * x.size
    else:
        numerator = 2 * ((z[1:] * z[:-1]).sum() + (z[:, 1:] * z[:, :-1]).sum())
        pairs = 2 * ((rows - 1) * cols + rows * (cols - 1))
    denominator = (z * z).sum()
    moran = x.size / pairs * numerator / denominator if x.min() != x.max() else None
    return variance, skewness, moran


def close(a, b, rel):
    return (a is None and b is None) or (a is not None and b is not None and a == pytest.approx(b, rel=rel, abs=1e-12))


def test_field_measures_match_scipy():
    rng = np.random.default_rng(5)
    bed = tidmar.Bed(64, 48, seed=7, scheme="sync", a2=0.6, a0=0.5, d0=0.02, boundary="closed")
    bed.step(60)
    fields = [rng.integers(-1, 4, (37, 23)), rng.integers(0, 2, (1, 9)), rng.integers(-1, 4, (2, 7)),
              (rng.random((30, 2)) < 0.6), bed.field]
    for field in fields:
        for cls, codes in (("gap", (-1, 0, 1)), ("mussel", (2, 3)), ("-1,3", (-1, 3))):
            if field.dtype == bool:
                cls, mask = None, field
            else:
                mask = np.isin(field, codes)
            for wrap in (True, False):
                for neighbourhood in (4, 8):
                    for block in (1, 3, 4):
                        got = tidmar.patterns(field, cls, wrap=wrap, neighbourhood=neighbourhood,
                                              coarse_grain=block)
                        sizes, spans = reference_sizes(mask, wrap, neighbourhood)
                        assert sorted(tidmar.patch_sizes(field, cls, wrap=wrap,
                                                         neighbourhood=neighbourhood)) == sizes
                        assert got.patches == len(sizes) and got.spans == bool(spans)
                        assert got.max_size == max(sizes, default=0)
                        assert got.cover == mask.mean()
                        assert close(got.mean_size, np.mean(sizes) if sizes else None, 1e-15)
                        variance, skewness, moran = reference_indicators(mask, wrap, block)
                        assert close(got.variance, variance, 1e-12)
                        assert close(got.skewness, skewness, 1e-9)
                        assert close(got.moran, moran, 1e-12)
                        assert (got.width, got.height) == (field.shape[1], field.shape[0])


def tail_moments(alpha, lam, v, top):
    """E[ln s] and E[s] of s^-alpha e^(-lam s) on s >= v by summing to top."""
    k = np.arange(v, top, dtype=float)
    w = np.exp(-alpha * np.log(k / v) - lam * (k - v))
    return (w * np.log(k)).sum() / w.sum(), (w * k).sum() / w.sum()


def power_law_mean_log(alpha, v, top=200000):
    """E[ln s] of the power law from v: sums to top, then the
    Euler-Maclaurin tail of x^-alpha and x^-alpha ln x in closed form."""
    k = np.arange(v, top, dtype=float)
    w = k ** -alpha
    K, a = float(top), alpha
    t0 = K ** (1 - a) / (a - 1) + K ** -a / 2 + a * K ** (-a - 1) / 12
    t1 = (K ** (1 - a) * (np.log(K) / (a - 1) + 1 / (a - 1) ** 2) + K ** -a * np.log(K) / 2
          - K ** (-a - 1) * (1 - a * np.log(K)) / 12)
    return ((w * np.log(k)).sum() + t1) / (w.sum() + t0)


def reference_fits(sizes, min_tail=10):
    sizes = np.sort(np.asarray(sizes))
    values = np.unique(sizes)

    def pl_loglik(alpha, tail, v):
        return -alpha * np.log(tail).sum() - tail.size * np.log(special.zeta(alpha, v))

    best = None
    for v in values:
        tail = sizes[sizes >= v]
        if tail.size < min_tail or np.unique(tail).size < 2:
            break
        alpha = optimize.minimize_scalar(lambda a: -pl_loglik(a, tail, v), bounds=(1.0001, 20), method="bounded",
                                         options={"xatol": 1e-10}).x
        s = np.arange(v, tail.max() + 1)
        fitted = 1 - special.zeta(alpha, s + 1) / special.zeta(alpha, v)
        empirical = np.searchsorted(tail, s, side="right") / tail.size
        distance = np.abs(empirical - fitted).max()
        if best is None or distance < best[0]:
            best = (distance, v)
    v = best[1]
    tail = sizes[sizes >= v].astype(float)
    mean_log = np.log(tail).mean()
    alpha = optimize.brentq(lambda a: power_law_mean_log(a, v) - mean_log, 1.0001, 10, xtol=1e-15, rtol=1e-14)
    top = int(v + 4e5)
    a, lam = optimize.fsolve(lambda p: np.subtract(tail_moments(p[0], np.exp(p[1]), v, top),
                                                   (mean_log, tail.mean())),
                             [alpha, -np.log(tail.mean())], xtol=1e-12)
    exp_lambda = np.log1p(1 / (tail.mean() - v))
    return dict(xmin=v, n_tail=tail.size, pl_alpha=alpha, pl_loglik=pl_loglik(alpha, tail, v), tpl_alpha=a,
                tpl_lambda=np.exp(lam),
                exp_lambda=exp_lambda,
                exp_loglik=tail.size * np.log(-np.expm1(-exp_lambda)) - exp_lambda * (tail - v).sum())


def test_fits_match_independent_maximum_likelihood():
    rng = np.random.default_rng(11)
    near_percolation = tidmar.patch_sizes(rng.random((200, 200)) < 0.55)
    samples = [near_percolation, np.floor((1 - rng.random(3000)) ** (-1 / 1.5)).astype(int)]
    for sizes in samples:
        got = tidmar.fit_sizes(sizes)
        expected = reference_fits(sizes)
        assert (got.xmin, got.n_tail) == (expected["xmin"], expected["n_tail"])
        for name in ("pl_alpha", "pl_loglik", "tpl_alpha", "tpl_lambda", "exp_lambda", "exp_loglik"):
            assert got[name] == pytest.approx(expected[name], rel=1e-9), name
        assert got.tpl_loglik >= got.pl_loglik
        logs = np.log10([got.xmin, sizes.min(), sizes.max()])
        assert got.plrange == pytest.approx(1 - (logs[0] - logs[1]) / (logs[2] - logs[1]), rel=1e-14)
        bic = {"pl": np.log(got.n_tail) - 2 * got.pl_loglik, "tpl": 2 * np.log(got.n_tail) - 2 * got.tpl_loglik,
               "exp": np.log(got.n_tail) - 2 * got.exp_loglik}
        assert got.best == min(bic, key=bic.get)
    # A power law steeper than 2 whose mean is below the sample's: the
    # cut-off's best lambda is 0, the power law itself.
    steep = tidmar.fit_sizes(np.repeat([1, 2, 3, 4, 100, 300], [1000, 150, 40, 10, 1, 1]), xmin=1)
    assert steep.tpl_lambda == 0 and steep.tpl_loglik == steep.pl_loglik and steep.best == "pl"


def test_refusals():
    field = np.zeros((4, 4), dtype=np.int32)
    for call, message in ((lambda: tidmar.patterns(field, "gaps"), "class"),
                          (lambda: tidmar.patterns(field, coarse_grain=0), "--coarse-grain"),
                          (lambda: tidmar.patterns(field, xmin=0), "--xmin"),
                          (lambda: tidmar.patterns(field, neighbourhood=6), "--neighbourhood"),
                          (lambda: tidmar.patterns(field > 0, "gap"), "own class"),
                          (lambda: tidmar.patterns(np.zeros(5, dtype=int)), "two-dimensional")):
        with pytest.raises(ValueError, match=message):
            call()
    with pytest.raises(TypeError):
        tidmar.patterns(np.zeros((3, 3)))


def run_batch(*arguments):
    import os
    import subprocess

    path = os.environ.get("TIDMAR_BATCH")
    if not path:
        pytest.skip("TIDMAR_BATCH names no tidmar-batch (CTest sets it)")
    return subprocess.run([path, *arguments], capture_output=True, text=True)


def test_command_line_gives_the_same_numbers(tmp_path):
    import csv

    bed = tidmar.Bed(90, 70, seed=3, scheme="sync", a2=0.6, a0=0.5, d0=0.02)
    bed.step(80)
    np.savetxt(tmp_path / "bed.csv", bed.field, fmt="%d", delimiter=",")
    own = np.random.default_rng(2).random((40, 64)) < 0.55
    np.savetxt(tmp_path / "own.csv", own.astype(int), fmt="%d", delimiter=",")
    done = run_batch("patterns", str(tmp_path / "bed.csv"), "--neighbourhood", "8", "--coarse-grain", "3",
                     "--sizes", str(tmp_path / "sizes.csv"), "--summary", "-")
    assert done.returncode == 0, done.stderr
    rows = list(csv.DictReader(done.stdout.splitlines()))
    assert [row["class"] for row in rows] == ["gap", "mussel"]
    sizes = list(csv.DictReader(open(tmp_path / "sizes.csv")))
    for row in rows:
        expected = bed.patterns(row["class"], neighbourhood=8, coarse_grain=3)
        for name, value in expected.items():
            text = row[name]
            if value is None:
                assert text == "", name
            elif isinstance(value, bool):
                assert text == str(value).lower(), name
            elif isinstance(value, float):
                assert float(text) == value, name
            else:
                assert text == str(value), name
        counted = np.unique(tidmar.patch_sizes(bed.field, row["class"], neighbourhood=8), return_counts=True)
        assert [(int(r["size"]), int(r["count"])) for r in sizes if r["class"] == row["class"]] == \
            list(zip(*map(list, counted)))
    done = run_batch("patterns", str(tmp_path / "own.csv"), "--class", "1", "--boundary", "closed")
    row = next(csv.DictReader(done.stdout.splitlines()))
    expected = tidmar.patterns(own, wrap=False)
    assert float(row["pl_alpha"]) == expected.pl_alpha and float(row["moran"]) == expected.moran


def test_command_line_refuses_with_one_line_and_leaves_nothing(tmp_path):
    (tmp_path / "field.csv").write_text("1,2,3\n2,3,1\n")
    (tmp_path / "ragged.csv").write_text("1,2,3\n2,3\n")
    (tmp_path / "words.csv").write_text("1,2\n2,x\n")
    (tmp_path / "big.csv").write_text("1,7\n2,3\n")
    field = str(tmp_path / "field.csv")
    summary = str(tmp_path / "summary.csv")
    for arguments, message in (([field, "--class", "gaps"], "--class: 'gaps' is not a class"),
                               ([field, "--class", ""], "--class: '' is not a class"),
                               ([field, "--coarse-grain", "0"], "--coarse-grain: '0' is not"),
                               ([field, "--xmin", "0"], "--xmin: '0' is not"),
                               ([str(tmp_path / "ragged.csv")], "line 2: 2 values where the first line has 3"),
                               ([str(tmp_path / "words.csv")], "line 2, column 2: 'x' is not a whole-number code"),
                               ([str(tmp_path / "big.csv")], "codes other than the model's"),
                               ([field, "--sizes", str(tmp_path / "no" / "sizes.csv")], "--sizes")):
        done = run_batch("patterns", *arguments, "--summary", summary)
        assert done.returncode == 2 and done.stderr.count("\n") == 1 and message in done.stderr, done.stderr
    assert sorted(p.name for p in tmp_path.iterdir()) == ["big.csv", "field.csv", "ragged.csv", "words.csv"]


def test_sweep_columns_equal_the_patterns_command_on_its_snapshots(tmp_path):
    import csv

    common = ["--seed", "7", "--width", "48", "--height", "40", "--steps", "40", "--burn-in", "20", "--a2", "0.6",
              "--a0", "0.5", "--scheme", "sync", "--vary", "d0=0.02,0.1", "--patterns-every", "5"]
    done = run_batch("sweep", *common, "--patch-class", "gap,young", "--jobs", "2", "--quiet", "--snapshots",
                     str(tmp_path / "fields"), "--snapshot-every", "5", "--summary", str(tmp_path / "summary.csv"),
                     "--patterns", str(tmp_path / "patterns.csv"))
    assert done.returncode == 0, done.stderr
    summary = list(csv.DictReader(open(tmp_path / "summary.csv")))
    series = list(csv.DictReader(open(tmp_path / "patterns.csv")))
    fits = ["xmin", "n_tail", "pl_alpha", "pl_loglik", "tpl_alpha", "tpl_lambda", "tpl_loglik", "exp_lambda",
            "exp_loglik", "best", "plrange"]
    for row in summary:
        run = row["run"]
        files = [str(tmp_path / "fields" / f"run{run}-step{step}.csv") for step in (25, 30, 35, 40)]
        done = run_batch("patterns", *files, "--class", "gap", "--class", "young", "--summary",
                         str(tmp_path / "rows.csv"), "--sizes", str(tmp_path / "sizes.csv"))
        assert done.returncode == 0, done.stderr
        rows = list(csv.DictReader(open(tmp_path / "rows.csv")))
        sizes = list(csv.DictReader(open(tmp_path / "sizes.csv")))
        for cls in ("gap", "young"):
            mine = [r for r in rows if r["class"] == cls]
            for name in ("cover", "patches", "mean_size", "max_size", "variance", "moran"):
                assert float(row[f"{cls}_{name}"]) == pytest.approx(np.mean([float(r[name]) for r in mine]),
                                                                    rel=1e-13, abs=1e-15), name
            assert float(row[f"{cls}_spans"]) == np.mean([r["spans"] == "true" for r in mine])
            counts = [(int(r["size"]), int(r["count"])) for r in sizes if r["class"] == cls]
            pooled = tidmar.fit_sizes(np.repeat(*map(np.array, zip(*counts))))
            for name in fits:
                value, text = pooled[name], row[f"{cls}_{name}"]
                if value is None:
                    assert text == "", name
                elif isinstance(value, float):
                    assert float(text) == value, name
                else:
                    assert text == str(value), name
            # The size series holds the snapshots' sizes, step by step.
            for step, path in zip((25, 30, 35, 40), files):
                assert [(int(r["size"]), int(r["count"])) for r in series
                        if r["run"] == run and r["step"] == str(step) and r["class"] == cls] == \
                    [(int(r["size"]), int(r["count"])) for r in sizes if r["file"] == path and r["class"] == cls]
    # The module gives the same columns.
    table = tidmar.sweep(vary={"d0": [0.02, 0.1]}, replicates=1, seed=7, steps=40, burn_in=20, width=48,
                         height=40, a2=0.6, a0=0.5, scheme="sync", patch_class=["gap", "young"],
                         patterns={"patterns_every": 5}, as_frame=False)
    for got, row in zip(table, summary):
        assert got["gap_pl_alpha"] == float(row["gap_pl_alpha"]) and got["young_moran"] == float(row["young_moran"])


def test_fast_fields_beyond_the_exact_limit_and_what_memory_cannot_hold(tmp_path):
    import csv
    import os
    import subprocess

    fields = tmp_path / "fields"
    done = run_batch("--mode", "fast", "--width", "4100", "--height", "6", "--steps", "6", "--seed", "4",
                     "--a2", "0.6", "--a0", "0.5", "--d0", "0.02", "--patterns-every", "3", "--quiet",
                     "--patterns", str(tmp_path / "p.csv"), "--snapshots", str(fields), "--snapshot-every", "3")
    assert done.returncode == 0, done.stderr
    series = list(csv.DictReader(open(tmp_path / "p.csv")))
    for step in (0, 3, 6):
        codes = np.loadtxt(fields / f"step{step}.csv", delimiter=",", dtype=int, ndmin=2)
        assert codes.shape == (6, 4100)
        for cls, mask in (("gap", codes < 2), ("mussel", codes >= 2)):
            sizes, _ = reference_sizes(mask, True, 4)
            counted = [(int(r["size"]), int(r["count"])) for r in series if r["step"] == str(step) and r["class"] == cls]
            assert counted == sorted((s, sizes.count(s)) for s in set(sizes)), (step, cls)
    bed = tidmar.Bed(4100, 2, mode="fast", seed=2)
    bed.step(2)
    assert bed.field.shape == (2, 4100)
    with pytest.raises(ValueError, match="exact engine takes fields of at most 2048"):
        tidmar.Bed(4100, 2)

    # A field the machine cannot hold is refused before anything is written.
    if "asan" in os.environ.get("LD_PRELOAD", ""):
        return  # the sanitizers' shadow memory needs more than the limit
    out = tmp_path / "out"
    out.mkdir()
    done = subprocess.run(["prlimit", "--data=400000000", os.environ["TIDMAR_BATCH"], "--mode", "fast", "--width",
                           "16384", "--height", "16384", "--steps", "2", "--patterns", "p.csv", "--counts", "c.csv"],
                          cwd=out, capture_output=True, text=True)
    assert done.returncode == 2 and done.stderr.count("\n") == 1, done.stderr
    assert "16384 x 16384 cells needs about" in done.stderr and "the machine offers" in done.stderr
    assert list(out.iterdir()) == []
