// Cairo's text keeps fontconfig's caches for the life of the process. Test programs that
// draw text with cairo include this header once: the caches are let go after the last
// test, so that the leak checker sees only what the tests themselves leave.
#pragma once

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

namespace orv::test {

class TCairoStaticData : public testing::Environment {
public:
  void TearDown() override {
    cairo_debug_reset_static_data();
    FcFini();
  }
};

inline testing::Environment* const kCairoStaticData = testing::AddGlobalTestEnvironment(new TCairoStaticData);

}  // namespace orv::test
