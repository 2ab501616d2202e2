# The two set-up commands of the README:
#   make play   install what is missing, build, generate the data, start the game
#   make test   install what is missing, build every preset, run all tests
JOBS ?= $(shell nproc)

.PHONY: play test deps build build-asan build-fuzz clean

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

play: build
	@if [ -x build/game/Vantrel ]; then \
		cd build/game && exec ./Vantrel; \
	else \
		echo "The game program is not built yet: the libraries, the three tools and the data pack (in build/game) were built, but there is no game to start."; \
	fi

test: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS)
	ctest --preset default
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	ctest --preset fuzz --no-tests=ignore

clean:
	rm -rf build build-asan build-fuzz
