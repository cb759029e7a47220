# The sessions of robustness_gui_test, sourced by tests/harness/run-case.sh. No case maps a drive: without
# drive D: every installation goes to drive C:.
prepare_case() { return 0; }
check_case() { return 0; }
