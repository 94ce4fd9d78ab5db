#!/usr/bin/env python3
"""scripts/check_unwind.py on small links made with lld, the linker the build uses.

An empty unwind entry right before a function starts where the function starts: lld keeps both,
and the check must fail and name the place. Entries that start apart pass.
Usage: check_unwind_test.py <C++ compiler driver>
"""
import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CHECK = os.path.join(ROOT, "scripts", "check_unwind.py")

FUNCTION = """\
Fit:
\t.cfi_startproc
\tret
\t.cfi_endproc
"""
EMPTY = """\
Cold:
\t.cfi_startproc
\t.cfi_endproc
"""
# (what, assembly after ".text", check fails, text its report holds)
CASES = [
    ("an empty entry at a function's start", EMPTY + FUNCTION, True, "entries of 0, 1 bytes"),
    ("functions side by side", FUNCTION + "Other:\n\t.cfi_startproc\n\tret\n\t.cfi_endproc\n", False, ""),
    ("an empty entry apart from the function", EMPTY + "\tnop\n" + FUNCTION, False, ""),
]


def main(compiler):
    failures = []
    with tempfile.TemporaryDirectory() as folder:
        for i, (what, body, fails, report) in enumerate(CASES):
            source = os.path.join(folder, f"case{i}.s")
            linked = os.path.join(folder, f"case{i}.so")
            with open(source, "w") as out:
                out.write("\t.text\n" + body)
            subprocess.run([compiler, "-shared", "-nostdlib", "-fuse-ld=lld", source, "-o", linked], check=True)
            result = subprocess.run([sys.executable, CHECK, linked], capture_output=True, text=True)
            if (result.returncode != 0) != fails or report not in result.stderr:
                failures.append(f"{what}: exit {result.returncode}, report {result.stderr!r}")
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
