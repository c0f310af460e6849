# Two trees: native Linux in build/ (programs in build/bin/) and Windows x64 in build-win/
# (programs in build-win/bin/, run under Wine). Every target first installs what is missing.
SHELL := /bin/bash
.NOTPARALLEL:
.PHONY: all deps build build-native build-win test test-sanitize fuzz run package install-cups clean

all: build

deps:
	@scripts/install-deps.sh

build: build-native build-win

build-native: deps
	@scripts/build.sh native

build-win: deps
	@scripts/build.sh win

test: deps
	@scripts/run-tests.sh

# The whole native suite under the address and undefined-behaviour sanitizers, with the job
# cycles test at 10000 cycles under the leak sanitizer, then under the thread sanitizer.
test-sanitize: deps
	@scripts/run-sanitizers.sh

# Every fuzz target for FUZZ_SECONDS (default 60) each, from its starting corpus.
FUZZ_SECONDS ?= 60
fuzz: deps
	@scripts/build.sh fuzz
	@FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/run-fuzz.sh

# The main job: the built-in test document printed through the plug-in on the built-in printer,
# checked by Ghostscript.
run: build-native
	@mkdir -p out
	build/bin/zenta print --check -o out/job.prn
	@echo "The job lies in $(CURDIR)/out/job.prn (scripts/ps-check.sh out/job.prn --trace runs it again)."

# The Windows driver package: out/package/ (the INF, the plug-in configuration file, the PPD, the
# plug-in and its companion files) and out/zenta-package.zip, from the Windows tree (ZENTA_TREE
# names another one).
package: build-win
	@scripts/make-package.sh

# The CUPS filter and the CUPS PPD into a CUPS tree (/usr/lib/cups/filter, /usr/share/ppd/zenta;
# DESTDIR and PREFIX are honoured).
install-cups: build-native
	@scripts/install-cups.sh

clean: deps
	@if [[ -d build-win/wineprefix ]]; then \
	  source scripts/wine-env.sh && zenta_wine_setup build-win && zenta_wine_stop; fi
	rm -rf build build-win build-asan build-tsan
