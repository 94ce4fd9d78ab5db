"""Outside judge of the function tests: NumPy and SciPy compute what the functions should give.
Values come from a file with one source per line (numbers separated by blanks); every answer
line holds numbers written with 17 significant digits.

  arithmetic <file>      a + b + c, a - b - c, a * b * c, a / b / c (three sources, index by index)
  reduce <file>          max, min, mean, median and mode (smallest on ties) of the first source
  running <file>         numpy.cumsum, then the Pareto percentages 100 * cumsum(|v|) / sum(|v|)
  histogram <file> <n>   numpy.histogram counts with n bins over (min, max)
"""
import sys

import numpy as np


def write(values):
    print(" ".join("%.17g" % v for v in np.atleast_1d(values)))


def main():
    mode, path = sys.argv[1], sys.argv[2]
    with open(path) as f:
        sources = [np.array([float(t) for t in line.split()]) for line in f if line.strip()]
    if mode == "arithmetic":
        a, b, c = sources
        write(a + b + c)
        write(a - b - c)
        write(a * b * c)
        write(a / b / c)
    elif mode == "reduce":
        from scipy import stats

        v = sources[0]
        write([v.max(), v.min(), v.mean(), np.median(v), stats.mode(v, keepdims=False).mode])
    elif mode == "running":
        v = sources[0]
        write(np.cumsum(v))
        absolute = np.cumsum(np.abs(v))
        write(100.0 * absolute / absolute[-1])
    elif mode == "histogram":
        v = sources[0]
        counts, _ = np.histogram(v, bins=int(sys.argv[3]), range=(v.min(), v.max()))
        write(counts)
    else:
        sys.exit("unknown mode " + mode)


main()
