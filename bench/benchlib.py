"""What the benchmark scripts share: building a source tree for them, and waiting with a
bound."""

import subprocess
import time


def build(source, folder, targets):
    """Configures `source` in `folder` (optimised, no tests) and builds `targets`."""
    subprocess.run(["cmake", "-S", source, "-B", folder, "-G", "Ninja",
                    "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DORTE_BUILD_TESTS=OFF"],
                   check=True, stdout=subprocess.DEVNULL)
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
