#!/usr/bin/env bash
# Sets up, builds and runs Kovalo on Debian 12 as root.
#   scripts/kovalo.sh run     install what is missing, build, start the program
#   scripts/kovalo.sh test    install what is missing, build, run the static checks,
#                             the threaded tests under ThreadSanitizer, every test under
#                             Address- and UndefinedBehaviorSanitizer, each fuzz target
#                             for 20 s, then every test
#   scripts/kovalo.sh bench   install what is missing, build, run the benchmarks
#   scripts/kovalo.sh package install what is missing, build, make build/kovalo_*.deb
#   scripts/kovalo.sh fuzz [SECONDS]
#                             build the libFuzzer targets with clang, fuzz each
#                             for SECONDS (default 60)
#   scripts/kovalo.sh check   install what is missing, build, run only the static checks
#   scripts/kovalo.sh format  lay out every tracked .cpp/.h in place by .clang-format
# Running it again is harmless: packages already there are not fetched again
# and the build only redoes what changed.
#
# The four build trees are CMakePresets.json's configure presets: default
# (build/), tsan (build-tsan/), asan (build-asan/) and fuzz (build-fuzz/).
# Each has a build preset, and the first three a test preset that carries the
# tests' environment, so that any step can be run by hand, for instance
#   cmake --preset asan && cmake --build --preset asan && ctest --preset asan
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"  # where cmake and ctest find the presets
build="$top/build"
packages=(g++ cmake ninja-build pkg-config qt6-base-dev libcurl4-openssl-dev libcpp-httplib-dev libmicrohttpd-dev
          libgtest-dev libgmock-dev libbenchmark-dev)
# The install tree's test validates the desktop entry, the metainfo and the manual pages.
packages+=(desktop-file-utils appstream man-db)
# ccache lets the several build trees (plain and sanitizer builds) and fresh
# clones reuse what an earlier build compiled.
packages+=(ccache)
export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
export CCACHE_BASEDIR="$top" CCACHE_NOHASHDIR=1
# The fuzz build's compiler and its sanitizer runtimes.
fuzz_packages=(clang libclang-rt-14-dev)
# The static checks' tools.
static_check_packages=(clang-format clang-tidy)

# install_missing PACKAGE...: installs those of the packages that are not
# installed yet, with one apt-get update before, and nothing when all are.
install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
  fi
}

# The build tree of a configure preset.
preset_tree() {
  case "$1" in
    default) echo "$top/build" ;;
    *) echo "$top/build-$1" ;;
  esac
}

# configure_and_build PRESET: configures the preset's tree the first time
# (later builds configure again by themselves when a CMakeLists.txt changes),
# then builds what its build preset names.
configure_and_build() {
  if [ ! -f "$(preset_tree "$1")/build.ninja" ]; then
    cmake --preset "$1"
  fi
  cmake --build --preset "$1" -j "$(nproc)"
}

# The tests where threads meet (the label "threads": the download engine, the
# worker, the window's hand-over of the worker's steps, the program closed
# during a download, and kovalo-sites) under ThreadSanitizer, one at a time;
# any report fails the run. The queued calls through Qt, which the sanitizer
# cannot see into, are in tests/tsan.supp.
tsan_suite() {
  configure_and_build tsan
  echo "== the threaded tests under ThreadSanitizer"
  ctest --preset tsan --progress
}

# Every test once more, built with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/: any report (a leak at exit too)
# fails the test that made it, and so the run. The leaks of the toolkit's
# own libraries that LeakSanitizer sees are in tests/lsan.supp. The test
# preset sets allocator_may_return_null: the engine's test of a page buffer
# that cannot be had asks for 4 PB and must see the failure, not the
# sanitizer's end.
asan_suite() {
  configure_and_build asan
  echo "== every test under AddressSanitizer and UndefinedBehaviorSanitizer"
  ctest --preset asan --progress -j "$(nproc)"
}

# The Debian package, from the install rules; dpkg-shlibdeps (dpkg-dev) works
# out its dependencies from the programs.
build_package() {
  install_missing "${packages[@]}" dpkg-dev
  configure_and_build default
  (cd "$build" && cpack -G DEB)
  ls -l "$build"/kovalo_*.deb
}

