// A skip for what this machine lacks (a tool, a display, /proc): besides
// Qt Test's own line, the one marker line cmake/run-test looks for, so the
// run counts as skipped whatever the reason says. A skip by design (a test
// for another system) stays a plain QSKIP.
#pragma once

#include <QtTest>

#include <cstdio>

#define SKIP_LACKING(reason)                                                                                 \
    do {                                                                                                     \
        std::fputs("PICTOVANE-SKIP\n", stdout);                                                              \
        QSKIP(reason);                                                                                       \
    } while (false)
