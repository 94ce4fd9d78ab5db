# Timing curves atLinear, atExp, atBack and atElastic in the styles atIn, atOut and atInOut at
# fractions 0, 0.01 .. 1: "timing style step value" per line (timing and style as ordinals).
import math

LINEAR, EXP, BACK, ELASTIC = 0, 3, 5, 7
curves = {
    EXP: lambda x: 0.5 * 2 ** x,
    BACK: lambda x: 4 * x ** 3 - 3 * x ** 2,
    ELASTIC: lambda x: 33 * x ** 5 - 59 * x ** 4 + 32 * x ** 3 - 5 * x ** 2,
}


def eased(timing, style, f):
    if timing == LINEAR:
        return f
    x = (f, 1 - f, 2 - 2 * f if f > 0.5 else 2 * f)[style]
    g = curves[timing](x)
    if style == 0:
        return g
    if style == 1:
        return 1 - g
    return 1 - 0.5 * g if f > 0.5 else 0.5 * g


for timing in (LINEAR, EXP, BACK, ELASTIC):
    for style in range(3):
        for step in range(101):
            print(timing, style, step, repr(eased(timing, style, step / 100)))
