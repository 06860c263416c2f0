# The README's commands. Each one first makes sure the machine has every package it needs.
BUILD ?= build
TYPE ?= Release
JOBS ?= $(shell nproc)

.PHONY: deps configure build run test package bench fuzz format clean

deps:
	@scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(TYPE) -DQUILMO_BENCH=OFF

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/quilmo-editor

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The .deb lands in this folder, for `sudo apt install ./quilmo-editor_*.deb`.
package: build
	cd $(BUILD) && cpack
	cp $(BUILD)/quilmo-editor_*.deb .

bench:
	@scripts/install-deps --bench
	cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DQUILMO_BENCH=ON
	cmake --build $(BUILD)-bench -j $(JOBS)
	@for b in $(BUILD)-bench/bench/bench_*; do [ -f "$$b" ] && [ -x "$$b" ] || continue; echo "== $$b"; "$$b"; done

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(BUILD)-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILMO_FUZZ=ON
	cmake --build $(BUILD)-fuzz -j $(JOBS) --target fuzz_targets

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(BUILD)-bench $(BUILD)-fuzz
