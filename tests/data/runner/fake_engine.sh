#!/bin/sh
# A stand-in for the forward engine in the runner's tests. It is started as the engine is
# ("MODEL" "CONTROL"); the first word of the control file says what it does.
mode=$(head -n 1 "$2" 2>/dev/null)
case "$mode" in
  lines) printf 'first line\r\nsecond'; sleep 0.2; printf ' half\nno line end'; exit 0 ;;
  progress) echo "data set 1 of 4"; echo "data set 4 of 4"; echo "done"; exit 0 ;;
  silent) exec sleep 30 ;;
  chatty) i=0; while [ $i -lt 300 ]; do echo tick; sleep 0.1; i=$((i+1)); done ;;
  fail) echo "cannot compute"; exit 3 ;;
  pwd) pwd; exit 0 ;;
  # The built-in engine named on the control file's second line writes every result, then this
  # wrapper dies or fails.
  crash-after-write) "$(sed -n 2p "$2")" "$1" "$2" >/dev/null; kill -KILL $$ ;;
  fail-after-write) "$(sed -n 2p "$2")" "$1" "$2" >/dev/null; echo "licence check failed"; exit 4 ;;
  # A wrapper that leaves a child of its own and goes silent.
  group) sleep 30 & echo $! > "$(dirname "$2")/child.pid"; echo started; wait ;;
  long) head -c 1000000 /dev/zero | tr '\0' 'x'; printf '\nafter\n'; exit 0 ;;
  flood) yes "$(printf '%0100d' 0)" | head -c 6000000; echo; echo last; exit 0 ;;
  *) echo "unknown mode $mode"; exit 2 ;;
esac
