# Wraps the CMake build: `make` builds, `make demo` shows the tool at work,
# `make test` runs the tests, also built with AddressSanitizer and
# UndefinedBehaviorSanitizer, `make bench` the benchmarks, `make windows` and
# `make test-windows` the Windows program and its tests under Wine, `make
# test-arm64` the tests built for arm64 and run under QEMU.
BUILD := build
SANITIZED := build-sanitized
FUZZ := build-fuzz
FUZZ_SECONDS ?= 60
# WERROR=ON makes compiler warnings errors (CI sets it).
WERROR ?= OFF

.PHONY: all demo test install deb lint-deb fuzz bench bench-large clean

all: $(BUILD)/build.ninja
	cmake --build $(BUILD)

$(BUILD)/build.ninja:
	scripts/install-dependencies
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DAVIAVG_WERROR=$(WERROR)

demo: all
	mkdir -p $(BUILD)/demo
	$(BUILD)/make_demo_clip $(BUILD)/demo/street.avi
	cd $(BUILD)/demo && ../aviavg street.avi
	@echo
	@echo "The clip: $(BUILD)/demo/street.avi (a ball crosses a street)"
	@echo "The averaged bitmap, without the ball: $(BUILD)/demo/streetS.bmp"

$(SANITIZED)/build.ninja: $(BUILD)/build.ninja
	cmake -S . -B $(SANITIZED) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DAVIAVG_SANITIZE=ON -DAVIAVG_WERROR=$(WERROR)

test: all $(SANITIZED)/build.ninja
	cmake --build $(SANITIZED)
	ctest --test-dir $(BUILD) --output-on-failure
	ctest --test-dir $(SANITIZED) --output-on-failure

# Builds the fuzz target with clang, libFuzzer and the sanitizers, and runs it
# for FUZZ_SECONDS from the committed corpus and freshly made seeds (a valid
# file of every kind the tests make); inputs that crash, hang or take too
# much memory are written to build-fuzz/findings/.
fuzz:
	scripts/install-dependencies fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DAVIAVG_FUZZ=ON -DBUILD_TESTING=OFF
	cmake --build $(FUZZ) --target avi_fuzzer make_seed_corpus
	mkdir -p $(FUZZ)/corpus $(FUZZ)/findings
	$(FUZZ)/tests/fuzz/make_seed_corpus $(FUZZ)/seeds
	$(FUZZ)/tests/fuzz/avi_fuzzer -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=3072 \
		-malloc_limit_mb=1024 -artifact_prefix=$(FUZZ)/findings/ $(FUZZ)/corpus tests/fuzz/corpus $(FUZZ)/seeds

# Installs aviavg and its manual page under PREFIX (default /usr/local).
PREFIX ?= /usr/local
install: all
	cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package, dist/aviavg_VERSION_amd64.deb, from a Release build of
# its own with Debian's hardening flags; `make lint-deb` also checks it with
# lintian, which fails on errors. scripts/check-deb-in-chroot installs,
# runs and removes it on a bare Debian 12.
DEB_BUILD := build-deb
DIST := dist
deb: export DEB_BUILD_MAINT_OPTIONS := hardening=+all
deb:
	scripts/install-dependencies deb
	cmake -S . -B $(DEB_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
		-DCMAKE_CXX_FLAGS="$$(dpkg-buildflags --get CPPFLAGS) $$(dpkg-buildflags --get CXXFLAGS)" \
		-DCMAKE_EXE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)" \
		-DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON -DAVIAVG_WERROR=$(WERROR)
	cmake --build $(DEB_BUILD) --target aviavg
	rm -f $(DIST)/aviavg_*.deb
	cd $(DEB_BUILD) && cpack -D CPACK_OUTPUT_FILE_PREFIX=$(CURDIR)/$(DIST)
	@echo "The package: $$(ls $(DIST)/aviavg_*.deb)"

lint-deb: deb
	scripts/install-dependencies lint-deb
	lintian --fail-on error --info $(DIST)/aviavg_*.deb

