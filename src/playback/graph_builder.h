// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#pragma once

// Stateless routines that build and tear down the playback graph. Each returns a
// result code, never throws and never shows a message. Slots passed by pointer
// belong to the caller; a routine that fills one clears it right before the call
// that fills it, so a failure leaves it empty. UI thread only.

#include <QString>

#include "playback/interfaces.h"
#include "playback/playback_graph.h"

namespace frivo {

// Keeps the slot's graph when it holds one (S_OK); otherwise makes a new graph.
HRESULT CreateFilterGraph(ComPtr<IGraphBuilder>* graph);

// Our renderer (frames into a widget inside the owner panel) added as "VMR7" /
// "VMR9"; both names give the same renderer. The slot is filled only when empty.
HRESULT AddVideoRendererVmr7(ComPtr<IBaseFilter>* renderer, IGraphBuilder* graph);
HRESULT AddVideoRendererVmr9(ComPtr<IBaseFilter>* renderer, IGraphBuilder* graph);

// The sample grabber added as "Sample Grabber".
HRESULT AddSampleGrabber(ComPtr<IBaseFilter>* grabberFilter, IGraphBuilder* graph);
HRESULT AddSampleGrabberWithInterface(ComPtr<IBaseFilter>* grabberFilter,
                                      ComPtr<ISampleGrabber>* grabber, IGraphBuilder* graph);

// Finds a registered element whose long name equals `friendlyName` ignoring
// letter case, best rank first, and makes one. S_FALSE (slot untouched) for an
// unknown category, E_FAIL when no name matches.
HRESULT CreateFilterByFriendlyName(ComPtr<IBaseFilter>* filter, const GUID& category,
                                   const QString& friendlyName);

// The first pin of `filter` with the direction that is not linked.
HRESULT FindUnconnectedPin(IBaseFilter* filter, PIN_DIRECTION direction, ComPtr<IPin>* pin);
// Links an output pin to the first free input pin of `destination`.
HRESULT ConnectPinToFilter(IGraphBuilder* graph, IPin* output, IBaseFilter* destination);
// Links the first free output pin of `source` to the first free input of `destination`.
HRESULT ConnectFilters(IGraphBuilder* graph, IBaseFilter* source, IBaseFilter* destination);
// Runs the pump SetOpenWaitPump installed; false when it asks to give the open up.
bool PumpOpenWait();

// 0 stopped, 1 paused, 2 running (no wait); 0 for no graph.
[[nodiscard]] OAFilterState GetGraphState(IGraphBuilder* graph);
// Stops the graph and unlinks every pin of every filter; the filters stay.
void DisconnectAll(IGraphBuilder* graph);

}  // namespace frivo
