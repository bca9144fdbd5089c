# Set-up and everyday commands. `make test` and `make run` work on a bare Debian 12 machine:
# they install whatever of the stack is missing, then configure and build.

BUILD    ?= build
# The package is built apart from the development build: release flags, no tests.
PKGBUILD ?= $(BUILD)/package
JOBS     ?= $(shell nproc)
# libfontconfig-dev: the dialog asks fontconfig which Chinese face it prefers in zh-CN, a
# question the toolkit only answers for the process's own language.
# libavformat-dev and pkg-config: media/ reads a file's length and streams with FFmpeg's own
# library, found through its pkg-config files.
# weston and qt6-wayland: a test converts through the window as a native Wayland client, under
# weston's headless compositor.
# qt6-translations-l10n: the toolkit's own texts (message box, file dialog) in Chinese.
# dbus-daemon: the tests of the desktop's services run private buses of their own.
PACKAGES := cmake g++ make pkg-config qt6-base-dev qt6-qpa-plugins libboost-thread-dev googletest \
            libgtest-dev libfontconfig-dev libavformat-dev ffmpeg mencoder fonts-wqy-microhei \
            xvfb xauth dpkg-dev file lintian desktop-file-utils appstream man-db \
            weston qt6-wayland qt6-translations-l10n dbus-daemon
SUDO     := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build test run bench install package clean test-debian13

all: build

# Installs the Debian packages named in $(1) that are missing.
define install_missing
	@missing=""; \
	for p in $(1); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -qq && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi
endef

deps:
	$(call install_missing,$(PACKAGES))

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build package
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen TARVEX_PACKAGE_REQUIRED=1 \
	  ctest --output-on-failure -j $(JOBS)

# The parsers of what encoders and files hand the program, fuzzed by libFuzzer in a clang build
# of their own: each target for FUZZ_SECONDS, from its seeds in fuzz/corpus/ and what earlier runs
# found (kept in the build folder). An input that breaks a target lands in
# $(FUZZ_BUILD)/findings/; once mended, it goes into fuzz/corpus/ under a name that says what it
# holds, where ctest replays it in every build. Inputs up to 8 KiB, so lines can outgrow the
# progress parser's limit.
# clang and libclang-rt-dev are Debian's defaults: clang 14 and libclang-rt-14-dev (libFuzzer's
# runtime) on Debian 12, clang 19 and libclang-rt-19-dev on Debian 13.
FUZZ_PACKAGES := clang libclang-rt-dev
FUZZ_BUILD    ?= build-fuzz
FUZZ_SECONDS  ?= 60
FUZZ_TARGETS  := progress_parser utf8_decoder command_line media_answer
.PHONY: fuzz
fuzz:
	$(call install_missing,$(PACKAGES) $(FUZZ_PACKAGES))
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTARVEX_SANITIZE=fuzzer
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(addprefix fuzz_,$(FUZZ_TARGETS))
	@failed=""; for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$t $(FUZZ_BUILD)/findings/$$t; \
	  echo "== fuzz_$$t for $(FUZZ_SECONDS) s"; \
	  $(FUZZ_BUILD)/fuzz/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -max_len=8192 -print_final_stats=1 \
	    -artifact_prefix=$(FUZZ_BUILD)/findings/$$t/ $(FUZZ_BUILD)/corpus/$$t fuzz/corpus/$$t \
	    2> $(FUZZ_BUILD)/fuzz_$$t.log || failed="$$failed $$t"; \
	  grep -E '^#[0-9]+[[:space:]]+DONE|^stat::number_of_executed_units|^==[0-9]+==ERROR|broken:' $(FUZZ_BUILD)/fuzz_$$t.log; \
	done; \
	if [ -n "$$failed" ]; then echo "Findings in:$$failed (see $(FUZZ_BUILD)/findings/ and fuzz_*.log)"; exit 1; fi

# The tests labelled tsan, built and run under ThreadSanitizer in a build folder of their own.
# The first report ends the test that made it, and fails the run.
TSAN_BUILD ?= build-tsan
.PHONY: tsan
tsan: deps
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVEX_SANITIZE=thread
	cmake --build $(TSAN_BUILD) -j $(JOBS)
	cd $(TSAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1 suppressions=$(CURDIR)/tests/tsan.supp" \
	  ctest -L tsan --no-tests=error --output-on-failure -j $(JOBS)

# Only the program: a user who wants to convert waits for nothing else.
run: configure
	cmake --build $(BUILD) -j $(JOBS) --target tarvex
	./$(BUILD)/app/tarvex

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && { echo "== $$(basename $$b)"; "$$b"; }; done

install: build
	cmake --install $(BUILD)

# Debian's hardening flags, as its own packages are built with; the .deb lands in $(BUILD)/.
package: export DEB_BUILD_MAINT_OPTIONS := hardening=+all
package: deps
	cmake -S . -B $(PKGBUILD) -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
	  -DCMAKE_INSTALL_PREFIX=/usr \
	  -DCMAKE_CXX_FLAGS="$$(dpkg-buildflags --get CPPFLAGS) $$(dpkg-buildflags --get CXXFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)"
	cmake --build $(PKGBUILD) -j $(JOBS)
	cd $(PKGBUILD) && cpack -G DEB
	mkdir -p $(BUILD) && cp $(PKGBUILD)/tarvex_*.deb $(BUILD)/

clean:
	rm -rf $(BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)

# The suite on Debian 13, in a minbase chroot of it (kept in /var/cache/tarvex-chroot and
# reused); the log, the tests' log and its .deb land in $(BUILD)/trixie/.
CHROOT_PACKAGES := debootstrap git util-linux
test-debian13:
	$(call install_missing,$(CHROOT_PACKAGES))
	packaging/test-in-chroot.sh trixie test
