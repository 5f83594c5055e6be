// Real engine tables for the library's tests, made in a fresh directory.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "EngineLib.h"
#include "TempDir.h"

namespace vxtest {

struct FieldSpec {
  FieldSpec(std::string name, std::uint16_t type, std::uint16_t size = 0, std::string picture = {})
      : Name(std::move(name)), Type(type), Size(size), Picture(std::move(picture)) {}
  std::string Name;
  std::uint16_t Type;
  std::uint16_t Size;
  std::string Picture;  // a validity check with this picture when not empty
};

// Creates the table Name (with its extension) in Dir.
inline void MakeTable(const std::string& Dir, const std::string& Name, const std::vector<FieldSpec>& Fields,
                      const std::vector<std::vector<std::uint16_t>>& Indexes = {}) {
  fw::TEngineLib& e = fw::Engine();
  hOrvexDb db = 0;
  ASSERT_EQ(e.OpenDatabase(Dir.c_str(), nullptr, &db), ORVEX_OK);
  OrvexTableDesc t{};
  std::strncpy(t.name, Name.c_str(), sizeof t.name - 1);
  std::vector<OrvexFieldDesc> f(Fields.size());
  std::vector<OrvexVchkDesc> v;
  for (std::size_t i = 0; i < Fields.size(); ++i) {
    f[i] = OrvexFieldDesc{};
    f[i].fieldNo = static_cast<std::uint16_t>(i + 1);
    std::strncpy(f[i].name, Fields[i].Name.c_str(), sizeof f[i].name - 1);
    f[i].type = Fields[i].Type;
    f[i].size = Fields[i].Size;
    if (!Fields[i].Picture.empty()) {
      OrvexVchkDesc c{};
      c.fieldNo = f[i].fieldNo;
      std::strncpy(c.picture, Fields[i].Picture.c_str(), sizeof c.picture - 1);
      v.push_back(c);
    }
  }
  std::vector<OrvexIndexDesc> x(Indexes.size());
  for (std::size_t i = 0; i < Indexes.size(); ++i) {
    x[i] = OrvexIndexDesc{};
    if (i == 0) {
      x[i].primary = 1;
      x[i].unique = 1;
    } else {
      std::snprintf(x[i].name, sizeof x[i].name, "Index%zu", i);
    }
    x[i].fieldCount = static_cast<std::uint16_t>(Indexes[i].size());
    for (std::size_t k = 0; k < Indexes[i].size(); ++k) x[i].fields[k] = Indexes[i][k];
  }
  OrvexResult r = e.CreateTable(db, &t, static_cast<std::uint16_t>(f.size()), f.data(),
                                static_cast<std::uint16_t>(x.size()), x.empty() ? nullptr : x.data(),
                                static_cast<std::uint16_t>(v.size()), v.empty() ? nullptr : v.data(), 1);
  e.CloseDatabase(&db);
  ASSERT_EQ(r, ORVEX_OK) << e.ErrorText(r);
}

}  // namespace vxtest
