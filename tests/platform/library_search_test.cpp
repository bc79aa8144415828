// SPDX-License-Identifier: MIT
// Copyright (c) 2026 The Frivo developers
#include "platform/library_search.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace frivo {
namespace {

TEST(LibrarySearch, OnlyAbsoluteEntriesSurvive) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"/usr/lib/gst:/opt/gst", "/usr/lib/gst:/opt/gst"},
      {"", ""},
      {":", ""},
      {"/a::/b", "/a:/b"},
      {".:plugins:/a", "/a"},
      {"/a:", "/a"},
      {"~/gst", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(KeepAbsoluteSearchEntries(QByteArray(c.in)), QByteArray(c.out)) << c.in;
}

TEST(LibrarySearch, HardeningRewritesOrRemovesTheVariables) {
  setenv("GST_PLUGIN_PATH", ".:/opt/gst:", 1);
  setenv("GST_PLUGIN_SYSTEM_PATH_1_0", "plugins", 1);
  unsetenv("GST_PLUGIN_PATH_1_0");
  HardenLibrarySearch();
  EXPECT_STREQ(std::getenv("GST_PLUGIN_PATH"), "/opt/gst");
  EXPECT_EQ(std::getenv("GST_PLUGIN_SYSTEM_PATH_1_0"), nullptr);
  EXPECT_EQ(std::getenv("GST_PLUGIN_PATH_1_0"), nullptr);
  unsetenv("GST_PLUGIN_PATH");
}

}  // namespace
}  // namespace frivo
