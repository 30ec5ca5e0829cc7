#!/usr/bin/env bash
# Branding and unpacking big books with the quarvel program.
# 1. A book of about 210 MB (incompressible pages): "quarvel brand" against one "cp" of the
#    book plus one fsync (target: brand <= 2 x cp + fsync), and brand's peak memory
#    (target: under the system part plus a few MB).
# 2. A book holding one page of 256 MB: "quarvel unpack" peak memory (target: under 3 x the page).
# Usage: bench/brand_ratio.sh [BUILD_DIR]   (default: build; the book sizes can be changed
# with BRAND_MB and PAGE_MB)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
QUARVEL=$(realpath "$BUILD/bin/quarvel")
BRAND_MB=${BRAND_MB:-210}
PAGE_MB=${PAGE_MB:-256}
[ -x "$QUARVEL" ] || { echo "no $QUARVEL: build first" >&2; exit 1; }
[ -f "$BUILD/bin/Pagelamp.exe" ] || { echo "no reader program in $BUILD/bin (QUARVEL_READER=ON)" >&2; exit 1; }
WORK=$(mktemp -d "${BENCH_DIR:-$PWD/$BUILD}/brand-ratio-XXXXXX")
trap 'rm -rf "$WORK"' EXIT

# project NAME MB: a project whose files store holds one page of MB megabytes of
# incompressible bytes, and a brandable variable.
project() {
  local name=$1 mb=$2
  mkdir -p "$WORK/$name.files" "$WORK/$name.system"
  printf '<html><body>%%{Company}</body></html>\r\n' >"$WORK/$name.files/Index.htm"
  head -c $((mb * 1048576)) /dev/urandom >"$WORK/$name.files/Big.htm"
  printf '<vars>\r\n<var name="Company">Acme</var>\r\n<var name="Fixed">$Kept</var>\r\n</vars>\r\n' \
    >"$WORK/$name.system/Variables.xml"
  printf '<project ApplicationTitle="%%{Company}" MainFormCaption="Big" OutputPath="" DefaultOutput=True>\r\n  <story>\r\n    <item name="Index" page="\\Index.htm" passwordprotection=False rightclick=True includeintoc=True searchable=True RefCount=0/>\r\n  </story>\r\n</project>\r\n' \
    >"$WORK/$name.ebp"
  "$QUARVEL" compile "$WORK/$name.ebp" >/dev/null
  rm -rf "$WORK/$name.files"
}

# Each measurement runs three times; the fastest run and the highest peak count.
best() { python3 -c "import sys; print(min(float(x) for x in sys.argv[1:]))" "$@"; }
elapsed() { # elapsed COMMAND...: seconds
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  python3 -c "print(($end - $start) / 1e9)"
}

project Brand "$BRAND_MB"
BOOK=$WORK/Brand.exe
BOOK_BYTES=$(stat -c %s "$BOOK")
SYSTEM_BYTES=$(python3 - "$BOOK" <<'PY'
import struct, sys
# The size of the SYSTEM_MFS resource: walk the resource section of the PE32 file.
data = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", data, 0x3C)[0]
count = struct.unpack_from("<H", data, pe + 6)[0]
opt = pe + 24
rva = struct.unpack_from("<I", data, opt + 96 + 16)[0]
sec = opt + 224
for i in range(count):
    va, size, raw = struct.unpack_from("<III", data, sec + 40 * i + 12)
    if va == rva:
        base = raw
        break
def name(off):
    n = struct.unpack_from("<H", data, base + off)[0]
    return data[base + off + 2: base + off + 2 + 2 * n].decode("utf-16-le")
def entries(off):
    named, ids = struct.unpack_from("<HH", data, base + off + 12)
    for k in range(named + ids):
        n, t = struct.unpack_from("<II", data, base + off + 16 + 8 * k)
        yield (name(n & 0x7FFFFFFF) if n & 0x80000000 else n), t
for tn, t in entries(0):
    if tn == "RCDATA":
        for nn, d in entries(t & 0x7FFFFFFF):
            if nn == "SYSTEM_MFS":
                for _, leaf in entries(d & 0x7FFFFFFF):
                    print(struct.unpack_from("<I", data, base + leaf + 4)[0])
PY
)
CP=() CPOVER=() SYNC=() BRAND=() PEAK_KB=0
for run in 1 2 3; do
  CP+=("$(elapsed cp "$BOOK" "$WORK/copy.exe")")
  SYNC+=("$(elapsed sync "$WORK/copy.exe")")
  # cp over an existing copy also frees the old copy's blocks, as replacing the book does.
  CPOVER+=("$(elapsed cp "$BOOK" "$WORK/copy.exe")")
  rm -f "$WORK/copy.exe"
  sync
  /usr/bin/time -f "%e %M" -o "$WORK/time.txt" "$QUARVEL" brand "$BOOK" --set Company="Brand $run" >/dev/null
  read -r t kb <"$WORK/time.txt"
  BRAND+=("$t"); [ "$kb" -gt "$PEAK_KB" ] && PEAK_KB=$kb
done
"$QUARVEL" variables "$BOOK" | grep -q "Company=Brand 3" || { echo "the brand was not written" >&2; exit 1; }
CP_S=$(best "${CP[@]}") CPOVER_S=$(best "${CPOVER[@]}") SYNC_S=$(best "${SYNC[@]}") BRAND_S=$(best "${BRAND[@]}")
rm -f "$BOOK"

project Unpack "$PAGE_MB"
UPEAK_KB=0 UT=()
for run in 1 2 3; do
  rm -rf "$WORK/out"
  /usr/bin/time -f "%e %M" -o "$WORK/time.txt" "$QUARVEL" unpack "$WORK/Unpack.exe" "$WORK/out" >/dev/null
  read -r t kb <"$WORK/time.txt"
  UT+=("$t"); [ "$kb" -gt "$UPEAK_KB" ] && UPEAK_KB=$kb
done
UNPACK_S=$(best "${UT[@]}")

python3 - "$BOOK_BYTES" "$SYSTEM_BYTES" "$CP_S" "$SYNC_S" "$BRAND_S" "$PEAK_KB" "$PAGE_MB" "$UNPACK_S" "$UPEAK_KB" "$CPOVER_S" <<'PY'
import sys
book, system, cp, sync, brand, peak_kb, page_mb, unpack, upeak_kb, cpover = sys.argv[1:]
book, system, peak = int(book), int(system), int(peak_kb) * 1024
cp, sync, brand, unpack, cpover = float(cp), float(sync), float(brand), float(unpack), float(cpover)
print("book:            %.0f MB (system part %.0f KB)" % (book / 1048576, system / 1024))
print("cp:              %.3f s (over an existing copy %.3f s), fsync %.3f s" % (cp, cpover, sync))
print("quarvel brand:   %.3f s = %.2f x (2 x cp + fsync), %.2f x with cp over a copy (target <= 1)" %
      (brand, brand / (2 * cp + sync), brand / (2 * cpover + sync)))
print("brand peak:      %.1f MB = system part + %.1f MB (target: a few MB)" % (peak / 1048576, (peak - system) / 1048576))
print("unpack:          %.2f s, peak %.0f MB = %.2f x the %d MB page (target < 3)" %
      (unpack, int(upeak_kb) / 1024, int(upeak_kb) / 1024 / int(page_mb), int(page_mb)))
PY
