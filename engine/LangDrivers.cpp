#include "LangDrivers.h"

#include <cstring>

#include "Errors.h"

namespace orvex {

namespace {

// Families 2 and 18 are what the desktop drivers' lists offer; the two
// drivers of one description are kept apart by their names only.
constexpr LangDriver kDrivers[] = {
    {"ORVINTL", "International (every letter folded)", 1, CaseRule::Letters},
    {"ORVASCII", "ASCII (only A to Z folded)", 1, CaseRule::Ascii},
    {"OEMWEST", "Western European (OEM)", 2, CaseRule::Letters},
    {"OEMWEST2", "Western European (OEM)", 2, CaseRule::Letters},
    {"OEMNORD", "Nordic (OEM)", 2, CaseRule::Letters},
    {"OEMUS", "US English (OEM, only A to Z folded)", 2, CaseRule::Ascii},
    {"ANSIWEST", "Western European (ANSI)", 18, CaseRule::Letters},
    {"ANSICENT", "Central European (ANSI)", 18, CaseRule::Letters},
    {"ANSIUS", "US English (ANSI, only A to Z folded)", 18, CaseRule::Ascii},
};

static_assert(sizeof "International (every letter folded)" <= ORVEX_LD_DESC_SIZE);

const LangDriver& Current(OrvexHandle list) {
  auto& l = TheHandles().Get<LdList>(list, Kind::LdList);
  if (l.pos < 0) Fail(ORVEX_ERR_BOF);
  if (l.pos >= static_cast<long>(std::size(kDrivers))) Fail(ORVEX_ERR_EOF);
  return kDrivers[l.pos];
}

char* Text(char* text) {
  if (!text) Fail(ORVEX_ERR_INVALIDPARAM, "text");
  return text;
}

}  // namespace

std::span<const LangDriver> LangDrivers() { return kDrivers; }

const LangDriver* FindLangDriver(std::string_view name) {
  if (name.empty()) return &kDrivers[0];
  for (const LangDriver& d : kDrivers)
    if (FoldedCompare(d.name, name) == 0) return &d;
  return nullptr;
}

OrvexResult OpenLdList(OrvexHandle* list) {
  return RunEntry([&] {
    if (!list) Fail(ORVEX_ERR_INVALIDPARAM, "list handle");
    *list = 0;
    *list = TheHandles().Add(std::make_unique<LdList>());
  });
}

OrvexResult NextLd(OrvexHandle list) {
  return RunEntry([&] {
    auto& l = TheHandles().Get<LdList>(list, Kind::LdList);
    long end = static_cast<long>(std::size(kDrivers));
    l.pos = l.pos < end ? l.pos + 1 : end;
    if (l.pos == end) Fail(ORVEX_ERR_EOF);
  });
}

OrvexResult GetLdSymbolicName(OrvexHandle list, char* text) {
  return RunEntry([&] { CopyText(Text(text), ORVEX_LD_NAME_SIZE, Current(list).name); });
}

OrvexResult GetLdDescription(OrvexHandle list, char* text) {
  return RunEntry([&] { CopyText(Text(text), ORVEX_LD_DESC_SIZE, Current(list).description); });
}

OrvexResult GetLdFamily(OrvexHandle list, std::uint16_t* family) {
  return RunEntry([&] {
    const LangDriver& d = Current(list);
    if (!family) Fail(ORVEX_ERR_INVALIDPARAM, "family");
    *family = d.family;
  });
}

OrvexResult CloseLdList(OrvexHandle* list) {
  return RunEntry([&] {
    if (!list) Fail(ORVEX_ERR_INVALIDPARAM, "list handle");
    TheHandles().Get<LdList>(*list, Kind::LdList);
    TheHandles().Remove(*list);
    *list = 0;
  });
}

}  // namespace orvex
