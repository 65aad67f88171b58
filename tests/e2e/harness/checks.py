"""The tally of a test script: every check is printed as it is made, the failures again at the end,
and report() gives the script's exit status."""


def describe(detail):
    """A failure's detail: the last output lines when it is a list of lines."""
    if isinstance(detail, list) and all(isinstance(line, str) for line in detail):
        return "last output: " + (" | ".join(detail[-12:]) or "(none)")
    return str(detail)


class Checks:
    def __init__(self, name):
        self.name = name
        self.failures = []

    def check(self, name, condition, detail=None):
        """Records one check; returns condition, so that follow-up checks can depend on it."""
        if condition:
            print(f"ok   {name}", flush=True)
        else:
            text = name if detail is None else f"{name}: {describe(detail)}"
            self.failures.append(text)
            print(f"FAIL {text}", flush=True)
        return condition

    def expect(self, name, engine, pattern, timeout=20.0):
        """Checks that the engine writes a line matching the regular expression within timeout
        seconds; returns the match, or None."""
        m, got = engine.expect(pattern, timeout)
        self.check(name, m is not None, got)
        return m

    def answer(self, name, engine, command, pattern, timeout=20.0):
        """Sends the command, then checks as expect() does."""
        engine.send(command)
        return self.expect(name, engine, pattern, timeout)

    def report(self):
        for text in self.failures:
            print("FAIL:", text)
        print(f"{self.name}: {'FAILED' if self.failures else 'ok'} ({len(self.failures)} failures)")
        return 1 if self.failures else 0
