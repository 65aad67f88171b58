"""What the end-to-end tests and the bench scripts share: an engine process behind pipes
(engine.py), the rules of chess to check its moves with (board.py), and the tally of a test
script's checks (checks.py). Bench scripts import it through sys.path (tests/e2e)."""
