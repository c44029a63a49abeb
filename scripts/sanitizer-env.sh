# Sourced by the sanitizer and fuzz scripts: every finding is fatal and shows
# where it happened.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
# unixODBC loads its configuration library for a lookup and unloads it again;
# what that library had cached is then held by nothing LeakSanitizer can see.
# Keeping it loaded for the whole process, as a long-running program does,
# leaves real leaks reported.
odbcinst=$( (ldconfig -p 2>/dev/null || /sbin/ldconfig -p) | awk '/libodbcinst\.so\.2 / && !found {print $NF; found = 1}')
if [ -n "$odbcinst" ]; then
  export LD_PRELOAD="${LD_PRELOAD:+$LD_PRELOAD:}$odbcinst"
fi