# The libFuzzer targets (fuzz/), built with clang, the address and
# undefined-behaviour sanitizers in build-fuzz. Each runs for the given
# seconds on a scratch copy of its corpus in fuzz/corpus (new inputs stay in
# build-fuzz/scratch, the committed corpus is not touched); a crash, a failed
# check, a leak or an input that takes over 10 s fails the run.
fuzz_build=$(preset_tree fuzz)
run_fuzz_targets() {
  local seconds=${1:-60}
  configure_and_build fuzz
  local corpus name scratch options
  for corpus in "$top"/fuzz/corpus/*/; do
    name=$(basename "$corpus")
    scratch="$fuzz_build/scratch/$name"
    mkdir -p "$scratch/corpus" "$scratch/artifacts"
    cp -n "$corpus"* "$scratch/corpus/"
    options=(-max_total_time="$seconds" -timeout=10 -print_final_stats=1
             -artifact_prefix="$scratch/artifacts/")
    # Request targets longer than the longest answered only cost time.
    [ "$name" = site_requests ] && options+=(-max_len=2200 -len_control=0)
    if ! "$fuzz_build/fuzz/fuzz_$name" "${options[@]}" "$scratch/corpus" >"$scratch/log" 2>&1; then
      tail -n 40 "$scratch/log"
      echo "== fuzz_$name FAILED; the input is in $scratch/artifacts" >&2
      return 1
    fi
    echo "== fuzz_$name: $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$scratch/log" |
      grep -o '[0-9]*$') runs, $(grep -o 'cov: [0-9]* ft: [0-9]*' "$scratch/log" | tail -n 1)"
  done
}

# Static checks: the layout of every tracked source against .clang-format, and
# clang-tidy (.clang-tidy: bugprone, performance, concurrency) over the
# project's own sources in src/ and tools/. Any finding fails the run.
format_check() {
  echo "== clang-format"
  (cd "$top" && git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror)
}

tidy_check() {
  echo "== clang-tidy"
  # The header filter keeps findings to the project's own headers; Qt, gtest
  # and the standard library are not checked.
  local only="^$top/(src|tools)/"
  if command -v run-clang-tidy >/dev/null; then
    local status=0 log="$build/clang-tidy.log"
    run-clang-tidy -p "$build" -j 2 -quiet "$only" >"$log" 2>&1 || status=$?
    # Only the findings: not the command lines and counts of suppressed warnings.
    sed 's/\x1b\[[0-9;]*m//g' "$log" |
      grep -v -e '^clang-tidy' -e ' warnings\? generated\.$' -e '^Suppressed ' -e '^Use -header-filter' || true
    return "$status"
  fi
  python3 -c 'import json, re, sys
for entry in json.load(open(sys.argv[1])):
    if re.match(sys.argv[2], entry["file"]): print(entry["file"])' \
    "$build/compile_commands.json" "$only" | xargs -P 2 -n 1 clang-tidy -p "$build" --quiet
}

static_checks() {
  format_check
  tidy_check
}

case "${1:-}" in
  run)
    install_missing "${packages[@]}"
    configure_and_build default
    # The Saves folder is made below the working folder, the top of the tree.
    exec "$build/src/app/kovalo"
    ;;
  test)
    install_missing "${packages[@]}" "${static_check_packages[@]}" "${fuzz_packages[@]}"
    configure_and_build default
    static_checks
    # First the threaded tests under ThreadSanitizer, the fuzz targets and
    # the sanitizer suite, then every test, so that CTest's summary closes
    # the output.
    tsan_suite
    run_fuzz_targets 20
    asan_suite
    ctest --preset default -j "$(nproc)"
    ;;
  bench)
    install_missing "${packages[@]}" qqwing  # qqwing: the generation benchmark's peer
    configure_and_build default
    for b in "$build"/bench/*/kovalo_*_bench; do
      echo "== $(basename "$b")"
      QT_QPA_PLATFORM=offscreen "$b"
    done
    ;;
  package)
    build_package
    ;;
  fuzz)
    install_missing "${packages[@]}" "${fuzz_packages[@]}"
    run_fuzz_targets "${2:-60}"
    ;;
  check)
    install_missing "${packages[@]}" "${static_check_packages[@]}"
    configure_and_build default
    static_checks
    ;;
  format)
    install_missing "${static_check_packages[@]}"
    git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format -i
    ;;
  *)
    echo "usage: $0 run|test|bench|package|check|format|fuzz [SECONDS]" >&2
    exit 2
    ;;
esac
