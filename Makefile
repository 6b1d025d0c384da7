# The two commands of the README. Each installs the Debian packages the build
# needs if any are missing, configures and builds.
#   make test   the test build (AddressSanitizer and UndefinedBehaviorSanitizer), then every test
#   make build  the release build: build/ holds the program's libraries and its data files

PACKAGES := cmake make g++ pkg-config libboost-regex-dev libcurl4-openssl-dev libcpp-httplib-dev \
            libwxgtk3.2-dev xvfb xauth libgtest-dev clang libclang-rt-14-dev
JOBS := $(shell nproc 2>/dev/null || echo 2)
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: test build deps clean

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

clean:
	rm -rf build build-test
