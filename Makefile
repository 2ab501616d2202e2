# The two set-up commands of the README:
#   make play   install what is missing, build, generate the data, start the game
#   make test   install what is missing, build every preset, run all tests
JOBS ?= $(shell nproc)

.PHONY: play programs test deps build build-asan build-fuzz clean format

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

# The programs and the data pack only; `make build` and `make test` build
# every test and benchmark program as well.
# A build folder that knows the target is configured already: the build
# itself configures again when a CMakeLists.txt changes.
programs: deps
	@grep -qs '^vantrel_programs:' build/Makefile || cmake --preset default
	cmake --build --preset default -j $(JOBS) --target vantrel_programs

play: programs
	@if [ -x build/game/Vantrel ]; then \
		cd build/game && exec ./Vantrel; \
	else \
		echo "build/game/Vantrel is missing"; \
		exit 1; \
	fi

test: deps
	bash scripts/check-format.sh
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

# Lays out every source as .clang-format says (make test checks it).
format:
	git ls-files -z -- '*.c' '*.cc' '*.cpp' '*.h' '*.hpp' | xargs -0 -n 50 clang-format -i --style=file
