# Front door. `make test` and `make demo` install what is missing first.
JOBS ?= $(shell nproc)
NATIVE := build/native
ASAN := build/asan
WINDOWS := build/windows
BENCHDIR := build/bench
RELEASE := build/release
RELEASE_BUILD := build/release-build

.PHONY: deps build native asan windows release test test-native test-asan test-wine test-release check-reproducible bench demo clean bench32

deps:
	@scripts/install-deps

native: deps
	@cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(NATIVE) -j $(JOBS)

asan: deps
	@cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DVELUNE_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN) -j $(JOBS)

windows: deps
	@cmake -S . -B $(WINDOWS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(WINDOWS) -j $(JOBS)

build: native asan windows

test-native: native
	@cd $(NATIVE) && ctest --output-on-failure

test-asan: asan
	@cd $(ASAN) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure

# Wine's GL can rarely deadlock a presenting process; such a run is tried once more.
test-wine: windows
	@scripts/check-dll $(WINDOWS)/release/vis_velune.dll
	@cd $(WINDOWS) && ctest --output-on-failure --repeat until-pass:2; rc=$$?; VELUNE_WINEPREFIX=$$PWD/wineprefix ../../scripts/wine-stop; exit $$rc

# What a user downloads: stripped DLL and its debug file, readme, wallpaper, zip, installer.
release: deps
	@scripts/build-release $(RELEASE_BUILD) $(RELEASE) $(JOBS)

test-release: release

# Two clones of this commit at different paths must give the same bytes.
check-reproducible: deps
	@scripts/check-reproducible $(JOBS)

test: test-native test-asan test-wine test-release

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

clean:
	rm -rf build
