"""A sanitizer report in the program's stderr fails the test that ran it, even when the test
itself saw nothing wrong: the sanitizer build of scripts/test.sh relies on this."""
import os
import stat
import sys
import tempfile

import x11

LEAK_REPORT = """
=================================================================
==4242==ERROR: LeakSanitizer: detected memory leaks

Direct leak of 24 byte(s) in 1 object(s) allocated from:
    #0 0x7f0000000000 in operator new(unsigned long)
"""
UB_REPORT = "form1.cpp:120:9: runtime error: signed integer overflow\n"


def fake_program(folder, report, code):
    path = os.path.join(folder, f"program-{code}")
    with open(path, "w") as f:
        f.write(f"#!/bin/sh\ncat >&2 <<'END'\n{report}END\nexit {code}\n")
    os.chmod(path, os.stat(path).st_mode | stat.S_IXUSR)
    return path


def main():
    x11.display()  # skips without an X server, like every test here
    with tempfile.TemporaryDirectory() as folder:
        for report, code in ((LEAK_REPORT, 23), (UB_REPORT, 1)):
            program = x11.Program(fake_program(folder, report, code))
            program.proc.wait(10)
            try:
                program.close()
            except AssertionError as e:
                assert report.strip() in str(e), str(e)
            else:
                raise AssertionError(f"report not noticed: {report!r}")

        clean = x11.Program(fake_program(folder, "QStandardPaths: no runtime dir\n", 0))
        clean.proc.wait(10)
        clean.close()  # ordinary warnings are not reports


if __name__ == "__main__":
    try:
        main()
    except x11.Skip as why:
        print("SKIP:", why)
        sys.exit(77)
    print("1 passed, 0 failed")
