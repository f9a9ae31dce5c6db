# The two set-up commands: `make run` and `make test`. Everything else is
# reachable from them.
BUILD ?= build
ASAN_BUILD ?= $(BUILD)/asan
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
ifdef CI
CMAKE_FLAGS += -DBRIVANE_WERROR=ON
endif

.PHONY: deps build test test-unit test-asan run clean fuzz

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

test: build test-asan
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

run: build
	@bash scripts/run-sample $(BUILD)

clean:
	rm -rf $(BUILD)
