#!/usr/bin/env bash
# Sets up, builds and runs Kovalo on Debian 12 as root.
#   scripts/kovalo.sh run     install what is missing, build, start the program
#   scripts/kovalo.sh test    install what is missing, build, run the threaded tests
#                             under ThreadSanitizer, then every test
#   scripts/kovalo.sh bench   install what is missing, build, run the benchmarks
#   scripts/kovalo.sh package install what is missing, build, make build/kovalo_*.deb
#   scripts/kovalo.sh fuzz [SECONDS]
#                             build the libFuzzer targets with clang, fuzz each
#                             for SECONDS (default 60)
# Running it again is harmless: packages already there are not fetched again
# and the build only redoes what changed.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build"
tsan_build="$top/build-tsan"
# The tests where threads meet: the download engine, the worker, the window's
# hand-over of the worker's steps.
tsan_targets=(kovalo_download_tests kovalo_download_helper sources_test kovalo_download_window_tests)
packages=(g++ cmake ninja-build pkg-config qt6-base-dev libcurl4-openssl-dev libcpp-httplib-dev
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
    # First the threaded tests under ThreadSanitizer (any report fails the
    # run), then every test, so that CTest's summary closes the output.
    if [ ! -f "$tsan_build/build.ninja" ]; then
      cmake -S "$top" -B "$tsan_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DKOVALO_TSAN=ON -DKOVALO_BENCH=OFF
    fi
    cmake --build "$tsan_build" -j "$(nproc)" --target "${tsan_targets[@]}"
    for t in download/kovalo_download_tests sources/sources_test app/kovalo_download_window_tests; do
      echo "== $(basename "$t") under ThreadSanitizer"
      TSAN_OPTIONS="halt_on_error=1 exitcode=66" QT_QPA_PLATFORM=offscreen "$tsan_build/tests/$t"
    done
    run_fuzz_targets 20
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
  *)
    echo "usage: $0 run|test|bench|package|fuzz [SECONDS]" >&2
    exit 2
    ;;
esac
