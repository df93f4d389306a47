#!/usr/bin/env bash
# System calls that fail under the programs, injected by strace at the call
# itself: an interruption or a stream that is not ready must change nothing,
# any other error must be reported.
#   interrupted_calls.sh STRACE PROGRAM_DIR    (INTKIT_PROGRAM_DIR overrides the folder)
# Exits 77, skipped, where strace cannot trace and inject into the programs.
set -uo pipefail
strace=$1 bin=${INTKIT_PROGRAM_DIR:-$2}
log=$(mktemp) out=$(mktemp) err=$(mktemp)
trap 'rm -f "$log" "$out" "$err"' EXIT
failures=0 checks=0

case ${INTKIT_SYSTEM-} in
  windows) echo "skipped: Windows programs: strace would see Wine's system calls, not the program's"; exit 77 ;;
  wasi) echo "skipped: WASI programs: strace would see Node.js's system calls, not the program's"; exit 77 ;;
esac
# Not under an emulator, nor where tracing is not allowed: try it first.
"$strace" -qq -o "$log" -e trace=writev -e inject=writev:error=EINTR:when=1 "$bin/stepdemo" >/dev/null 2>"$err"
if ! grep -q '^writev(1, .* = -1 EINTR .*(INJECTED)' "$log"; then
  echo "skipped: strace cannot trace and inject into $bin/stepdemo here: $(head -n 3 "$err")"
  exit 77
fi

# check PROGRAM INPUT SYSCALL FD ERROR COUNT STATUS STDERR [STRACE_ARGS...]
# Makes the first COUNT calls of SYSCALL on descriptor FD fail with ERROR.
# Status 0 means the output must be that of an undisturbed run.
check() {
  local program=$1 input=$2 call=$3 fd=$4 error=$5 count=$6 status=$7 want_err=$8
  shift 8
  # The loader makes calls of its own first: find the program's first one on FD.
  printf '%s' "$input" | "$strace" -qq -e trace="$call" -o "$log" "$bin/$program" >/dev/null 2>&1
  local first
  first=$(grep "^$call(" "$log" | grep -n "^$call($fd[,)]" | head -n 1 | cut -d: -f1)
  local undisturbed
  undisturbed=$(printf '%s' "$input" | "$bin/$program")
  printf '%s' "$input" |
    "$strace" -qq -o /dev/null -e inject="$call:error=$error:when=$first..$((first + count - 1))" "$@" \
      "$bin/$program" >"$out" 2>"$err"
  local got=$?
  local what="$program: $count x $error on $call($fd) $*"
  checks=$((checks + 1))
  if [[ -z $first || $got != "$status" || $(cat "$err") != "$want_err" ]]; then
    echo "FAILED $what: status $got, stderr: $(cat "$err")"
    failures=$((failures + 1))
  elif [[ $status == 0 && $(cat "$out") != "$undisturbed" ]]; then
    echo "FAILED $what: the output differs from an undisturbed run"
    failures=$((failures + 1))
  else
    echo "ok $what"
  fi
}

check tallyfive '3 1 2 3 2' read 0 EINTR 3 0 ''
check keyfind '2 7 8 8' read 0 EAGAIN 2 0 ''
# The report goes out by the second writev, after the prompt's.
check divisorsum '28' read 0 EIO 1 1 'divisorsum: read error: Input/output error' -e inject=writev:error=EINTR:when=2
check keyfreq '3 4 1 4 4' writev 1 EINTR 4 0 ''
check digitstair '400' writev 1 EAGAIN 3 0 ''
check gridmath '' close 1 EIO 1 1 'gridmath: write error: Input/output error' -e inject=writev:error=EAGAIN:when=2
check stepdemo '' close 1 EIO 1 1 'stepdemo: write error: Input/output error'
check stepdemo '' close 1 EINTR 1 0 ''
# A stream that is not ready, and the wait for it interrupted.
check commademo '' writev 1 EAGAIN 1 0 '' -e 'inject=?poll,?ppoll:error=EINTR:when=1..2'

# A run that ends with a write error still leaves the rest of a file for the next.
printf '6 28' >"$log"
{ "$strace" -qq -o /dev/null -e inject=writev:error=ENOSPC:when=2 "$bin/divisorsum" >/dev/null 2>&1
  echo "status $?" && "$bin/divisorsum"; } <"$log" >"$out"
checks=$((checks + 1))
[[ $(cat "$out") == $'status 1\nEnter a number: 28 is a Perfect Number' ]] ||
  { echo "FAILED divisorsum: after a failed write, the next run got: $(cat "$out")" && failures=$((failures + 1)); }

echo "$((checks - failures)) passed, $failures failed"
((failures == 0))
