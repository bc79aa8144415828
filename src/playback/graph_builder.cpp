// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "playback/graph_builder.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "playback/gst_filters.h"
#include "playback/gst_graph.h"

namespace frivo {

namespace {

// Which audio output new graphs get; -1 until the environment has been read.
std::atomic<int> g_audioOutput{-1};

// Adds a new filter of kind F to `graph` under `name`, filling `slot` when it is empty.
template <class F>
HRESULT AddOwnFilter(ComPtr<IBaseFilter>* slot, IGraphBuilder* graph, const QString& name) {
  if (!slot) return E_POINTER;
  gst::EnsureInitialized();
  ComPtr<IGraphBuilder> own(graph);
  if (const HRESULT hr = CreateFilterGraph(&own); FAILED(hr)) return hr;
  if (!*slot) *slot = ComPtr<IBaseFilter>::Attach(new F);
  return own->AddFilter(slot->Get(), name);
}

// Whether a factory belongs to a registry category; false for an unknown category.
bool InCategory(GstElementFactory* factory, const GUID& category) {
  if (category == CLSID_LegacyAmFilterCategory) return true;
  const char* klass = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS);
  if (!klass || !std::strstr(klass, "Decoder")) return false;
  if (category == CLSID_VideoDecoderCategory) return std::strstr(klass, "Video") != nullptr;
  if (category == CLSID_AudioDecoderCategory) return std::strstr(klass, "Audio") != nullptr;
  return false;
}

[[nodiscard]] bool KnownCategory(const GUID& category) {
  return category == CLSID_LegacyAmFilterCategory || category == CLSID_VideoDecoderCategory ||
         category == CLSID_AudioDecoderCategory;
}

}  // namespace

HRESULT CreateFilterGraph(ComPtr<IGraphBuilder>* graph) {
  if (!graph) return E_POINTER;
  if (*graph) return S_OK;
  *graph = ComPtr<IGraphBuilder>::Attach(gst::NewFilterGraph());
  return *graph ? S_OK : E_OUTOFMEMORY;
}

HRESULT AddVideoRendererVmr7(ComPtr<IBaseFilter>* renderer, IGraphBuilder* graph) {
  return AddOwnFilter<gst::RendererFilter>(renderer, graph, QStringLiteral("VMR7"));
}

HRESULT AddVideoRendererVmr9(ComPtr<IBaseFilter>* renderer, IGraphBuilder* graph) {
  return AddOwnFilter<gst::RendererFilter>(renderer, graph, QStringLiteral("VMR9"));
}

HRESULT AddSampleGrabber(ComPtr<IBaseFilter>* grabberFilter, IGraphBuilder* graph) {
  return AddOwnFilter<gst::GrabberFilter>(grabberFilter, graph, QStringLiteral("Sample Grabber"));
}

HRESULT AddSampleGrabberWithInterface(ComPtr<IBaseFilter>* grabberFilter,
                                      ComPtr<ISampleGrabber>* grabber, IGraphBuilder* graph) {
  if (!grabber) return E_POINTER;
  const HRESULT hr = AddSampleGrabber(grabberFilter, graph);
  if (FAILED(hr)) return hr;
  return QueryInterface<ISampleGrabber>(grabberFilter->Get(), grabber);
}

HRESULT CreateFilterByFriendlyName(ComPtr<IBaseFilter>* filter, const GUID& category,
                                   const QString& friendlyName) {
  if (!filter) return E_POINTER;
  if (!KnownCategory(category)) return S_FALSE;
  gst::EnsureInitialized();
  // Best rank first; among equal ranks the registry's (name) order.
  gst::FeatureListPtr factories(
      gst_registry_get_feature_list(gst_registry_get(), GST_TYPE_ELEMENT_FACTORY));
  GList* sorted = g_list_sort(factories.release(), gst_plugin_feature_rank_compare_func);
  factories.reset(sorted);
  const QString wanted = friendlyName.toUpper();
  for (GList* item = sorted; item; item = item->next) {
    auto* factory = GST_ELEMENT_FACTORY(item->data);
    if (!InCategory(factory, category)) continue;
    const char* longName = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_LONGNAME);
    if (!longName || QString::fromUtf8(longName).toUpper() != wanted) continue;
    GstElement* element = gst_element_factory_create(factory, nullptr);
    if (!element) {
      filter->Reset();
      return E_FAIL;
    }
    gst_object_ref_sink(element);
    *filter = ComPtr<IBaseFilter>::Attach(new gst::ElementFilter(gst::ElementPtr(element)));
    return S_OK;
  }
  return E_FAIL;
}

