"""Outside judge of the curve fitting, trend and correlation tests: numpy's own least squares.
Points come from a file of "x y" lines; answers go to standard output, one per line.

  rss <points> <degree...>   residual sum of squares of numpy.polyfit at each degree (polynomial
                             degree, not number of terms)
  trend <points>             value of numpy.polyfit(deg 1) at the smallest and the largest x
  exptrend <points>          the same for exp(polyfit(x, ln y, 1)) over the points with y > 0
  corr <points>              numpy.corrcoef of x and y

X is taken relative to its first value (an exact difference for the offsets used), and for the
polynomial fits mapped onto [-1, 1], which leaves the least-squares problem the same.
"""
import sys

import numpy as np


def read_points(path):
    data = np.loadtxt(path, ndmin=2)
    return data[:, 0], data[:, 1]


def main():
    mode, path = sys.argv[1], sys.argv[2]
    x, y = read_points(path)
    if mode == "rss":
        low, high = x.min(), x.max()
        t = (x - (low + high) / 2) / ((high - low) / 2)
        for degree in map(int, sys.argv[3:]):
            p = np.polyfit(t, y, degree)
            print("%.17g" % np.sum((y - np.polyval(p, t)) ** 2))
    elif mode in ("trend", "exptrend"):
        if mode == "exptrend":
            keep = y > 0
            x, y = x[keep], np.log(y[keep])
        origin = x[0]
        p = np.polyfit(x - origin, y, 1)
        for end in (x.min(), x.max()):
            value = np.polyval(p, end - origin)
            print("%.17g" % (np.exp(value) if mode == "exptrend" else value))
    elif mode == "corr":
        print("%.17g" % np.corrcoef(x - x[0], y)[0, 1])


main()
