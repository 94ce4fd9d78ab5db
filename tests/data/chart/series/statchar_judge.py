"""Judge of the moving averages and statistical functions.

Usage: statchar_judge.py POINTS WINDOW GROUP
POINTS holds one point per line: x y null (null 1 or 0). Prints one line per result:
a name and the values, computed by numpy and pandas with the definitions the chart uses.
"""
import sys

import numpy as np
import pandas as pd
from scipy import stats

path, window, group = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
data = np.loadtxt(path)
x, y, null = data[:, 0], data[:, 1], data[:, 2].astype(bool)
n, p = len(y), window


def emit(name, values):
    print(name, " ".join("%.17g" % v for v in np.atleast_1d(values)))


ones = np.ones(p)
emit("ma", np.convolve(y, ones / p, "valid"))
emit("ma_index", np.convolve(y, np.arange(p, 0, -1, dtype=float), "valid") / (p * (p + 1) / 2))
emit("ma_x", np.convolve(y * x, ones, "valid") / np.convolve(x, ones, "valid"))

emit("ema_all", pd.Series(y).ewm(span=p, adjust=False).mean().to_numpy())
with_gaps = pd.Series(np.where(null, np.nan, y))
ema = with_gaps.ewm(span=p, adjust=False, ignore_na=True).mean().to_numpy()
emit("ema_skip", ema[~null])

smoothed = [y[:p].mean()]
for i in range(p, n):
    smoothed.append((smoothed[-1] * (p - 1) + y[i]) / p)
emit("smoothed", smoothed)

last = np.arange(p - 1, n)
first = last - p + 1
emit("momentum", y[last] - y[first])
emit("momentum_div", 100 * y[last] / y[first])
emit("performance", 100 * (y[last] - y[0]) / y[0])
before = np.maximum(first - 1, 0)
emit("percent_change", np.where(first > 0, 100 * (y[last] - y[before]) / y[before], 0))
emit("slope", np.where(first > 0, (y[last] - y[before]) / (x[last] - x[before]), 0))


def moments(a, k):
    sigma = np.std(a, ddof=1)
    d = (len(a) - 1) * sigma**k
    return np.sum((a - a.mean()) ** k) / d if d != 0 else 0.0


for name, blocks in (("all", y.reshape(1, -1)), ("groups", y[: n // group * group].reshape(-1, group))):
    emit("std1_" + name, np.std(blocks, axis=1, ddof=1))
    emit("std0_" + name, np.std(blocks, axis=1, ddof=0))
    emit("var_" + name, np.var(blocks, axis=1))
    emit("rms1_" + name, np.sqrt(np.sum(blocks**2, axis=1) / (blocks.shape[1] - 1)))
    emit("rms0_" + name, np.sqrt(np.sum(blocks**2, axis=1) / blocks.shape[1]))
    emit("skew_" + name, [moments(b, 3) for b in blocks])
    emit("kurt_" + name, [moments(b, 4) for b in blocks])
    # Complete: the population moments.
    emit("skew0_" + name, stats.skew(blocks, axis=1, bias=True))
    emit("kurt0_" + name, stats.kurtosis(blocks, axis=1, fisher=False, bias=True))
