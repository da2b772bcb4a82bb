# What the tests of the real program share: waiting, however slow the machine, for what they
# expect to see.
import time


def wait_for(what, probe, timeout=30.0, every=0.02):
    # Asks probe every `every` seconds until it gives something true, and returns that.
    end = time.monotonic() + timeout
    while not (value := probe()):
        assert time.monotonic() < end, f"timed out waiting for {what}"
        time.sleep(every)
    return value
