# Shared by the update comparisons (sourced, not run): timing, ratios and the
# test data, kept under the bench build folder so later runs reuse it.

program="$NIMBRAL_BENCH_BUILD/bin/bench_update"
data="$NIMBRAL_BENCH_BUILD/data"
quick="${NIMBRAL_BENCH_QUICK:-0}"
runs=3
mkdir -p "$data"

# Size in MB: the first argument, else the environment variable named $1, else
# the full or the quick default.
size_mb() {  # VAR FULL QUICK [ARG]
  local var=$1 full=$2 small=$3 arg=${4:-}
  if [ -n "$arg" ]; then echo "$arg"
  elif [ -n "${!var:-}" ]; then echo "${!var}"
  elif [ "$quick" = 1 ]; then echo "$small"
  else echo "$full"; fi
}

now_ns() { date +%s%N; }

# Seconds of one run of a command; its output is dropped, a failure stops the script.
time_once() {
  local start end
  start=$(now_ns)
  "$@" >/dev/null 2>&1 || { echo "bench: failed: $*" >&2; exit 1; }
  end=$(now_ns)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f\n", (b - a) / 1e9 }'
}

min_of() { printf '%s\n' "$@" | sort -g | head -n 1; }

print_ratio() {  # NAME OURS ANCHOR
  awk -v n="$1" -v o="$2" -v a="$3" 'BEGIN { printf "RATIO %s %.3f\n", n, o / a }'
}

# A folder of mixed files of about MB megabytes: incompressible bytes, text,
# and program code, in files of 0.5 to 5 MB within a few sub-folders.
make_mixed_tree() {  # DIR MB
  local dir=$1 mb=$2
  [ -f "$dir/.complete" ] && return 0
  rm -rf "$dir"; mkdir -p "$dir"
  python3 - "$dir" "$mb" <<'PY'
import base64, glob, os, random, sys
root, total = sys.argv[1], int(sys.argv[2]) * 1024 * 1024
rng = random.Random(42)
code = b"".join(open(p, "rb").read() for p in sorted(glob.glob("/usr/bin/*"))[:200] if os.path.isfile(p))
written, i = 0, 0
while written < total:
    size = min(rng.randint(512 * 1024, 5 * 1024 * 1024), total - written)
    kind = i % 3
    if kind == 0:
        body = rng.randbytes(size)
    elif kind == 1:
        body = base64.encodebytes(rng.randbytes(size * 3 // 4 + 3))[:size]
    else:
        start = rng.randrange(0, max(1, len(code) - size))
        body = (code[start:start + size] * (size // max(1, len(code)) + 1))[:size]
    sub = os.path.join(root, "dir%d" % (i % 7), "sub%d" % (i % 3))
    os.makedirs(sub, exist_ok=True)
    with open(os.path.join(sub, "file%04d.bin" % i), "wb") as f:
        f.write(body)
    written += size
    i += 1
PY
  touch "$dir/.complete"
}
