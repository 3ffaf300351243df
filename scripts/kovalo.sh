#!/usr/bin/env bash
# Sets up, builds and runs Kovalo on Debian 12 as root.
#   scripts/kovalo.sh run     install what is missing, build, start the program
#   scripts/kovalo.sh test    install what is missing, build, run the threaded tests
#                             under ThreadSanitizer, every test under Address- and
#                             UndefinedBehaviorSanitizer, then every test
#   scripts/kovalo.sh bench   install what is missing, build, run the benchmarks
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
packages=(g++ cmake ninja-build pkg-config qt6-base-dev libcurl4-openssl-dev libcpp-httplib-dev
          libgtest-dev libgmock-dev libbenchmark-dev)

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
    for t in "${tsan_tests[@]}"; do
      echo "== $(basename "$t") under ThreadSanitizer"
      TSAN_OPTIONS="halt_on_error=1 exitcode=66" QT_QPA_PLATFORM=offscreen "$tsan_build/tests/$t"
    done
    asan_suite
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
    ;;
  bench)
    install_missing
    configure_and_build
    for b in "$build"/bench/*/kovalo_*_bench; do
      echo "== $(basename "$b")"
      QT_QPA_PLATFORM=offscreen "$b"
    done
    ;;
  *)
    echo "usage: $0 run|test|bench" >&2
    exit 2
    ;;
esac
