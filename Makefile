# Two entry points: `make run` starts the daemon on the simulated board,
# `make test` builds with the sanitizers and runs every test.  Both first
# install whatever Debian packages the build needs.

PACKAGES := cmake ninja-build g++ python3 libboost-dev libloki-dev \
            libgtest-dev libgmock-dev libbenchmark-dev iproute2
# Optional tools some tests use when present (cross-checks, captures).
TEST_PACKAGES := erlang-base erlang-asn1 rsyslog socat dumpasn1 openssl

JOBS   ?= $(shell nproc)
BUILD  := build
TBUILD := build-test
PORT   ?= 20001

.PHONY: all run test build build-test bench deps test-deps configure clean

all: build

deps:
	@./cmake/install-packages $(PACKAGES)

test-deps: deps
	@./cmake/install-packages --optional $(TEST_PACKAGES)

# Configuring every time is cheap and picks up areas added since the last run.
# Both builds carry the simulated board: `make run` starts on it, and the tests
# and benchmarks drive it.
configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHALVOX_BENCH=ON \
	      -DHALVOX_BOARD_SIM=ON >/dev/null

build: configure
	cmake --build $(BUILD) -j $(JOBS)

build-test: test-deps
	@cmake -S . -B $(TBUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHALVOX_SANITIZE=ON -DHALVOX_WERROR=ON \
	      -DHALVOX_BOARD_SIM=ON -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" >/dev/null
	cmake --build $(TBUILD) -j $(JOBS)

test: build-test
	cd $(TBUILD) && ctest --output-on-failure --timeout 900 -j $(JOBS)

# The daemon alone: the tests and benchmarks are left for `make build`.
run: configure
	cmake --build $(BUILD) --target halvoxd -j $(JOBS)
	HALVOXD_BOARD=sim $(BUILD)/daemon/halvoxd --port $(PORT)

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

clean:
	rm -rf $(BUILD) $(TBUILD)
