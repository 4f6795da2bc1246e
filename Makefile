# The two commands of the README: `make run` and `make test`.
BUILD   ?= build
JOBS    ?= $(shell nproc)
PACKAGES = cmake g++ pkg-config googletest libgtest-dev libgmock-dev libbenchmark-dev libpugixml-dev \
           libmad0-dev libvorbisidec-dev libmpcdec-dev libgsm1-dev libasound2-dev libsdl2-dev \
           libfreetype-dev libfontconfig-dev fonts-dejavu-core fonts-dejavu-extra libjpeg-dev libgif-dev libpng-dev \
           espeak-ng sox librsvg2-bin xvfb xauth mpg123 musepack-tools locales-all \
           pulseaudio pulseaudio-utils libasound2-plugins pipewire pipewire-pulse wireplumber dbus \
           desktop-file-utils dpkg-dev fakeroot file libcap2-bin python3 xdotool x11-xkb-utils x11-utils stress-ng
WERROR  := $(if $(CI),ON,OFF)

.PHONY: run test build deps clean bench install uninstall deb

run: build
	@./tools/run-device.sh $(BUILD)

test: build
	cd $(BUILD) && CHIMELY_VIDEO=headless CHIMELY_AUDIO=null ctest --output-on-failure -j$(JOBS) --timeout 300

build: deps
	cmake -S . -B $(BUILD) -DCHIMELY_WERROR=$(WERROR)
	cmake --build $(BUILD) -j$(JOBS)

# Installs for this machine's desktop (see the README): PREFIX, DESTDIR and AUTOSTARTDIR are honoured.
PREFIX ?= /usr/local
install: build
	DESTDIR="$(DESTDIR)" AUTOSTARTDIR="$(AUTOSTARTDIR)" cmake --install $(BUILD) --prefix $(PREFIX)

# Removes what the last `make install` of $(BUILD) put there; users' own roots stay.
uninstall:
	@DESTDIR="$(DESTDIR)" sh install/uninstall.sh "$(BUILD)/install_manifest.txt"

# A Debian package of the same layout, in $(BUILD).
deb: build
	cd $(BUILD) && cpack -G DEB

# Release build of its own; runs every benchmark of bench/ and prints their figures, one per line.
BENCH_BUILD ?= build-release
bench: deps
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BENCH_BUILD) -j$(JOBS) --target $$(sed -n 's/^add_executable(\(bench_[A-Za-z0-9_]*\).*/\1/p' bench/CMakeLists.txt)
	@for b in $(BENCH_BUILD)/bench/bench_*; do \
	    [ -f "$$b" ] && [ -x "$$b" ] || continue; \
	    echo "== $$(basename $$b)"; \
	    CHIMELY_VIDEO=headless CHIMELY_AUDIO=null "$$b" || echo "$$(basename $$b) failed"; \
	done
	@echo "== speech"; bash bench/speech/run.sh $(BENCH_BUILD) || echo "speech failed"

# Installs only the Debian packages that are missing; needs no privileges when none is.
deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	    sudo=$$( [ "$$(id -u)" = 0 ] || echo sudo ); \
	    echo "Installing missing packages:" $$missing; \
	    $$sudo apt-get update -q && DEBIAN_FRONTEND=noninteractive $$sudo apt-get install -y -q $$missing; \
	fi

clean:
	rm -rf $(BUILD)
