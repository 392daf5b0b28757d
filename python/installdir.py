# SPDX-License-Identifier: GPL-3.0-or-later
"""Prints the directory under the prefix given where this interpreter looks
for packages: its site directories and the user's, by sysconfig and site;
the prefix's lib/pythonX.Y/site-packages when it looks in none there."""

import os
import site
import sys
import sysconfig

prefix = os.path.abspath(os.path.expanduser(sys.argv[1]))
places = site.getsitepackages() + [site.getusersitepackages()]
for place in places:
    # Directly under the prefix: /usr/local/lib/... lies under /usr, but is not /usr's.
    if os.path.relpath(os.path.abspath(place), prefix).split(os.sep)[0] in ("lib", "lib64"):
        print(place)
        break
else:
    print(sysconfig.get_path("platlib", "posix_prefix", vars={"base": prefix, "platbase": prefix}))