HRESULT FindUnconnectedPin(IBaseFilter* filter, PIN_DIRECTION direction, ComPtr<IPin>* pin) {
  if (!pin) return E_POINTER;
  pin->Reset();
  if (!filter) return E_POINTER;
  std::vector<ComPtr<IPin>> pins;
  if (const HRESULT hr = filter->EnumPins(&pins); FAILED(hr)) return hr;
  for (const ComPtr<IPin>& candidate : pins) {
    PIN_DIRECTION dir = PINDIR_INPUT;
    if (FAILED(candidate->QueryDirection(&dir)) || dir != direction) continue;
    IPin* peer = nullptr;
    if (FAILED(candidate->ConnectedTo(&peer))) {
      *pin = candidate;
      return S_OK;
    }
    if (peer) peer->Release();
  }
  return E_FAIL;
}

HRESULT ConnectPinToFilter(IGraphBuilder* graph, IPin* output, IBaseFilter* destination) {
  if (!graph || !output || !destination) return E_POINTER;
  PIN_DIRECTION dir = PINDIR_INPUT;
  if (const HRESULT hr = output->QueryDirection(&dir); FAILED(hr)) return hr;
  if (dir != PINDIR_OUTPUT) return E_FAIL;
  ComPtr<IPin> input;
  if (const HRESULT hr = FindUnconnectedPin(destination, PINDIR_INPUT, &input); FAILED(hr))
    return hr;
  return graph->Connect(output, input.Get());
}

HRESULT ConnectFilters(IGraphBuilder* graph, IBaseFilter* source, IBaseFilter* destination) {
  if (!graph || !source || !destination) return E_POINTER;
  ComPtr<IPin> output;
  if (const HRESULT hr = FindUnconnectedPin(source, PINDIR_OUTPUT, &output); FAILED(hr)) return hr;
  return ConnectPinToFilter(graph, output.Get(), destination);
}

OAFilterState GetGraphState(IGraphBuilder* graph) {
  OAFilterState state = State_Stopped;
  if (!graph) return state;
  ComPtr<IMediaControl> control;
  if (SUCCEEDED(QueryInterface<IMediaControl>(graph, &control))) (void)control->GetState(0, &state);
  return state;
}

void DisconnectAll(IGraphBuilder* graph) {
  if (!graph) return;
  ComPtr<IMediaControl> control;
  if (SUCCEEDED(QueryInterface<IMediaControl>(graph, &control))) (void)control->Stop();
  std::vector<ComPtr<IBaseFilter>> filters;
  if (FAILED(graph->EnumFilters(&filters))) return;
  for (const ComPtr<IBaseFilter>& filter : filters) {
    std::vector<ComPtr<IPin>> pins;
    if (FAILED(filter->EnumPins(&pins))) continue;
    for (const ComPtr<IPin>& pin : pins) (void)pin->Disconnect();
  }
}

namespace {
std::function<bool()>& OpenWaitPump() {
  static std::function<bool()> pump;  // UI thread only
  return pump;
}
}  // namespace

void SetOpenWaitPump(std::function<bool()> pump) {
  OpenWaitPump() = std::move(pump);
}

bool PumpOpenWait() {
  const std::function<bool()>& pump = OpenWaitPump();
  return !pump || pump();
}

void SetAudioOutput(AudioOutput output) {
  g_audioOutput = static_cast<int>(output);
}

AudioOutput CurrentAudioOutput() {
  int value = g_audioOutput.load();
  if (value < 0) {
    const char* env = std::getenv("FRIVO_AUDIO_OUTPUT");
    value = static_cast<int>(env && std::strcmp(env, "silent") == 0 ? AudioOutput::kSilent
                                                                    : AudioOutput::kSystem);
    int expected = -1;
    g_audioOutput.compare_exchange_strong(expected, value);
    value = g_audioOutput.load();
  }
  return static_cast<AudioOutput>(value);
}

}  // namespace frivo
