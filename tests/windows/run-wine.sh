#!/usr/bin/env bash
# Smoke tests of the Windows build under wine, against the Linux build of the
# same tree:
#   - tunewright.exe starts, writes Tunewright.log beside itself with the start-up
#     lines and the build line from its version resource, finds no card, and
#     ends as the Linux build does on a machine without cards (same log lines,
#     same console output, same exit status);
#   - the hand-declared interfaces have the published vtable order and ids;
#   - the sections filter, registered per user by regsvr32, is found by name in
#     wine's filter graph, fed a capture, and answers GetTable for the PAT, NIT
#     and SDT with the sections the Linux section source gives for the file;
#   - tunewright-ts.exe prints the same report as the Linux tunewright-ts.
# Needs build/windows (cmake --workflow --preset windows) and build/default
# (tunewright, tunewright-ts, tw_sections_dump). Line ends are compared without CR.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
win="$root/build/windows"
linux="$root/build/default"
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
[ -x "$wine" ] || wine="$(command -v wine64 || command -v wine)"
[ -x "$wineserver" ] || wineserver="$(command -v wineserver)"

work="$(mktemp -d)"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
pass() { echo "  ok   $1"; }
fail() {
  echo "  FAIL $1"
  failures=$((failures + 1))
}
# Compares two files without CRs; shows the difference on failure.
same() {
  if diff <(tr -d '\r' <"$2") <(tr -d '\r' <"$3") >"$work/diff"; then pass "$1"; else
    fail "$1"
    head -40 "$work/diff"
  fi
}

echo "== wine prefix"
"$wine" wineboot --init >/dev/null 2>&1
"$wineserver" -w

echo "== tunewright.exe without cards"
mkdir -p "$work/exe" "$work/linux"
cp "$win/tunewright.exe" "$work/exe/"
cp "$linux/tunewright" "$work/linux/"
set +e
(cd "$work/exe" && timeout 120 "$wine" ./tunewright.exe </dev/null >"$work/exe/console.txt" 2>"$work/exe/stderr.txt")
status=$?
(cd "$work/linux" && printf '# a machine without cards\n' >empty.world &&
  TUNEWRIGHT_WORLD=empty.world timeout 60 ./tunewright </dev/null >console.txt 2>stderr.txt)
linux_status=$?
set -e
log="$work/exe/Tunewright.log"
if [ "$status" -eq "$linux_status" ]; then pass "exit status $status, as on Linux"; else
  fail "exit status $status, Linux $linux_status"
fi
if [ -f "$log" ]; then pass "Tunewright.log beside the .exe"; else fail "Tunewright.log beside the .exe"; fi
touch "$log"
tr -d '\r' <"$log" >"$work/exe/log.txt"
for line in "-----------------------" "Tunewright starting" "Build - v2.6.0.0" "  No cards found"; do
  if grep -qxF -- "$line" "$work/exe/log.txt"; then pass "log line \"$line\""; else fail "log line \"$line\""; fi
done
if grep -qxE '[A-Z][a-z]{2} [A-Z][a-z]{2} [0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}' "$work/exe/log.txt"; then
  pass "log date line"
else fail "log date line"; fi
# Line for line as on Linux, the date aside.
date_re='^[A-Z][a-z]{2} [A-Z][a-z]{2} [0-9]{2} [0-9:]{8} [0-9]{4}$'
grep -vE "$date_re" "$work/exe/log.txt" >"$work/exe/log-nodate.txt" || true
grep -vE "$date_re" "$work/linux/Tunewright.log" >"$work/linux/log-nodate.txt" || true
same "log matches the Linux log of a machine without cards" "$work/linux/log-nodate.txt" "$work/exe/log-nodate.txt"
same "console matches the Linux console" "$work/linux/console.txt" "$work/exe/console.txt"

echo "== hand-declared interfaces"
if (cd "$win" && "$wine" ./VtableOrderCheck.exe >"$work/vtable.txt" 2>&1); then pass "vtable order and ids"; else
  fail "vtable order and ids"
  tr -d '\r' <"$work/vtable.txt" | grep FAIL || true
