#!/usr/bin/env bash
# Compiles a generated project of about 60 MB in 2,000 files with "quarvel compile" and
# packs the same files-store image with "gcab -c -z"; prints both times, their ratio
# (target: at most 1.25) and the compile's peak memory (target: at most 4 x the project).
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

# Each program runs three times; the fastest run counts (the machine may be busy).
best() { python3 -c "import sys; print(min(float(x) for x in sys.argv[1:]))" "$@"; }
CT=() GT=() PEAK_KB=0
for run in 1 2 3; do
  /usr/bin/time -f "%e %M" -o "$WORK/time.txt" "$QUARVEL" compile "$WORK/Big.ebp" --output "$WORK/Big.exe" >/dev/null
  read -r t kb <"$WORK/time.txt"
  CT+=("$t"); [ "$kb" -gt "$PEAK_KB" ] && PEAK_KB=$kb
done
COMPILE_S=$(best "${CT[@]}")

# The same image the book carries, packed by the peer.
wrestool -x --raw --type=+RCDATA --name=+FILES_MFS -o "$WORK/files.cab" "$WORK/Big.exe"
mkdir "$WORK/x" && cabextract -q -d "$WORK/x" "$WORK/files.cab"
for run in 1 2 3; do
  /usr/bin/time -f "%e" -o "$WORK/gcab.txt" gcab -c -z "$WORK/peer.cab" "$WORK/x/info.mfs"
  read -r t <"$WORK/gcab.txt"; GT+=("$t"); rm -f "$WORK/peer.cab"
done
GCAB_S=$(best "${GT[@]}")

python3 - "$COMPILE_S" "$GCAB_S" "$PEAK_KB" "$SIZE" <<'PY'
import sys
c, g, peak_kb, size = float(sys.argv[1]), float(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
print("quarvel compile: %.2f s" % c)
print("gcab -c -z:      %.2f s" % g)
print("ratio:           %.2f (target <= 1.25)" % (c / g if g > 0 else float("inf")))
print("peak memory:     %.0f MB = %.2f x project (target <= 4)" % (peak_kb / 1024, peak_kb * 1024 / size))
PY
