# Two commands do all set-up on a fresh Debian 12 machine: `make run` and `make test`.
# A package build needs neither: `make BUILD_TESTING=OFF` builds the program alone (no package
# installation, no tests or benchmarks), `make install DESTDIR=… PREFIX=/usr` installs it.
BUILD ?= build
JOBS ?= $(shell nproc)
BUILD_TESTING ?= ON
PREFIX ?= /usr/local

.PHONY: all deps configure build run test bench screenshots install deb clean

all: build

# The Debian packages the build, the tests and the program need (apt-get; a no-op when all are there).
deps:
	@sh scripts/install-deps.sh

configure:
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=$(BUILD_TESTING) \
		-DCMAKE_INSTALL_PREFIX=$(PREFIX) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Everything below sets itself up: the packages first, then a build with the tests.
run: deps
	@$(MAKE) --no-print-directory build BUILD_TESTING=ON
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
		echo "vorlan 需要图形显示 (no DISPLAY or WAYLAND_DISPLAY): start it with  xvfb-run -a $(BUILD)/vorlan  or run make run on a desktop."; \
	else \
		./$(BUILD)/vorlan; \
	fi

test: deps
	@$(MAKE) --no-print-directory build BUILD_TESTING=ON
	@sh scripts/check-format.sh
	@sh scripts/run-tests.sh $(BUILD)

# The benchmarks on the local file, then those of the database on a throwaway PostgreSQL server.
bench: deps
	@$(MAKE) --no-print-directory build BUILD_TESTING=ON
	@sh scripts/run-bench.sh $(BUILD)

# The Debian package build/vorlan_<version>_amd64.deb, made from the normal build.
deb: deps
	@$(MAKE) --no-print-directory build
	@cd $(BUILD) && cpack -G DEB

screenshots: deps
	@$(MAKE) --no-print-directory build BUILD_TESTING=ON
	@mkdir -p docs/screenshots
	@QT_QPA_PLATFORM=offscreen ./$(BUILD)/vorlan_screenshots docs/screenshots

install:
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD)
