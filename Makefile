# Reelkeep: `make run` starts the program under Wine, `make test` runs every test layer.
# Both install whatever a fresh Debian 12 machine lacks first.
.PHONY: all setup build native win installer help-pictures run layers test test-large test-native test-win test-e2e bench format clean

all: build

setup:
	@scripts/setup.sh

build: setup native win

native:
	@cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug -Wno-dev >/dev/null
	@cmake --build build/native

# A release's code-signing certificate and key, its time-stamp server and its spare keys
# (README, "Signing a release"); taken from the environment or the command line, unsigned
# when all are empty.
REELKEEP_SIGN_CERT ?=
REELKEEP_SIGN_KEY ?=
REELKEEP_TIMESTAMP_URL ?=
REELKEEP_SPARE_KEYS ?=

win:
	@cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release -Wno-dev \
	    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	    -DREELKEEP_SIGN_CERT="$(REELKEEP_SIGN_CERT)" -DREELKEEP_SIGN_KEY="$(REELKEEP_SIGN_KEY)" \
	    -DREELKEEP_TIMESTAMP_URL="$(REELKEEP_TIMESTAMP_URL)" -DREELKEEP_SPARE_KEYS="$(REELKEEP_SPARE_KEYS)" >/dev/null
	@cmake --build build/win

# build/Reelkeep-1.21-setup.exe, signed when REELKEEP_SIGN_CERT, REELKEEP_SIGN_KEY and
# REELKEEP_TIMESTAMP_URL are set
installer: setup win
	@cmake --build build/win --target installer

# Retakes the user's guide's pictures from the program into docs/help/images/.
help-pictures: setup win
	@scripts/help-pictures.sh

run: setup win
	@scripts/run.sh

# The include check comes first: it takes a second, and a wrong include fails at once.
layers:
	@scripts/check-layers.sh

test: layers build installer
	@scripts/test.sh all

# What grows with size: the fuzz target's full rounds and the e2e runs at scale.
test-large: build installer
	@scripts/test.sh large

test-native: setup native
	@scripts/test.sh native

test-win: setup win
	@scripts/test.sh win

test-e2e: setup win installer
	@scripts/test.sh e2e

bench: test-large
	@scripts/bench.sh

# Lays out every C++ source by .clang-format (Debian: clang-format).
format:
	@git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' | xargs clang-format -i

clean:
	rm -rf build/native build/win
