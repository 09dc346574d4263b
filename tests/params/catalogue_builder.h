// Catalogue file texts for the params tests, line by line with CR LF ends.
#pragma once

#include <string>
#include <string_view>

#include "params/catalogue_loader.h"
#include "params/param_catalogue.h"
#include "text/strformat.h"

namespace zt::test {

class CatalogueBuilder {
 public:
  CatalogueBuilder& Line(std::string_view line) {
    text_.append(line);
    text_.append("\r\n");
    return *this;
  }
  CatalogueBuilder& Section(std::string_view name) { return Line("[" + std::string(name) + "]"); }
  CatalogueBuilder& Entry(std::string_view key, std::string_view value) {
    return Line(std::string(key) + "=" + std::string(value));
  }
  // [group] count=n
  CatalogueBuilder& Groups(int n) { return Section("group").Entry("count", std::to_string(n)); }
  // [groupI] name, count and, when given, chn and dtu_run_type.
  CatalogueBuilder& Group(int i, std::string_view name, int count, int chn = -1,
                          std::string_view run_type = {}) {
    Section(Format("group%d", i)).Entry("name", name).Entry("count", std::to_string(count));
    if (chn != -1) Entry("chn", std::to_string(chn));
    if (!run_type.empty()) Entry("dtu_run_type", run_type);
    return *this;
  }
  // [groupG_parmN] with code, type, name and short_name; more keys follow with Entry.
  CatalogueBuilder& Param(int g, int n, std::string_view code, std::string_view type = "ASCSTR",
                          std::string_view name = {}, std::string_view short_name = {}) {
    Section(Format("group%d_parm%d", g, n)).Entry("code", code).Entry("type", type);
    Entry("name", name.empty() ? Format("p%d_%d", g, n) : std::string(name));
    Entry("short_name", short_name.empty() ? Format("K%dX%d", g, n) : std::string(short_name));
    return *this;
  }
  // One group of `count` plain ASCSTR parameters with S3 codes.
  CatalogueBuilder& PlainGroup(int g, std::string_view name, int count) {
    Group(g, name, count);
    for (int n = 1; n <= count; ++n) Param(g, n, Format("0x%04x", g * 256 + n));
    return *this;
  }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

inline CatalogueLoadResult LoadText(std::string_view text, CParamCatalogue& into,
                                    FileVariant variant = FileVariant::kS3) {
  return LoadCatalogueText(text, variant, into);
}

}  // namespace zt::test
