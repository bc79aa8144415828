// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

// Inside the playback layer: the graph object over a playbin pipeline.

#include "playback/interfaces.h"

namespace frivo::gst {

// A new, empty graph (one reference, owned by the caller).
[[nodiscard]] IGraphBuilder* NewFilterGraph();

}  // namespace frivo::gst
