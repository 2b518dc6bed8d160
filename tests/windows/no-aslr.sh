#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# no-aslr.sh COMMAND [ARG...]: runs the command without address randomisation (see
# CMakeLists.txt), or as it is where the system refuses that (a seccomp filter may).
if setarch -R true 2>/dev/null; then
    exec setarch -R "$@"
fi
echo "no-aslr.sh: address randomisation stays on; wine may now and then fail to start" >&2
exec "$@"
