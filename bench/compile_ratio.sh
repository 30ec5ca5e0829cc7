#!/usr/bin/env bash
# Compiles a generated project of about 55 MB in 2,000 files with "quarvel compile" on 1,
# 2 and all threads (--jobs) and packs the same files-store image with "gcab -c -z"; prints
# the times side by side, their ratios (target: at most 0.6 with all threads), the sizes
# of the two cabinets (target: within 1 %) and the compile's peak memory (target: at most
# 2.5 x the project). The load average is printed first: measure on a quiet machine.
# Usage: bench/compile_ratio.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
QUARVEL=$BUILD/bin/quarvel
[ -x "$QUARVEL" ] || { echo "no $QUARVEL: build first" >&2; exit 1; }
[ -f "$BUILD/bin/Pagelamp.exe" ] || { echo "no reader program in $BUILD/bin (QUARVEL_READER=ON)" >&2; exit 1; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

python3 - "$WORK" <<'PY'
import os, random, sys
root = sys.argv[1]
rnd = random.Random(1234)
words = ("light keeper rock lamp lens tower storm sea ship harbour night wind wave chart "
         "signal flash beam glass brass oil clock watch log relief boat island coast").split()
files = os.path.join(root, "Big.files")
os.makedirs(os.path.join(files, "pages"))
os.makedirs(os.path.join(files, "pictures"))
story = []
for i in range(1500):  # pages: about 31 KB of text each
    text = " ".join(rnd.choice(words) for _ in range(5600))
    name = "\\pages\\p%04d.htm" % i
    with open(os.path.join(files, "pages", "p%04d.htm" % i), "w", newline="") as f:
        f.write("<html><body><h1>Page ${PAGE}</h1><p>%s</p></body></html>\r\n" % text)
    if i < 300:
        story.append('    <item name="Page %d" page="%s" passwordprotection=False rightclick=True '
                     'includeintoc=True searchable=True RefCount=1\r\n      Ref0="%s"/>\r\n' % (i, name, name))
for i in range(500):  # pictures: about 30 KB of incompressible bytes each
    with open(os.path.join(files, "pictures", "i%04d.bin" % i), "wb") as f:
        f.write(rnd.randbytes(30000))
with open(os.path.join(root, "Big.ebp"), "w", newline="") as f:
    f.write('<project ApplicationTitle="Big" MainFormCaption="Big" OutputPath="" DefaultOutput=True '
            'AllowRightClickContextMenu=1 ResizableWindow=True Width=800 Height=600 Template="None" '
            'RunMaximized=False>\r\n  <story>\r\n' + "".join(story) + "  </story>\r\n</project>\r\n")
PY
SIZE=$(du -sb "$WORK/Big.files" | cut -f1)
echo "project: $(find "$WORK/Big.files" -type f | wc -l) files, $((SIZE / 1048576)) MB"

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"

# Each program runs three times; the fastest run counts (the machine may be busy).
best() { python3 -c "import sys; print(min(float(x) for x in sys.argv[1:]))" "$@"; }
RESULTS=()
for jobs in 1 2 all; do
  CT=() CPU=() PEAK_KB=0
  opt=(); [ "$jobs" != all ] && opt=(--jobs "$jobs")
  for run in 1 2 3; do
    /usr/bin/time -f "%e %M %U %S" -o "$WORK/time.txt" "$QUARVEL" compile "$WORK/Big.ebp" "${opt[@]}" \
      --output "$WORK/Big.exe" >/dev/null
    read -r t kb u s <"$WORK/time.txt"
    CT+=("$t"); CPU+=("$(python3 -c "print($u + $s)")"); [ "$kb" -gt "$PEAK_KB" ] && PEAK_KB=$kb
  done
  RESULTS+=("$jobs $(best "${CT[@]}") $PEAK_KB $(best "${CPU[@]}")")
done

# The same image the book carries, packed by the peer.
wrestool -x --raw --type=+RCDATA --name=+FILES_MFS -o "$WORK/files.cab" "$WORK/Big.exe"
mkdir "$WORK/x" && cabextract -q -d "$WORK/x" "$WORK/files.cab"
GT=() GCPU=()
for run in 1 2 3; do
  rm -f "$WORK/peer.cab"
  /usr/bin/time -f "%e %U %S" -o "$WORK/gcab.txt" gcab -c -z "$WORK/peer.cab" "$WORK/x/info.mfs"
  read -r t u s <"$WORK/gcab.txt"; GT+=("$t"); GCPU+=("$(python3 -c "print($u + $s)")")
done
GCAB_S=$(best "${GT[@]}")
GCAB_CPU=$(best "${GCPU[@]}")

python3 - "$GCAB_S" "$GCAB_CPU" "$SIZE" "$(stat -c %s "$WORK/files.cab")" "$(stat -c %s "$WORK/peer.cab")" \
  "${RESULTS[@]}" <<'PY'
import sys
g, gcpu, size, ours, peer = float(sys.argv[1]), float(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
# CPU time (user + system) beside the wall time: on a busy machine it still tells the work done.
print("gcab -c -z:                %6.2f s (cpu %.2f s)" % (g, gcpu))
for row in sys.argv[6:]:
    jobs, c, peak_kb, cpu = row.split()
    c, peak_kb, cpu = float(c), int(peak_kb), float(cpu)
    print("quarvel compile, %-3s jobs: %6.2f s (cpu %.2f s)  ratio %.2f (target <= 0.6)  peak %4.0f MB = %.2f x"
          " project (target <= 2.5)" % (jobs, c, cpu, c / g if g > 0 else float("inf"), peak_kb / 1024,
                                        peak_kb * 1024 / size))
print("pages cabinet: %d bytes, gcab's: %d bytes, %+.2f %% (target within 1 %%)" % (ours, peer, 100.0 * (ours - peer) / peer))
PY
