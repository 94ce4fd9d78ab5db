"""Judge of the financial indicators: reads bars "x open high low close volume", one per line,
and prints "<curve> <x> <value>" for every point of every curve, computed with pandas."""
import sys

import numpy as np
import pandas as pd


def smoothed(values, period):
    """The first window's mean, then (previous * (period - 1) + value) / period."""
    out = pd.Series(np.nan, index=values.index)
    if len(values) < period:
        return out
    m = values.iloc[:period].mean()
    out.iloc[period - 1] = m
    for i in range(period, len(values)):
        m = (m * (period - 1) + values.iloc[i]) / period
        out.iloc[i] = m
    return out


def emit(name, xs, values):
    for x, v in zip(xs, values):
        if not np.isnan(v):
            print(f"{name} {x:.17g} {v:.17g}")


def main():
    bars = pd.read_csv(sys.argv[1], sep=" ", names=["x", "open", "high", "low", "close", "volume"])
    x, o, h, l, c, vol = (bars[k] for k in ["x", "open", "high", "low", "close", "volume"])

    fast = c.ewm(span=12, adjust=False).mean()
    slow = c.ewm(span=26, adjust=False).mean()
    macd = fast - slow
    signal = macd.ewm(span=9, adjust=False).mean()
    emit("macd", x, macd)
    emit("signal", x, signal)
    emit("histogram", x, macd - signal)

    for name, mean in [("bollinger-simple", c.rolling(10).mean()), ("bollinger-exp", c.ewm(span=10, adjust=False).mean())]:
        sigma = c.rolling(10).std(ddof=0)
        emit(name + "-upper", x, mean + 2 * sigma)
        emit(name + "-lower", x, mean - 2 * sigma)

    lowest = l.rolling(14).min()
    highest = h.rolling(14).max()
    emit("stochastic", x, 100 * (c - lowest) / (highest - lowest))

    tp = (c + h + l) / 3
    tp_mean = tp.rolling(20).mean()
    deviation = tp.rolling(20).apply(lambda w: np.abs(w - w.mean()).mean(), raw=True)
    emit("cci", x, (tp - tp_mean) / (deviation * 0.015))

    raw = ((c - o) / (h - l)).where(h != l, 0.0)
    emit("rvi", x, raw.rolling(10).mean())
    emit("rvi-signal", x, raw.rolling(4).mean())

    pvo_fast = vol.ewm(span=12, adjust=False).mean()
    pvo_slow = vol.ewm(span=26, adjust=False).mean()
    emit("pvo", x, 100 * (pvo_fast - pvo_slow) / pvo_fast)

    median = (h + l) / 2
    ao = median.rolling(5).mean() - median.rolling(34).mean()
    emit("ao", x, ao)
    emit("ac", x, ao - ao.rolling(5).mean())

    jaw = pd.Series(smoothed(median, 13).values, index=x + 8)
    teeth = pd.Series(smoothed(median, 8).values, index=x + 5)
    lips = pd.Series(smoothed(median, 5).values, index=x + 3)
    emit("jaw", jaw.index, jaw.values)
    emit("teeth", teeth.index, teeth.values)
    emit("lips", lips.index, lips.values)
    lines = pd.concat({"jaw": jaw, "teeth": teeth, "lips": lips}, axis=1, join="inner").dropna()
    emit("gator-up", lines.index, (lines.jaw - lines.teeth).abs())
    emit("gator-down", lines.index, -(lines.teeth - lines.lips).abs())

    clv = (((c - l) - (h - c)) / (h - l)).where(h != l, 1.0)
    emit("clv", x, (clv * vol).cumsum())
    # Money flow over P + 1 bars (P = 21): the bar and the 21 before it.
    flow = (clv * vol).rolling(22, min_periods=1).sum()
    total = vol.rolling(22, min_periods=1).sum()
    emit("moneyflow", x, flow / total)


main()
