# The commands of the README. Each installs the Debian packages the build
# needs if any are missing, configures and builds.
#   make run    the release build, then the program against the practice site on 127.0.0.1:8480
#   make test   the test build (AddressSanitizer and UndefinedBehaviorSanitizer), then every test
#   make build  the release build only: build/quorrel with its data files beside it

PACKAGES := cmake make g++ pkg-config libboost-regex-dev libcurl4-openssl-dev libcpp-httplib-dev \
            libwxgtk3.2-dev libgtk-3-dev xvfb xauth libgtest-dev clang libclang-rt-14-dev \
            libx11-dev libxtst-dev openbox imagemagick
JOBS := $(shell nproc 2>/dev/null || echo 2)
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: run test build deps clean

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

# The practice site runs while the program does, and stops with it.
run: build
	@build/practice-site --port 8480 --log build/practice-site.log & site=$$!; \
	trap 'kill $$site 2>/dev/null; wait $$site 2>/dev/null' EXIT; \
	cd build && ./quorrel

clean:
	rm -rf build build-test
