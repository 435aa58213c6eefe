"""What the benchmark scripts share: building a source tree for them, and waiting with a
bound."""

import os
import subprocess
import time


def build(source, folder, targets):
    """Configures `source` in `folder` (optimised, no tests) and builds `targets`. A folder
    configured before keeps its own choices: turning a test build's tests off would leave its
    old test programs for ctest to run."""
    configure = ["cmake", "-S", source, "-B", folder]
    if not os.path.exists(os.path.join(folder, "CMakeCache.txt")):
        configure += ["-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DORTE_BUILD_TESTS=OFF"]
    subprocess.run(configure, check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", folder, "--target", *targets], check=True,
                   stdout=subprocess.DEVNULL)


def wait_for(condition, seconds):
    """Whether `condition` came true within `seconds`, looking every 50 ms."""
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.05)
    return True


def stop(procs):
    """Stops the run's processes, the last started first, by their handles."""
    for p in reversed(procs):
        p.terminate()
        try:
            p.wait(5)
        except subprocess.TimeoutExpired:
            p.kill()
