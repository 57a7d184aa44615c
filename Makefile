# Two commands do all set-up on a fresh Debian 12 machine: `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all install configure build run test bench screenshots deb clean

all: build

install:
	@sh scripts/install-deps.sh

configure: install
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
		echo "vorlan 需要图形显示 (no DISPLAY or WAYLAND_DISPLAY): start it with  xvfb-run -a $(BUILD)/vorlan  or run make run on a desktop."; \
	else \
		./$(BUILD)/vorlan; \
	fi

test: build
	@sh scripts/check-format.sh
	@sh scripts/run-tests.sh $(BUILD)

bench: build
	@failed=0; for b in $(BUILD)/bench/bench_*; do echo "== $$b"; QT_QPA_PLATFORM=offscreen $$b || failed=1; done; \
	if [ $$failed = 1 ]; then echo "some targets were missed (see MISSED above)"; exit 1; fi

# The Debian package build/vorlan_<version>_amd64.deb, made from the normal build.
deb: build
	@cd $(BUILD) && cpack -G DEB

screenshots: build
	@mkdir -p docs/screenshots
	@QT_QPA_PLATFORM=offscreen ./$(BUILD)/vorlan_screenshots docs/screenshots

clean:
	rm -rf $(BUILD)
