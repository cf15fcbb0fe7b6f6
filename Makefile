# Front door. `make test` and `make demo` install what is missing first.
JOBS ?= $(shell nproc)
NATIVE := build/native
ASAN := build/asan
WINDOWS := build/windows
BENCHDIR := build/bench
RELEASE := build/release
WEB := build/web
WEB_BUILD := build/web-build
WEB_SCALAR := build/web-scalar
WEB_PORT ?= 8020
# Debian's emscripten finds its JavaScript helpers only through NODE_PATH.
EMENV := env -u CMAKE_CXX_COMPILER_LAUNCHER -u CMAKE_C_COMPILER_LAUNCHER NODE_PATH=/usr/share/nodejs

.PHONY: deps build native asan windows release test test-native test-asan test-wine test-release check-reproducible bench demo clean bench32 web web-demo test-web bench-web live live-demo

deps:
	@scripts/install-deps

native: deps
	@cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(NATIVE) -j $(JOBS)

# Only what the sanitizer run tests.
asan: deps
	@cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DVELUNE_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN) -j $(JOBS) --target velune_unit_tests velune_render_tests velune_live_tests

# The Windows build is the release build too (scripts/build-release): the
# tests run the very DLL that ships, and nothing is compiled twice.
windows: deps
	@scripts/build-release $(WINDOWS) "" $(JOBS)

build: native asan windows

test-native: native
	@cd $(NATIVE) && ctest --output-on-failure -j $(JOBS)

test-asan: asan
	@cd $(ASAN) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

# The Wine entries (one per area of tests/wine) mostly wait on paced frames,
# so more of them run at once than there are cores. A test that fails is run
# once more on its own (scripts/wine-gtest); the lines after the run name
# every test that needed it.
# WINE_SELECT picks entries by ctest's options, e.g. "-L alone".
WINE_JOBS ?= 4
WINE_SELECT ?=
test-wine: windows
	@scripts/check-dll $(WINDOWS)/release/vis_velune.dll
	@cd $(WINDOWS) && ctest --output-on-failure -j $(WINE_JOBS) $(WINE_SELECT); rc=$$?; \
	  grep -h '^RETRIED\|^FAILED TWICE' Testing/Temporary/LastTest.log; \
	  ../../scripts/wine-stop $$(dirname $$PWD/wineprefix*/system.reg); exit $$rc

# What a user downloads: stripped DLL and its debug file, readme, wallpaper, zip, installer.
release: deps
	@scripts/build-release $(WINDOWS) $(RELEASE) $(JOBS)

test-release: release

# Two clones of this commit at different paths must give the same bytes.
check-reproducible: deps
	@scripts/check-reproducible $(JOBS)

# The browser build: build/web holds index.html, velune.js and velune.wasm.
web: deps
	@$(EMENV) emcmake cmake -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@$(EMENV) cmake --build $(WEB_BUILD) -j $(JOBS) --target velune -- --no-print-directory
	@mkdir -p $(WEB) && cp $(WEB_BUILD)/index.html $(WEB_BUILD)/velune.js $(WEB_BUILD)/velune.wasm $(WEB)/

web-demo: web
	@echo "Velune in the browser: http://localhost:$(WEB_PORT)/  (Ctrl+C stops the server)"
	@python3 -m http.server $(WEB_PORT) --bind 127.0.0.1 --directory $(WEB)

# The pixel kernels' shared tests under Node, then the page in headless Chromium
# against velune-render's PNGs.
test-web: web native
	@$(EMENV) cmake --build $(WEB_BUILD) -j $(JOBS) --target velune_pixel_tests -- --no-print-directory
	@node --no-experimental-fetch $(WEB_BUILD)/velune_pixel_tests.js
	@python3 tests/web/run_web_tests.py $(WEB) $(NATIVE)/tools/render/velune-render

# Engine frame time in Chromium (simd128 and scalar builds) against native.
bench-web: web native
	@$(EMENV) emcmake cmake -S . -B $(WEB_SCALAR)-build -DCMAKE_BUILD_TYPE=Release -DVELUNE_SIMD128=OFF >/dev/null
	@$(EMENV) cmake --build $(WEB_SCALAR)-build -j $(JOBS) --target velune -- --no-print-directory
	@mkdir -p $(WEB_SCALAR) && cp $(WEB_SCALAR)-build/index.html $(WEB_SCALAR)-build/velune.js $(WEB_SCALAR)-build/velune.wasm $(WEB_SCALAR)/
	@cmake --build $(NATIVE) -j $(JOBS) --target velune_web_bench_native
	@python3 bench/web/compare_frame_time.py $(WEB) $(WEB_SCALAR) $(NATIVE)/velune_web_bench_native

# The Wine tests start as soon as the Windows build is done, and the other
# parts build and run beside them at a lower priority (scripts/test-suite).
test: deps
	@scripts/test-suite $(JOBS)

bench: deps
	@cmake -S . -B $(BENCHDIR) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BENCHDIR) -j $(JOBS) --target velune_bench velune_render_bench
	@$(BENCHDIR)/velune_bench $(BENCH_ARGS)
	@$(BENCHDIR)/tools/render/velune_render_bench $(BENCH_ARGS)

# The 32-bit bench under Wine: BENCH32_ARGS picks sections
# (displacement, compose, generation, scene); all by default.
bench32: windows
	@cmake --build $(WINDOWS) -j $(JOBS) --target velune_bench32
	@VELUNE_WINEPREFIX=$$PWD/$(WINDOWS)/wineprefix scripts/wine-run $(WINDOWS)/velune_bench32.exe $(BENCH32_ARGS); \
	  rc=$$?; VELUNE_WINEPREFIX=$$PWD/$(WINDOWS)/wineprefix scripts/wine-stop; exit $$rc

demo: windows
	@scripts/demo

# velune-live: the engine in a desktop window, moved by what the desktop plays.
live: deps
	@cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(NATIVE) -j $(JOBS) --target velune-live

live-demo: live
	@scripts/live-demo $(NATIVE) $(LIVE_ARGS)

clean:
	rm -rf build