fi

echo "== sections filter in wine's filter graph"
mkdir -p "$work/filter"
cp "$win/TunewrightSections.dll" "$work/filter/"
if (cd "$work/filter" && "$wine" regsvr32 /s TunewrightSections.dll); then pass "regsvr32 TunewrightSections.dll"; else
  fail "regsvr32 TunewrightSections.dll"
fi
clsid='{F3C2A8D1-6E4B-4C7A-9D25-7B1E0A4C8E61}'
instance="CLSID\\{A2E3074F-6C3D-11D3-B653-00C04F79498E}\\Instance\\$clsid"
if "$wine" reg query "HKCU\\Software\\Classes\\$instance" /v FriendlyName 2>/dev/null | tr -d '\r' |
  grep -q 'MPEG-2 Sections and Tables$'; then
  pass "registered per user under \"MPEG-2 Sections and Tables\""
else fail "registered per user under \"MPEG-2 Sections and Tables\""; fi
# Windows merges the user's classes into HKEY_CLASSES_ROOT; wine 8 does not, so
# the user's keys are copied to the machine's classes to stand in for that view.
"$wine" reg copy "HKCU\\Software\\Classes\\CLSID\\$clsid" "HKLM\\Software\\Classes\\CLSID\\$clsid" /s /f >/dev/null
"$wine" reg copy "HKCU\\Software\\Classes\\$instance" "HKLM\\Software\\Classes\\$instance" /s /f >/dev/null
# A request collects what arrives after it, so the filter may meet the sub-tables of one
# table (two networks' NITs, say) in another order than a file read does: compare each
# table's sections as a set, one section a line with its bytes.
sections_as_set() {
  tr -d '\r' <"$1" | awk '
    function take() { if (current != "") sections[++count] = current; current = "" }
    function flush(i) { take(); for (i = 1; i <= count; i++) print sections[i] | "sort"; close("sort"); count = 0 }
    /^[A-Z]/ { flush(); print; next }
    /^  section [0-9]+:/ { take(); sub(/^  section [0-9]+:/, "  section:"); current = $0; next }
    { current = current $0 }
    END { flush() }'
}
for capture in "$root"/tests/data/*.ts; do
  name="$(basename "$capture")"
  "$linux/tests/tw_sections_dump" "$capture" | sections_as_set /dev/stdin >"$work/filter/$name.linux"
  if (cd "$win" && timeout 120 "$wine" ./SectionsFilterCheck.exe "$capture" >"$work/filter/$name.raw" 2>&1); then
    sections_as_set "$work/filter/$name.raw" >"$work/filter/$name.windows"
    same "GetTable PAT, NIT, SDT of $name" "$work/filter/$name.linux" "$work/filter/$name.windows"
  else
    fail "SectionsFilterCheck on $name"
    tr -d '\r' <"$work/filter/$name.windows" | tail -5
  fi
done

echo "== tunewright-ts.exe"
for capture in "$root"/tests/data/*.ts; do
  name="$(basename "$capture")"
  for verbose in "" "-v"; do
    set +e
    "$linux/tunewright-ts" $verbose "$capture" >"$work/$name$verbose.linux" 2>&1
    linux_status=$?
    (cd "$win" && timeout 120 "$wine" ./tunewright-ts.exe $verbose "$capture" >"$work/$name$verbose.windows" 2>&1)
    status=$?
    set -e
    same "tunewright-ts $verbose $name report" "$work/$name$verbose.linux" "$work/$name$verbose.windows"
    if [ "$status" -eq "$linux_status" ]; then pass "tunewright-ts $verbose $name exit $status"; else
      fail "tunewright-ts $verbose $name exit $status, Linux $linux_status"
    fi
  done
done

if [ "$failures" -ne 0 ]; then
  echo "== wine smoke tests: $failures failure(s)"
  exit 1
fi
echo "== wine smoke tests passed"
