"""Outside judges of the clustering tests: SciPy's own clustering and a plain reference of the
quality-threshold method. Points come from a file of "x y" lines; answers go to standard output.

  median <points> <k>             labels after the first n - k merges of median linkage
  kmeans <points> <iter> <i...>   labels and centres of kmeans2 started from points i...
  qt <points> <maxdiameter> <mincount>   clusters (index lists), "rest" for unclustered points
"""
import sys

import numpy as np


def read_points(path):
    return np.loadtxt(path, ndmin=2)


def median(points, k):
    from scipy.cluster.hierarchy import linkage

    n = len(points)
    merges = linkage(points, method="median")
    parent = list(range(2 * n))

    def root(i):
        while parent[i] != i:
            parent[i] = parent[parent[i]]
            i = parent[i]
        return i

    for step in range(n - k):
        a, b = int(merges[step, 0]), int(merges[step, 1])
        parent[root(a)] = n + step
        parent[root(b)] = n + step
    # Each point is named by the lowest point index of its group.
    lowest = {}
    for i in range(n):
        lowest.setdefault(root(i), i)
    print(" ".join(str(lowest[root(i)]) for i in range(n)))


def kmeans(points, iterations, first):
    from scipy.cluster.vq import kmeans2

    centres, labels = kmeans2(points, points[first].copy(), iter=iterations, minit="matrix", missing="warn")
    print(" ".join(str(int(v)) for v in labels))
    for c in centres:
        print(" ".join(repr(float(v)) for v in c))


def qt(points, max_diameter, min_count):
    n = len(points)
    d = np.sqrt(((points[:, None, :] - points[None, :, :]) ** 2).sum(axis=2)).astype(np.float32)
    taken = [False] * n

    def near(i):
        # Free items within reach of i, nearest first (ties by index).
        found = [(float(d[i, j]), j) for j in range(n) if j != i and not taken[j] and float(d[i, j]) < max_diameter]
        return [j for _, j in sorted(found)]

    while True:
        seed, most = -1, 0
        for i in range(n):
            if not taken[i] and len(near(i)) > most:
                seed, most = i, len(near(i))
        if seed < 0 or most < min_count:
            break
        members = [seed] + near(seed)
        for m in members:
            taken[m] = True
        print(" ".join(map(str, members)))
    rest = [i for i in range(n) if not taken[i]]
    if rest:
        print("rest " + " ".join(map(str, rest)))


def main():
    mode, path = sys.argv[1], sys.argv[2]
    points = read_points(path)
    if mode == "median":
        median(points, int(sys.argv[3]))
    elif mode == "kmeans":
        kmeans(points, int(sys.argv[3]), [int(v) for v in sys.argv[4:]])
    elif mode == "qt":
        qt(points, float(sys.argv[3]), int(sys.argv[4]))
    else:
        sys.exit("unknown mode " + mode)


main()
