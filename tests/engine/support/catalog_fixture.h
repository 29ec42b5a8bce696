// Test ground for the catalog writers: a record set up as a run leaves it for the
// pages (output and catalog folder, program folder, colours, layout), the HTML pool
// clean before and after each test.
#pragma once

#include "engine_fixture.h"

class CatalogTest : public EngineTest {
 protected:
  void SetUp() override;
  void TearDown() override;
};
