# Options of the sanitizer runtimes for the sanitizer build and the fuzz runs
# (sourced by scripts/test.sh --sanitize and scripts/fuzz.sh). Findings of
# system libraries, not of this project, are suppressed by the files here.
JC_SANITIZER_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
export ASAN_OPTIONS="detect_leaks=1:check_initialization_order=1:strict_string_checks=1:suppressions=$JC_SANITIZER_DIR/asan.supp"
export LSAN_OPTIONS="suppressions=$JC_SANITIZER_DIR/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
