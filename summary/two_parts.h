#pragma once
// Running two parts of a build step at once. Reading a big search keeps two
// cores busy; the steps after it (the claims of the numbered hits, the keys
// the grouping compares) ran on one while the other was idle. Such a step
// splits its work into two parts that write disjoint memory and read only
// what neither part writes, so running them together gives exactly what
// running them one after the other gives.
#include <cstddef>
#include <functional>

/// Runs `first` on a second thread and `second` on this one, and returns
/// when both are done; without a second thread (none could be started) it
/// runs `first`, then `second`, here. Neither may throw.
void qv_runInTwoParts(const std::function<void()>& first, const std::function<void()>& second);
