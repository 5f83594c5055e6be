// The engine's language drivers: a fixed table of ours. A table records the
// one it was made with, which decides how its case-insensitive indexes fold
// letters.
#pragma once
#include <cstdint>
#include <span>
#include <string_view>

#include "Handles.h"
#include "Values.h"

namespace orvex {

struct LangDriver {
  const char* name;  // symbolic, at most 20 characters
  const char* description;
  std::uint16_t family;  // code-page family
  CaseRule rule;
};

std::span<const LangDriver> LangDrivers();
// By symbolic name, without regard to case; "" gives the first, the
// engine's own. nullptr for a name the table lacks.
const LangDriver* FindLangDriver(std::string_view name);

// An open list of language drivers (814): before the first, on one, or past the last.
class LdList : public Object {
public:
  LdList() : Object(Kind::LdList) {}
  long pos = -1;
};

// Entries 798, 813, 814, 815, 818 and 819.
OrvexResult OpenLdList(OrvexHandle* list);
OrvexResult NextLd(OrvexHandle list);
OrvexResult GetLdSymbolicName(OrvexHandle list, char* text);
OrvexResult GetLdDescription(OrvexHandle list, char* text);
OrvexResult GetLdFamily(OrvexHandle list, std::uint16_t* family);
OrvexResult CloseLdList(OrvexHandle* list);

}  // namespace orvex
