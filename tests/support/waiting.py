# What the tests of the real program share: waiting, however slow the machine, for what they
# expect to see, and a time limit of their own.
import signal, time  # noqa: E401


def wait_for(what, probe, timeout=30.0, every=0.02):
    # Asks probe every `every` seconds until it gives something true, and returns that.
    end = time.monotonic() + timeout
    while not (value := probe()):
        assert time.monotonic() < end, f"timed out waiting for {what}"
        time.sleep(every)
    return value


def time_limit(seconds):
    # A test that blocks fails by itself, with a trace of where it stood, and its clean-up
    # (killing the program) still runs; ctest's own limit would leave the program running.
    # The clean-up gets a few seconds of its own, should it block as well.
    def expired(*_):
        signal.alarm(10)
        raise TimeoutError(f"the test ran over its {seconds} s")
    signal.signal(signal.SIGALRM, expired)
    signal.alarm(seconds)
