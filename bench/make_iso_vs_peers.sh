#!/usr/bin/env bash
# Times `sorvane-cli make-iso` against other image makers and a plain
# read+write baseline on generated corpora, side by side in one run.
#
#   bench/make_iso_vs_peers.sh [--runs N] [--cache-mb N] [--drop-caches]
#                              [--keep] [--work DIR] [--cli PATH]
#
# Corpora (generated once into the work folder, random content):
#   small  about 30,000 files of 1-16 KiB in about 1,500 folders
#   large  4 files of 160 MiB
#   mixed  10,000 small files in 500 folders, 20 files of 1-10 MiB, 2 of 160 MiB
#
# Each tool runs N times per corpus (default 5), tools taking turns, the
# output written into the work folder and deleted after each run; a `sync`
# (not timed) precedes every run so that one run's write-back does not slow
# the next. By default the page cache is warm: every corpus is read once
# before timing and all tools read from memory. With --drop-caches (root
# only) the cache is dropped before every run instead and all tools read
# from the disk.
#
# Printed per corpus and tool: median and best wall time, source megabytes
# per second (MiB of file data / median time), peak resident memory, and the
# tool's median and best time relative to ours (above 1.00: ours is faster).
# On a shared machine the best time is the steadier figure. Run by hand; not
# part of the test suites.

set -euo pipefail

RUNS=5
CACHE_MB=4
DROP=0
KEEP=0
WORK=""
CLI=""
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) RUNS=$2; shift 2 ;;
    --cache-mb) CACHE_MB=$2; shift 2 ;;
    --drop-caches) DROP=1; shift ;;
    --keep) KEEP=1; shift ;;
    --work) WORK=$2; shift 2 ;;
    --cli) CLI=$2; shift 2 ;;
    -h|--help) sed -n '2,27p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "unknown option: $1" >&2; exit 2 ;;
  esac
done

HERE=$(cd "$(dirname "$0")/.." && pwd)
CLI=${CLI:-$HERE/build/bin/sorvane-cli}
[ -x "$CLI" ] || { echo "build sorvane-cli first (or pass --cli PATH): $CLI" >&2; exit 2; }
for tool in xorriso genisoimage tar python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (apt-get install xorriso genisoimage tar python3 time)" >&2; exit 2; }
done
if [ "$DROP" = 1 ] && [ "$(id -u)" != 0 ]; then echo "--drop-caches needs root" >&2; exit 2; fi

if [ -z "$WORK" ]; then WORK=$(mktemp -d "${TMPDIR:-/tmp}/sorvane-bench-XXXXXX"); fi
mkdir -p "$WORK"
[ "$KEEP" = 1 ] || trap 'rm -rf "$WORK"' EXIT

generate() {
  python3 - "$WORK" <<'EOF'
import os, random, sys
work = sys.argv[1]
rng = random.Random(20240601)
def blob(size):
    return os.urandom(size)
def small_tree(root, folders, files):
    per = files // folders
    tops = max(1, int(folders ** 0.5))
    for f in range(folders):
        d = os.path.join(root, "dir%02d" % (f % tops), "sub%04d" % f)
        os.makedirs(d, exist_ok=True)
        for i in range(per):
            with open(os.path.join(d, "file%03d.dat" % i), "wb") as out:
                out.write(blob(rng.randint(1024, 16384)))
def big(root, count, size, prefix):
    os.makedirs(root, exist_ok=True)
    chunk = 1 << 20
    for i in range(count):
        with open(os.path.join(root, "%s%02d.bin" % (prefix, i)), "wb") as out:
            for _ in range(size // chunk):
                out.write(blob(chunk))
def done(name):
    open(os.path.join(work, name, ".complete"), "w").close()
def have(name):
    return os.path.exists(os.path.join(work, name, ".complete"))
if not have("small"):
    small_tree(os.path.join(work, "small"), 1500, 30000); done("small")
if not have("large"):
    big(os.path.join(work, "large"), 4, 160 << 20, "large"); done("large")
if not have("mixed"):
    root = os.path.join(work, "mixed")
    small_tree(os.path.join(root, "docs"), 500, 10000)
    os.makedirs(os.path.join(root, "media"), exist_ok=True)
    for i in range(20):
        with open(os.path.join(root, "media", "clip%02d.bin" % i), "wb") as out:
            out.write(blob(rng.randint(1, 10) << 20))
    big(os.path.join(root, "video"), 2, 160 << 20, "movie"); done("mixed")
EOF
}

echo "Generating corpora in $WORK ..." >&2
generate

# Bytes of file data and entries of a corpus (the marker excluded).
corpus_bytes() { find "$1" -type f ! -name .complete -printf '%s\n' | awk '{s+=$1} END {print s}'; }
corpus_entries() { find "$1" -mindepth 1 ! -name .complete | wc -l; }

OUT="$WORK/out"
run_tool() {  # tool corpus-dir -> command line
  local tool=$1 dir=$2
  case "$tool" in
    sorvane) echo "$CLI make-iso -o $OUT --cache-mb $CACHE_MB $dir" ;;
    xorriso) echo "xorriso -as mkisofs -quiet -J -o $OUT $dir" ;;
    genisoimage) echo "genisoimage -quiet -J -o $OUT $dir" ;;
    tar) echo "tar -cf $OUT -C $dir ." ;;
  esac
}

