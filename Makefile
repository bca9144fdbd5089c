# Set-up and everyday commands. `make test` and `make run` work on a bare Debian 12 machine:
# they install whatever of the stack is missing, then configure and build.

BUILD    ?= build
JOBS     ?= $(shell nproc)
PACKAGES := cmake g++ make qt6-base-dev qt6-qpa-plugins libboost-thread-dev googletest \
            libgtest-dev ffmpeg mencoder fonts-wqy-microhei xvfb xauth
SUDO     := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build test run bench install clean

all: build

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -qq && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

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

run: build
	./$(BUILD)/app/tarvex

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && { echo "== $$(basename $$b)"; "$$b"; }; done

install: build
	cmake --install $(BUILD)

clean:
	rm -rf $(BUILD) $(TSAN_BUILD)
