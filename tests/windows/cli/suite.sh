#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# The command-line suite (TST_CLI, with ORVFIELDS_CLI_EXE set) on orvfields.exe, with one
# wine server for the whole suite. Left to itself, wine 8's server ends a few seconds
# after it started while programs start side by side (the suite's concurrent writers),
# and a program that connects as it ends dies with "recvmsg: Connection reset by peer"
# before it ran: measured here, one in a few hundred rounds of such writers.
#   suite.sh TST_CLI [TEST_FUNCTION...]
source "$(dirname "$0")/../wine.sh"
wineserver -w # one left by the test before ends first: -p would find it running
wineserver -p
orv_at_exit 'wineserver -k'
"$@"
