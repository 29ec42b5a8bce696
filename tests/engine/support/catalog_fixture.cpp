#include "catalog_fixture.h"

#include <cstring>

#include "core/text.h"
#include "html/html_builder.h"

void CatalogTest::SetUp() {
  EngineTest::SetUp();
  html_reset();
  ZunoRecord &r = engine().rec;
  copy_field(r.OutputPath, path("out"), "");
  copy_field(r.HtmlOut, "html_1", "");
  copy_field(r.ExecPath, program_dir(), "");
  copy_field(r.IniPath, program_dir(), "");
  strcpy(r.BgColor, "#FFFFFF");
  strcpy(r.TextColor, "#000000");
  strcpy(r.LinkColor, "#0000FF");
  strcpy(r.ALinkColor, "#FF0000");
  strcpy(r.VLinkColor, "#800080");
  r.WindowSize = 1000;
  r.FrameSizeRatio = 700;
  r.IndexRatio = 10;
  r.CntlRatio = 10;
  r.CpuPriority = 100;
  mkdir("out/html_1");
}

void CatalogTest::TearDown() {
  html_reset();
  EngineTest::TearDown();
}
