# The commands of the README. Each installs the Debian packages the build
# needs if any are missing, configures and builds.
#   make run    the release build, then the program against the practice site on 127.0.0.1:8480
#               (and over HTTPS on 8443)
#   make test   the test build (AddressSanitizer and UndefinedBehaviorSanitizer), then every test
#   make build  the release build only: build/quorrel with its data files beside it
#   make install   the release build, installed under PREFIX (default /usr/local; DESTDIR is honoured)
#   make uninstall removes what make install put in place (as listed in build/install_manifest.txt)
#   make deb    the release build as a Debian package: quorrel_VERSION_amd64.deb here

PACKAGES := cmake make g++ pkg-config libboost-regex-dev libcurl4-openssl-dev libcpp-httplib-dev \
            zlib1g-dev openssl ca-certificates \
            libwxgtk3.2-dev libgtk-3-dev xvfb xauth libgtest-dev clang libclang-rt-14-dev libfaketime \
            dpkg-dev file gzip desktop-file-utils appstream lintian x11-utils \
            libx11-dev libxtst-dev openbox imagemagick \
            dbus-daemon libglib2.0-bin python3-dbusmock libnotify4 dunst
JOBS := $(shell nproc 2>/dev/null || echo 2)
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

PREFIX ?= /usr/local

.PHONY: run test build install uninstall deb deps clean

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	fi

test: deps
	cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DQUORREL_SANITIZE=ON
	cmake --build build-test -j $(JOBS)
	cd build-test && ctest --output-on-failure -j $(JOBS)

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQUORREL_TESTS=OFF
	cmake --build build -j $(JOBS)

# Installing asks for root (through sudo) only when the prefix is not the
# user's to write.
install: build
	@if [ -n "$(DESTDIR)" ] || { mkdir -p "$(PREFIX)" 2>/dev/null && [ -w "$(PREFIX)" ]; }; then \
	  DESTDIR="$(DESTDIR)" cmake --install build --prefix "$(PREFIX)"; \
	else \
	  $(SUDO) cmake --install build --prefix "$(PREFIX)"; \
	fi

uninstall:
	@[ -f build/install_manifest.txt ] || { echo "build/install_manifest.txt: nothing was installed from build/"; exit 1; }
	@if [ -w "$$(head -n 1 build/install_manifest.txt | xargs dirname)" ]; then \
	  xargs rm -f < build/install_manifest.txt; \
	else \
	  xargs $(SUDO) rm -f < build/install_manifest.txt; \
	fi

deb: build
	rm -rf build/package
	cd build && cpack -G DEB -B package
	cp build/package/quorrel_*_amd64.deb .

# The practice site runs while the program does, and stops with it.
run: build
	@build/practice-site --port 8480 --tls-port 8443 --log build/practice-site.log & site=$$!; \
	trap 'kill $$site 2>/dev/null; wait $$site 2>/dev/null' EXIT; \
	cd build && ./quorrel

clean:
	rm -rf build build-test quorrel_*_amd64.deb
