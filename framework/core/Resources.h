// Resources compiled into the program (see cmake/FwResources.cmake): form
// files, bitmaps, texts, found by name without regard to case.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace fw {

struct TResourceData {
  const unsigned char* Data = nullptr;
  std::size_t Size = 0;
};

void RegisterResource(const char* name, const unsigned char* data, std::size_t size);
// Data is nullptr when the program holds no such resource.
TResourceData FindResourceData(std::string_view name);
std::string ResourceText(std::string_view name);  // raises EResNotFound

// The numbered texts of a program's string tables: each library registers
// its own while it loads. LoadStr gives "" for a number no table holds.
void RegisterString(int Ident, const char* Text);
std::string LoadStr(int Ident);

}  // namespace fw
