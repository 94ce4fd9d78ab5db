"""Judges of the statistics windows, run under /usr/bin/python3 with numpy and scipy.

moments <values> <p>: count, sum, mean, population std, the p, 0.5 and 1 - p quantiles (numpy's
  default linear rule), minimum and maximum of the numbers in a file.
pearson <pairs>: scipy's Pearson r of "x y" pairs, t.cdf(t, n - 2) * 100 and n.
polyfit <pairs> <degree>: numpy.polyfit's coefficients, lowest power first, then Pearson's r.
weighted <pairs> <p>: of "x w" pairs (X a class, w its weight): count, weight total, numpy's
  weighted mean and population std (np.average), minimum, maximum, and the first class in
  ascending X whose cumulative weight reaches p and 1 - p of the total (the largest X when none).
transform <pairs> <kind> <parameters...>: the seven transformations of v in "v w" pairs.
csv <file>: the rows of a saved results file read by the csv module (delimiter ';'), cells
  joined by '|'.
Numbers are printed one per line with 17 significant digits.
"""
import csv
import sys

import numpy as np
from scipy import stats


def numbers(path):
    with open(path) as f:
        return [float(v) for v in f.read().split()]


def main():
    mode = sys.argv[1]
    if mode == "moments":
        # values file, p: count sum mean std q(p) median q(1-p) min max
        v = np.array(numbers(sys.argv[2]))
        p = float(sys.argv[3])
        out = [len(v), v.sum(), v.mean(), v.std(), np.quantile(v, p), np.quantile(v, 0.5),
               np.quantile(v, 1 - p), v.min(), v.max()]
    elif mode == "pearson":
        # pairs file "x y": r and t.cdf(t, n - 2) * 100
        v = np.array(numbers(sys.argv[2])).reshape(-1, 2)
        r = stats.pearsonr(v[:, 0], v[:, 1])[0]
        n = len(v)
        t = r * np.sqrt(n - 2) / np.sqrt(1 - r * r)
        out = [r, stats.t.cdf(t, n - 2) * 100, n]
    elif mode == "polyfit":
        # pairs file "x y", degree: numpy.polyfit's coefficients c0 .. cd, then Pearson's r
        v = np.array(numbers(sys.argv[2])).reshape(-1, 2)
        out = list(np.polyfit(v[:, 0], v[:, 1], int(sys.argv[3]))[::-1])
        out.append(np.corrcoef(v[:, 0], v[:, 1])[0, 1])
    elif mode == "weighted":
        # pairs file "x w", p: n W mean std min max lower upper
        v = np.array(numbers(sys.argv[2])).reshape(-1, 2)
        x, w = v[:, 0], v[:, 1]
        p = float(sys.argv[3])
        mean = np.average(x, weights=w)
        std = np.sqrt(np.average((x - mean) ** 2, weights=w))
        order = np.argsort(x, kind="stable")
        cumulative = np.cumsum(w[order])
        total = w.sum()

        def reached(share):
            hits = np.nonzero(cumulative >= share * total)[0]
            return x[order][hits[0]] if len(hits) else x.max()
        out = [len(x), total, mean, std, x.min(), x.max(), reached(p), reached(1 - p)]
    elif mode == "transform":
        # pairs file "v w", kind, parameters...: the transformed v, "nan" where it has no value
        v = np.array(numbers(sys.argv[2])).reshape(-1, 2)
        a, b = v[:, 0], v[:, 1]
        kind = sys.argv[3]
        params = [float(x) for x in sys.argv[4:]]
        with np.errstate(all="ignore"):
            if kind == "polynomial":
                out = np.polynomial.polynomial.polyval(a, params)
            elif kind == "normalize":
                out = (a - a.mean()) / a.std()
            elif kind == "centralize":
                out = a - a.mean()
            elif kind == "maximum":
                out = a / a.max()
            elif kind == "power":
                out = np.where(a > 0, np.power(np.where(a > 0, a, 1), params[0]), np.nan)
            elif kind == "log":
                out = np.where(a > 0, np.log(np.where(a > 0, a, 1)), np.nan)
            elif kind == "diffestim":
                out = a - np.polynomial.polynomial.polyval(b, params)
            else:
                raise SystemExit("unknown transformation " + kind)
        out = list(out)
    elif mode == "csv":
        # the saved results file: each row as its cells, joined by '|'
        with open(sys.argv[2], newline="", encoding="cp1250") as f:
            for row in csv.reader(f, delimiter=";"):
                print("|".join(row))
        return
    else:
        raise SystemExit("unknown mode " + mode)
    for value in out:
        print("%.17g" % value)


main()