# Makes the benchmark clips (once), then times aviavg against ffmpeg and an
# OpenCV script, and the per-frame kernels against memcpy.
bench: all
	scripts/install-dependencies bench
	cmake -S . -B $(BUILD)
	cmake --build $(BUILD) --target aviavg kernels_bench average_with_workers
	bench/make-corpus $(BUILD)/corpus
	$(BUILD)/bench/kernels_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	/usr/bin/python3 bench/run $(BUILD) $(BUILD)/corpus 3

# Writes a video of over 4 GiB (OpenDML) and one of a day at 60 frames a
# second (an index of 5,184,000 entries) once, and checks their averages.
bench-large: all
	$(BUILD)/bench/large_file $(BUILD)
	/usr/bin/time -f 'a day at 60 fps: %e s, peak %M KB' $(BUILD)/bench/large_file $(BUILD) 5184000 2 2

# aviavg.exe for 64-bit Windows, cross-built with mingw-w64 and linked
# statically (one file, no DLLs), and the ZIP for Windows users. FFmpeg for
# Windows is built once from Debian's source package and kept in
# ~/.cache/aviavg/ (scripts/build-ffmpeg-windows).
WINDOWS := build-windows
WINDOWS_TESTS := build-windows-tests
VERSION := $(shell sed -n 's/^project.aviavg VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
WINDOWS_ZIP := dist/aviavg-$(VERSION)-windows-x86_64.zip
MINGW := -G Ninja -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
	-DAVIAVG_WERROR=$(WERROR)

.PHONY: windows test-windows

# Configures a Windows build tree DIR against the FFmpeg build KIND; a tree
# configured against another FFmpeg build is configured afresh, since CMake
# keeps what pkg-config found. $(call configure-windows,DIR,KIND,OPTIONS)
define configure-windows
	prefix="$$(scripts/build-ffmpeg-windows $(2))" && \
	{ grep -qsx "AVIAVG_FFMPEG_PREFIX:[A-Z]*=$$prefix" $(1)/CMakeCache.txt || rm -rf $(1)/CMakeCache.txt $(1)/CMakeFiles; } && \
	cmake -S . -B $(1) $(MINGW) $(3) -DAVIAVG_FFMPEG_PREFIX="$$prefix"
endef

windows:
	scripts/install-dependencies windows
	$(call configure-windows,$(WINDOWS),program,-DBUILD_TESTING=OFF)
	cmake --build $(WINDOWS) --target aviavg
	scripts/check-windows-imports $(WINDOWS)/aviavg.exe
	scripts/package-windows $(WINDOWS)/aviavg.exe $(VERSION) "$$(scripts/build-ffmpeg-windows source)" $(WINDOWS_ZIP)
	@echo "$(WINDOWS_ZIP)"

# The test suite cross-built (with an FFmpeg that also has the encoders the
# tests write clips with) and run under Wine, the command-line tests against
# aviavg.exe, its bitmap of the demo clip against the Linux build's, what it
# shows in a console, and the ZIP's aviavg.exe's version and manifest.
test-windows: windows all
	$(call configure-windows,$(WINDOWS_TESTS),tests,)
	cmake --build $(WINDOWS_TESTS) --target aviavg_tests
	scripts/test-windows $(WINDOWS) $(WINDOWS_TESTS) $(BUILD) $(WINDOWS_ZIP)

# The program and its tests cross-built for arm64 and run under QEMU, in a
# Debian 13 chroot of its own (needs root), the demo clip's bitmap compared
# with the x86-64 build's (scripts/check-arm64).
.PHONY: test-arm64
test-arm64: all
	scripts/check-arm64 $(BUILD) -DAVIAVG_WERROR=$(WERROR)

clean:
	rm -rf $(BUILD) $(SANITIZED) $(FUZZ) $(DEB_BUILD) $(DIST)
	rm -rf $(WINDOWS) $(WINDOWS_TESTS)
