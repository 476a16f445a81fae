#!/usr/bin/env bash
# scripts/wine-run-tests with stand-ins for Wine, its server and the test
# programs: each stand-in program behaves by the number of its run (a Wine
# hiccup without a verdict, a failed test, a hang), and each row says what the
# script must make of it.
#
#   wine_run_tests_test.sh PATH/TO/wine-run-tests
set -uo pipefail
script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# "wine EXE ARGS": the stand-in program runs as it is.
cat >"$work/wine" <<'END'
#!/usr/bin/env bash
exec "$@"
END
# "wineserver -k|-w": counted; with HANG set it never returns by itself.
cat >"$work/wineserver" <<'END'
#!/usr/bin/env bash
echo "$1" >>"$WORK/wineserver.calls"
[ -z "${HANG:-}" ] || exec sleep 60
END
chmod +x "$work/wine" "$work/wineserver"

# A stand-in program: BEHAVIOURS lists what each run does, one word a run:
#   pass     the verdict of three passed tests, status 0
#   hiccup   Wine's message and status 1, no verdict
#   fail     the verdict with Suite.B failed, status 1
#   crash    the verdict of three passed tests, then status 3
#   hang     never ends by itself
# Each run's --gtest_filter goes to WORK/filters.
make_program() {
  local file=$work/$1.exe
  shift
  cat >"$file" <<END
#!/usr/bin/env bash
n=\$(( \$(cat "$file.n" 2>/dev/null || echo 0) + 1 ))
echo "\$n" >"$file.n"
echo "\${1#--gtest_filter=}" >>"$work/filters"
set -- $*
what=\${!n:-pass}
verdict() { printf '[==========] 3 tests from 1 test suite ran. (5 ms total)\r\n'; }
case "\$what" in
  pass) verdict; printf '[  PASSED  ] 3 tests.\r\n' ;;
  hiccup) echo "wine client error:0: recvmsg: Connection reset by peer"; exit 1 ;;
  fail) printf '[  FAILED  ] Suite.B (3 ms)\r\n'; verdict
        printf '[  PASSED  ] 2 tests.\r\n[  FAILED  ] 1 test, listed below:\r\n'
        printf '[  FAILED  ] Suite.B\r\n'; exit 1 ;;
  crash) verdict; printf '[  PASSED  ] 3 tests.\r\n'; exit 3 ;;
  hang) exec sleep 60 ;;
esac
END
  chmod +x "$file"
  echo "$file"
}

failures=0
# name | the runs | a run's time limit (s) | wineserver hangs | expected status |
# wineserver -k calls | the filters of the runs | a line the output must hold
while IFS='|' read -r name runs limit hang want_rc want_kills want_filters want_text; do
  [ -n "$name" ] || continue
  rm -f "$work/wineserver.calls" "$work/filters"
  exe=$(make_program "$name" "$runs")
  start=$(date +%s)
  out=$(WORK=$work HANG=$hang FS_WINE="$work/wine" FS_WINESERVER="$work/wineserver" \
    FS_WINE_RUN_TIMEOUT=$limit FS_WINESERVER_TIMEOUT=1 "$script" "$exe" '*' "$work" 2>&1)
  rc=$?
  took=$(($(date +%s) - start))
  kills=$(grep -c -- '-k' "$work/wineserver.calls" 2>/dev/null)
  filters=$(paste -sd' ' "$work/filters")
  problem=""
  [ "$rc" -eq "$want_rc" ] || problem+=" status $rc, not $want_rc;"
  [ "${kills:-0}" -eq "$want_kills" ] || problem+=" wineserver -k ${kills:-0} times, not $want_kills;"
  [ "$filters" = "$want_filters" ] || problem+=" filters '$filters', not '$want_filters';"
  grep -qF -- "$want_text" <<<"$out" || problem+=" no line '$want_text';"
  [ "$took" -le 20 ] || problem+=" took $took s;"
  if [ -n "$problem" ]; then
    echo "FAIL $name:$problem"
    printf '%s\n' "$out"
    failures=$((failures + 1))
  else
    echo "ok   $name ($took s)"
  fi
done <<'END'
passes|pass|30||0|0|*|passes.exe: [  PASSED  ] 3 tests.
hiccup_then_passes|hiccup pass|30||0|1|* *|hiccup_then_passes.exe: second run: [  PASSED  ] 3 tests.; passed when run again
hiccup_shows_first|hiccup pass|30||0|1|* *|first run: no verdict: exit status 1; restarting the Wine server
hiccup_message_kept|hiccup pass|30||0|1|* *|recvmsg: Connection reset by peer
hiccup_twice|hiccup hiccup|30||1|1|* *|second run: no verdict: exit status 1; failed twice
hiccup_then_fail|hiccup fail|30||1|1|* *|failed twice
failed_test_again|fail pass|30||0|0|* Suite.B|again on their own: Suite.B
failed_test_twice|fail fail|30||1|0|* Suite.B|second run: [  PASSED  ] 2 tests. [  FAILED  ] 1 test, exit status 1; failed twice
crash_after_verdict|crash pass|30||0|1|* *|first run: [  PASSED  ] 3 tests., exit status 3
hang_then_passes|hang pass|2||0|1|* *|first run: no verdict: stopped after 2 s
hang_twice|hang hang|2||1|1|* *|failed twice
server_hangs|hiccup pass|30|1|0|1|* *|passed when run again
END
[ "$failures" -eq 0 ] || { echo "$failures failed"; exit 1; }
echo "all passed"
