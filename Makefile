# The two set-up commands: `make run` and `make test`. Everything else is
# reachable from them.
BUILD ?= build
ASAN_BUILD ?= $(BUILD)/asan
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
ifdef CI
CMAKE_FLAGS += -DBRIVANE_WERROR=ON
endif

.PHONY: deps build test test-unit test-asan lint run clean fuzz deb

deps:
	@bash scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# The document library again under ASan and UBSan: it reads untrusted archives.
test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBRIVANE_SANITIZE=ON \
	  -DBRIVANE_WITH_APP=OFF -DBRIVANE_WITH_READER=OFF -DBRIVANE_WITH_E2E=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ctest -L sanitize --output-on-failure -j $(JOBS)

# Formatting, clang-tidy and eslint: the habits the tools hold.
lint: build
	@bash scripts/lint $(BUILD)

test: build test-asan lint
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

run: build
	@bash scripts/run-sample $(BUILD)

# The Debian package, brivane-reader_<version>_amd64.deb, in the build directory.
deb: build
	@cd $(BUILD) && cpack -G DEB >/dev/null && ls -1 "$$PWD"/brivane-reader_*_amd64.deb

# libFuzzer targets (clang); not part of `make test`. FUZZ_SECONDS per target.
FUZZ_BUILD ?= $(BUILD)/fuzz
FUZZ_SECONDS ?= 60
fuzz: deps
	@cmake -S fuzz -B $(FUZZ_BUILD) -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@python3 fuzz/make-seeds.py $(FUZZ_BUILD)/seeds
	@for t in ConfigurationFuzzer MetadataFuzzer UnpackFuzzer; do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$t; \
	  seeds=$(FUZZ_BUILD)/seeds/$$( [ $$t = UnpackFuzzer ] && echo unpack || echo metadata); \
	  $(FUZZ_BUILD)/$$t -max_total_time=$(FUZZ_SECONDS) -max_len=65536 $(FUZZ_BUILD)/corpus/$$t $$seeds || exit 1; \
	done

clean:
	rm -rf $(BUILD)
