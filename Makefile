# The two commands for a new user: `make demo` and `make test`.
# Both install what is missing first (Debian 12, as root, with apt-get).

PACKAGES := cmake make g++ libgtest-dev python3 clang-tidy \
            libpng-dev pkg-config python3-serial python3-matplotlib python3-mypy pyflakes3 tmux picocom \
            gcc-arm-none-eabi binutils-arm-none-eabi libnewlib-arm-none-eabi libstdc++-arm-none-eabi-newlib \
            qemu-system-arm gdb-multiarch ccache

.PHONY: demo test lint deps host release target image bench mutants clean

deps:
	@missing=""; \
	for p in $(PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  echo "installing:$$missing"; \
	  if [ "$$(id -u)" -ne 0 ]; then echo "not root: install these packages first:$$missing" >&2; exit 1; fi; \
	  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi

target: deps
	cmake --preset target
	cmake --build --preset target

host: deps
	cmake --preset host
	cmake --build --preset host

release: deps
	cmake --preset release
	cmake --build --preset release

image: target

# The sanitized host build runs every test (the image checks and QEMU among
# them); the release build runs the operator journeys again, optimised, with
# the long ones.
test: target host release
	ctest --preset host
	ctest --preset release

# clang-tidy over the sources as the host build compiles them; a file that
# passed before, unchanged, is not checked again. CI runs it after `make test`.
lint: host
	ctest --preset lint

# The demo journey (power-on to the report) from its scenario file, its
# screenshots in build/demo, then a short run with a hard fault forced into
# the firmware; only the simulator is built, optimised (the sanitized build
# is for the tests).
demo: deps
	cmake --preset release
	cmake --build build/release --target tiltmon-sim -j2
	@./build/release/tools/simulator/tiltmon-sim --scenario scenarios/demo.scenario \
	    --out build/demo --contact-sheet build/demo/contact-sheet.png
	@echo
	@echo "== a hard fault in the running firmware: its report on the console line"
	@./build/release/tools/simulator/tiltmon-sim --seconds 1 --fault-at 800

bench: target release
	cmake --build build/release --target image_budget
	cmake --build build/release --target sim_speed_report
	cmake --build build/release --target full_sector_report
	cmake --build build/release --target idle_day_report
	cmake --build build/release --target companion_report
	cmake --build build/release --target graph_step_report

# The mutation run: one-line faults written into a copy of the firmware under
# build/mutants, one at a time, each against the fast tests of the firmware.
# Options through ARGS, e.g. make mutants ARGS="--files src/ --seed 2";
# make mutants ARGS=--help lists them.
mutants: deps
	@/usr/bin/python3 tests/mutants/mutants.py $(ARGS)

clean:
	rm -rf build
