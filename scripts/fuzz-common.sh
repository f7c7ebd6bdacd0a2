# Shared by scripts/fuzz.sh and scripts/fuzz-explore.sh (sourced, from the
# repository's top folder): builds the libFuzzer targets with clang,
# AddressSanitizer and UndefinedBehaviorSanitizer into build-fuzz/, and makes
# seed inputs from what this repository holds in build-fuzz/seeds/TARGET.
fuzz_targets=(preprocess_fuzzer archive_fuzzer jass_checker_fuzzer jass_full_check_fuzzer lsp_server_fuzzer
  map_info_fuzzer)
regression=tests/fuzz-regression

# fuzz_build [TARGET...]: the fuzz targets, the seed maps' tool and any
# targets named. With FUZZ_WITH_TESTS=1 (scripts/test.sh) the build holds the
# test programs too, so that the sanitizer suites and the fuzz targets share
# one compile of the libraries.
fuzz_build() {
  source scripts/compiler-cache.sh
  local tests=OFF
  [ "${FUZZ_WITH_TESTS:-0}" = 1 ] && tests=ON
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZARN_FUZZ=ON -DZARN_GUI=OFF -DZARN_TESTS=$tests \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
  ninja -C build-fuzz -j2 "${fuzz_targets[@]}" zarn-mkmap "$@"
}

fuzz_seeds() {
  local seeds=build-fuzz/seeds
  rm -rf "$seeds"
  for target in "${fuzz_targets[@]}"; do
    mkdir -p "$seeds/$target"
    cp "$regression/${target%_fuzzer}"/* "$seeds/$target/"
  done
  for script in examples/*.j; do
    for target in preprocess_fuzzer jass_checker_fuzzer jass_full_check_fuzzer; do
      head -c 4096 "$script" > "$seeds/$target/$(basename "$script")"
    done
  done
  # Small maps of the example's head: sector sizes 512 and 4096, with and
  # without "(attributes)".
  head -c 2048 examples/example.j > build-fuzz/seed-script.j
  build-fuzz/zarn-mkmap --sector-shift 0 "$seeds/archive_fuzzer/example-s0.w3x" build-fuzz/seed-script.j
  build-fuzz/zarn-mkmap "$seeds/archive_fuzzer/example-s3.w3x" build-fuzz/seed-script.j
  build-fuzz/zarn-mkmap --no-attributes "$seeds/archive_fuzzer/example-plain.w3x" build-fuzz/seed-script.j
}

# Options of every run of `target`; findings go beside the build, never into
# the source tree.
fuzz_options() {
  local target=$1 max_len=8192
  [ "$target" = archive_fuzzer ] && max_len=65536
  echo "-timeout=20 -max_len=$max_len -rss_limit_mb=2048 -artifact_prefix=build-fuzz/findings/$target-"
}