TOOLS="sorvane xorriso genisoimage tar"
RESULTS="$WORK/results.txt"
: > "$RESULTS"

for corpus in small large mixed; do
  dir="$WORK/$corpus"
  # The marker would be one more entry for every tool alike; move it aside.
  mv "$dir/.complete" "$WORK/.$corpus.complete"
  # Warm the cache (through a pipe: tar skips reading when its archive is /dev/null).
  if [ "$DROP" = 0 ]; then tar -cf - -C "$dir" . | cat > /dev/null; fi
  for run in $(seq 1 "$RUNS"); do
    for tool in $TOOLS; do
      rm -f "$OUT"; sync
      if [ "$DROP" = 1 ]; then echo 3 > /proc/sys/vm/drop_caches; fi
      cmd=$(run_tool "$tool" "$dir")
      # Elapsed seconds and peak resident set size (KiB).
      if ! /usr/bin/time -f '%e %M' -o "$WORK/time.txt" $cmd > /dev/null 2> "$WORK/tool.err"; then
        echo "$tool failed on $corpus:" >&2; tail -n 5 "$WORK/tool.err" >&2
      fi
      echo "$corpus $tool $run $(tail -n 1 "$WORK/time.txt")" >> "$RESULTS"
    done
  done
  rm -f "$OUT"
  mv "$WORK/.$corpus.complete" "$dir/.complete"
  echo "$corpus $(corpus_bytes "$dir") $(corpus_entries "$dir")" >> "$WORK/corpora.txt"
done

python3 - "$RESULTS" "$WORK/corpora.txt" "$CACHE_MB" "$DROP" "$RUNS" <<'EOF'
import statistics, sys
results, corpora, cache_mb, drop, runs = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4] == "1", sys.argv[5]
sizes = {}
for line in open(corpora):
    name, size, entries = line.split()
    sizes[name] = (int(size), int(entries))
times, rss = {}, {}
for line in open(results):
    parts = line.split()
    if len(parts) < 5:
        continue
    corpus, tool, _, elapsed, peak = parts[:5]
    times.setdefault((corpus, tool), []).append(float(elapsed))
    rss.setdefault((corpus, tool), []).append(int(peak))
tools = ["sorvane", "xorriso", "genisoimage", "tar"]
print("caches: %s; %s runs per tool; sorvane cache %d MiB" % ("dropped before every run" if drop else "warm", runs, cache_mb))
print("%-7s %-12s %9s %7s %9s %12s %8s %8s" % ("corpus", "tool", "median s", "min s", "MB/s", "peak RSS", "vs ours", "min vs"))
for corpus in ["small", "large", "mixed"]:
    size, entries = sizes[corpus]
    ours = statistics.median(times[(corpus, "sorvane")])
    oursMin = min(times[(corpus, "sorvane")])
    for tool in tools:
        t = statistics.median(times[(corpus, tool)])
        m = min(times[(corpus, tool)])
        print("%-7s %-12s %9.2f %7.2f %9.1f %8.1f MiB %7.2fx %7.2fx" % (corpus, tool, t, m, size / 1048576 / t,
              max(rss[(corpus, tool)]) / 1024, t / ours, m / oursMin))
    budget = cache_mb + 64 + entries / 1024
    peers = min(statistics.median(times[(corpus, t)]) for t in ("xorriso", "genisoimage"))
    tar = statistics.median(times[(corpus, "tar")])
    ours_rss = max(rss[(corpus, "sorvane")]) / 1024
    print("        %d entries, %.0f MiB: fastest peer / ours %.2fx (goal >= 1.0, aim 1.2); ours / tar %.2fx (goal <= 1.3); "
          "peak %.0f of %.0f MiB allowed" % (entries, size / 1048576, peers / ours, ours / tar, ours_rss, budget))
EOF
