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
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build"
tsan_build="$top/build-tsan"
asan_build="$top/build-asan"
# The tests where threads meet: the download engine, the worker, the window's
# hand-over of the worker's steps, the program closed during a download, and
# kovalo-sites; with the programs they start.
tsan_tests=(download/kovalo_download_tests sources/sources_test app/kovalo_download_window_tests
            app/kovalo_program_close_tests sites/service/kovalo_sites_service_tests
            sites/service/kovalo_sites_window_tests)
tsan_targets=(kovalo_download_tests kovalo_download_helper sources_test kovalo_download_window_tests
              kovalo_program_close_tests kovalo_window_helper kovalo_sites_service_tests
              kovalo_sites_window_tests kovalo-sites)
packages=(g++ cmake ninja-build pkg-config qt6-base-dev libcurl4-openssl-dev libcpp-httplib-dev libmicrohttpd-dev
          libgtest-dev libgmock-dev libbenchmark-dev)
# The install tree's test validates the desktop entry, the metainfo and the manual pages.
packages+=(desktop-file-utils appstream man-db)
# ccache lets the several build trees (plain and sanitizer builds) and fresh
# clones reuse what an earlier build compiled.
packages+=(ccache)
export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
export CCACHE_BASEDIR="$top" CCACHE_NOHASHDIR=1

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
  fi
}

# Every test once more, built with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/: any report (a leak at exit too)
# fails the test that made it, and so the run. The leaks of the toolkit's
# own libraries that LeakSanitizer sees are in tests/lsan.supp.
asan_suite() {
  if [ ! -f "$asan_build/build.ninja" ]; then
    cmake -S "$top" -B "$asan_build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKOVALO_ASAN=ON -DKOVALO_BENCH=OFF
  fi
  cmake --build "$asan_build" -j "$(nproc)"
  echo "== every test under AddressSanitizer and UndefinedBehaviorSanitizer"
  # allocator_may_return_null: the engine's test of a page buffer that cannot
  # be had asks for 4 PB and must see the failure, not the sanitizer's end.
  ASAN_OPTIONS="allocator_may_return_null=1" \
    LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS="print_stacktrace=1" \
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$asan_build" --output-on-failure --progress -j "$(nproc)"
}

configure_and_build() {
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  fi
  cmake --build "$build" -j "$(nproc)"
}

# The Debian package, from the install rules; dpkg-shlibdeps (dpkg-dev) works
# out its dependencies from the programs.
build_package() {
  packages+=(dpkg-dev)
  install_missing
  configure_and_build
  (cd "$build" && cpack -G DEB)
  ls -l "$build"/kovalo_*.deb
}

# The libFuzzer targets (fuzz/), built with clang, the address and
# undefined-behaviour sanitizers in build-fuzz. Each runs for the given
# seconds on a scratch copy of its corpus in fuzz/corpus (new inputs stay in
# build-fuzz/scratch, the committed corpus is not touched); a crash, a failed
# check, a leak or an input that takes over 10 s fails the run.
fuzz_build="$top/build-fuzz"
run_fuzz_targets() {
  local seconds=${1:-60}
  local packages=(clang libclang-rt-14-dev cmake ninja-build pkg-config qt6-base-dev
                  libcurl4-openssl-dev libcpp-httplib-dev libgtest-dev libgmock-dev)
  install_missing
  if [ ! -f "$fuzz_build/build.ninja" ]; then
    cmake -S "$top" -B "$fuzz_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_COMPILER=clang++ -DKOVALO_FUZZ=ON -DKOVALO_BENCH=OFF
  fi
  cmake --build "$fuzz_build" -j "$(nproc)" --target kovalo_fuzz
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
static_check_packages=(clang-format clang-tidy)

install_static_check_tools() {
  local missing=()
  for p in "${static_check_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
  fi
}

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
  install_static_check_tools
  format_check
  tidy_check
}

case "${1:-}" in
  run)
    install_missing
    configure_and_build
    cd "$top"  # the Saves folder is made below the working folder
    exec "$build/src/app/kovalo"
    ;;
  test)
    install_missing
    configure_and_build
    static_checks
    # First the threaded tests under ThreadSanitizer (any report fails the
    # run), then every test, so that CTest's summary closes the output.
    if [ ! -f "$tsan_build/build.ninja" ]; then
      cmake -S "$top" -B "$tsan_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DKOVALO_TSAN=ON -DKOVALO_BENCH=OFF
    fi
    cmake --build "$tsan_build" -j "$(nproc)" --target "${tsan_targets[@]}"
    for t in "${tsan_tests[@]}"; do
      echo "== $(basename "$t") under ThreadSanitizer"
      TSAN_OPTIONS="halt_on_error=1 exitcode=66" QT_QPA_PLATFORM=offscreen "$tsan_build/tests/$t"
    done
    run_fuzz_targets 20
    asan_suite
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
    ;;
  bench)
    packages+=(qqwing)  # the generation benchmark's peer
    install_missing
    configure_and_build
    for b in "$build"/bench/*/kovalo_*_bench; do
      echo "== $(basename "$b")"
      QT_QPA_PLATFORM=offscreen "$b"
    done
    ;;
  package)
    build_package
    ;;
  fuzz)
    run_fuzz_targets "${2:-60}"
    ;;
  check)
    install_missing
    configure_and_build
    static_checks
    ;;
  format)
    install_static_check_tools
    cd "$top" && git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format -i
    ;;
  *)
    echo "usage: $0 run|test|bench|package|check|format|fuzz [SECONDS]" >&2
    exit 2
    ;;
esac
