// The one router a window host feeds: straight into the demo, or, in the
// counted programs the window tests and benchmark build (SHADOW_HOST_COUNTERS),
// through a counter that reports frames, ticks and calls at exit.
#pragma once

#include "demo/demo.h"
#include "host/event_router.h"
#ifdef SHADOW_HOST_COUNTERS
#include "tests/host/counted/counting_demo.h"
#endif

// Made on the first call, after `demo`, and so destroyed before it.
// context_current says whether an OpenGL context is current, for the counter's log.
inline auto& host_router(Demo& demo, [[maybe_unused]] bool (*context_current)()) {
#ifdef SHADOW_HOST_COUNTERS
    static CountingDemo<Demo> counted(demo, context_current);
    static EventRouter<CountingDemo<Demo>> router(counted);
#else
    static EventRouter<Demo> router(demo);
#endif
    return router;
}
