# Two commands do all the set-up on a fresh Debian machine:
#   make run    builds Tavilo (Release) and starts it
#   make test   builds with AddressSanitizer + UndefinedBehaviorSanitizer and runs every test
.PHONY: run test build clean

RELEASE_DIR := build/release
TEST_DIR    := build/test
JOBS        ?= $(shell nproc)

run:
	@scripts/ensure-packages.sh run
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVILO_BUILD_TESTS=OFF -DTAVILO_BUILD_BENCH=OFF
	cmake --build $(RELEASE_DIR) -j $(JOBS)
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "No display: starting Tavilo under Xvfb for 3 seconds."; \
	  scripts/with-xvfb.sh $(RELEASE_DIR)/tavilo --screenshot build/run-screenshot.png --quit-after 3 && \
	  echo "Screenshot of the prompter panel: $(CURDIR)/build/run-screenshot.png"; \
	else \
	  $(RELEASE_DIR)/tavilo; \
	fi

test:
	@scripts/ensure-packages.sh test
	cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVILO_SANITIZE=ON
	cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ../../scripts/with-xvfb.sh ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf build
