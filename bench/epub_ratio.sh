#!/usr/bin/env bash
# Exports a generated project of about 57 MB in 2,000 pages with "quarvel epub" and
# compiles the same project with "quarvel compile" in the same run; prints both times,
# their ratio (target: at most 2) and the export's peak memory (target: at most 3 x the
# project's size), with the machine's load average.
# Usage: bench/epub_ratio.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
QUARVEL=$BUILD/bin/quarvel
[ -x "$QUARVEL" ] || { echo "no $QUARVEL: build first" >&2; exit 1; }
[ -f "$BUILD/bin/Pagelamp.exe" ] || { echo "no reader program in $BUILD/bin (QUARVEL_READER=ON)" >&2; exit 1; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

python3 - "$WORK" <<'PY'
import os, random, struct, sys, zlib
root = sys.argv[1]
rnd = random.Random(2027)
words = ("light keeper rock lamp lens tower storm sea ship harbour night wind wave chart "
         "signal flash beam glass brass oil clock watch log relief boat island coast").split()
files = os.path.join(root, "Big.files")
for sub in ("pages", "pictures", "style"):
    os.makedirs(os.path.join(files, sub))
def png(w, h, seed):
    r = random.Random(seed)
    raw = b"".join(b"\x00" + bytes(r.randrange(256) for _ in range(3 * w)) for _ in range(h))
    chunk = lambda t, d: struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d) & 0xffffffff)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))
for i in range(100):  # pictures: about 30 KB each
    with open(os.path.join(files, "pictures", "i%03d.png" % i), "wb") as f:
        f.write(png(100, 100, i))
with open(os.path.join(files, "style", "book.css"), "w") as f:
    f.write("body { margin: 1em; font-family: serif }\nh1 { color: #335 }\n")
story = []
for i in range(2000):  # pages: about 27 KB of text each
    text = " ".join(rnd.choice(words) for _ in range(4950))
    name = "\\pages\\p%04d.htm" % i
    with open(os.path.join(files, "pages", "p%04d.htm" % i), "w", newline="") as f:
        f.write('<html><head><title>Page %d</title><link rel="stylesheet" href="../style/book.css"></head>'
                '<body><h1>Page ${PAGE}</h1><p><img src="../pictures/i%03d.png" alt="">%s</p>'
                '<p><a href="p%04d.htm">next</a></p></body></html>\r\n' % (i, i % 100, text, (i + 1) % 2000))
    if i % 100 == 0:
        if i:
            story.append('    </item>\r\n')
        story.append('    <item name="Chapter %d">\r\n' % (i // 100 + 1))
    story.append('      <item name="Page %d" page="%s" passwordprotection=False rightclick=True '
                 'includeintoc=True searchable=True RefCount=1\r\n        Ref0="%s"/>\r\n' % (i, name, name))
story.append('    </item>\r\n')
with open(os.path.join(root, "Big.ebp"), "w", newline="") as f:
    f.write('<project ApplicationTitle="Big" MainFormCaption="Big" OutputPath="" DefaultOutput=True '
            'AllowRightClickContextMenu=1 ResizableWindow=True Width=800 Height=600 Template="None" '
            'RunMaximized=False>\r\n  <epub Language="en" Cover="" '
            'Identifier="urn:uuid:5d1c8a4e-0b7f-4c33-9a55-2f6e1d0c9b8a"/>\r\n  <story>\r\n' +
            "".join(story) + "  </story>\r\n</project>\r\n")
PY
SIZE=$(du -sb "$WORK/Big.files" | cut -f1)
echo "project: $(find "$WORK/Big.files" -type f | wc -l) files, $((SIZE / 1048576)) MB"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"

# Each program runs three times, in turns; the fastest run counts (the machine may be busy).
best() { python3 -c "import sys; print(min(float(x) for x in sys.argv[1:]))" "$@"; }
CT=() ET=() PEAK_KB=0
for run in 1 2 3; do
  /usr/bin/time -f "%e %M" -o "$WORK/time.txt" "$QUARVEL" compile "$WORK/Big.ebp" --output "$WORK/Big.exe" >/dev/null
  read -r t kb <"$WORK/time.txt"; CT+=("$t")
  /usr/bin/time -f "%e %M" -o "$WORK/time.txt" "$QUARVEL" epub "$WORK/Big.ebp" --output "$WORK/Big.epub" >/dev/null 2>&1
  read -r t kb <"$WORK/time.txt"; ET+=("$t"); [ "$kb" -gt "$PEAK_KB" ] && PEAK_KB=$kb
done
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"
python3 - "$(best "${CT[@]}")" "$(best "${ET[@]}")" "$PEAK_KB" "$SIZE" "$(stat -c %s "$WORK/Big.epub")" <<'PY'
import sys
c, e, peak_kb, size, epub = float(sys.argv[1]), float(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
print("quarvel compile: %.2f s" % c)
print("quarvel epub:    %.2f s (publication %.1f MB)" % (e, epub / 1048576))
print("ratio:           %.2f (target <= 2)" % (e / c if c > 0 else float("inf")))
print("peak memory:     %.0f MB = %.2f x project (target <= 3)" % (peak_kb / 1024, peak_kb * 1024 / size))
PY
