// Expression filters on real tables, from descriptors written byte by byte:
// the layout and its refusals, what each operator gives on each kind of
// field, and reads through filters (scans both ways, keys, ranges,
// bookmarks, counts, two filters, switching them mid-scan). Where a filter
// runs inside the cursor's SQL, the same filter tested on each record's
// buffer (going to its bookmark) must give the same records.
#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <stdexcept>

#include "EngineTest.h"
#include "FilterDesc.h"

using namespace enginetest;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Ids = std::vector<std::int32_t>;

constexpr double kMsPerDay = 86400000.0;
constexpr std::int32_t Ms(int h, int m, int s, int ms = 0) { return ((h * 60 + m) * 60 + s) * 1000 + ms; }
double Stamp(std::int32_t day, std::int32_t ms) { return day * kMsPerDay + ms; }

// The filter is added and switched on; its handle, 0 when refused.
OrvexHandle AddActive(hOrvexCursor c, const Bytes& desc, OrvexResult* result = nullptr) {
  OrvexHandle h = 0;
  OrvexResult r = E().AddFilter(c, 0, 1, 0, desc.data(), nullptr, &h);
  if (result) *result = r;
  if (r != ORVEX_OK) return 0;
  EXPECT_OK(E().ActivateFilter(c, h));
  return h;
}

std::string Detail(OrvexResult r) { return E().ErrorText(r); }

// A table with a field of each kind a filter tests, and four records.
class FilterKinds : public EngineTest {
public:
  enum { ID = 1, Name, Age, Small, Word, Amount, Price, Cost, Married, Born, At, When, Notes };

  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_OK(CreateTable(db, "Kinds",
                          {{"ID", ORVEX_FT_AUTOINC}, {"Name", ORVEX_FT_STRING, 20}, {"Age", ORVEX_FT_INTEGER},
                           {"Small", ORVEX_FT_SMALLINT}, {"Word", ORVEX_FT_WORD}, {"Amount", ORVEX_FT_FLOAT},
                           {"Price", ORVEX_FT_CURRENCY}, {"Cost", ORVEX_FT_BCD, 10, 2}, {"Married", ORVEX_FT_BOOLEAN},
                           {"Born", ORVEX_FT_DATE}, {"At", ORVEX_FT_TIME}, {"When", ORVEX_FT_DATETIME},
                           {"Notes", ORVEX_FT_MEMO}},
                          {{"", {1}, true}}));
    all = std::make_unique<Cursor>(db, "Kinds");
    c = std::make_unique<Cursor>(db, "Kinds");
    ASSERT_TRUE(all->ok() && c->ok());
    Add("Ann", 30, -2, 7, 1.5, 10.25, 3.10, true, Day(1990, 5, 1), Ms(8, 30, 0), Stamp(Day(2020, 1, 1), Ms(12, 0, 0)),
        "vegan, no nuts");
    Add("bob", 45, 5, 0, -2.0, 0, 0, false, Day(1985, 12, 31), 0, Stamp(Day(2021, 6, 15), 500), "");
    Add("Émile", 0, 0, 65535, 0, 99.99, 12.50, true, Day(2000, 2, 29), Ms(23, 59, 59, 999),
        Stamp(Day(2000, 2, 29), Ms(23, 59, 59, 999)), "vegan");
    auto blank = all->NewRecord();
    ASSERT_OK(all->Append(blank));
  }

  void Add(const char* name, std::int32_t age, std::int16_t small, std::uint16_t word, double amount, double price,
           double cost, bool married, std::int32_t born, std::int32_t at, double when, const std::string& notes) {
    auto rec = all->NewRecord();
    all->PutStr(rec, Name, name);
    all->Put(rec, Age, age);
    all->Put(rec, Small, small);
    all->Put(rec, Word, word);
    all->Put(rec, Amount, amount);
    all->Put(rec, Price, price);
    std::uint8_t bcd[ORVEX_BCD_SIZE];
    ASSERT_OK(E().FloatToBcd(cost, 10, 2, bcd));
    ASSERT_OK(E().PutField(all->h, Cost, rec.data(), bcd));
    all->Put(rec, Married, static_cast<std::uint16_t>(married));
    all->Put(rec, Born, born);
    all->Put(rec, At, at);
    all->Put(rec, When, when);
    if (!notes.empty()) {
      ASSERT_OK(E().OpenBlob(all->h, rec.data(), Notes, ORVEX_BLOB_READWRITE));
      ASSERT_OK(E().PutBlob(all->h, rec.data(), Notes, 0, static_cast<std::uint32_t>(notes.size()), notes.data()));
    }
    ASSERT_OK(all->Append(rec));
    if (!notes.empty()) ASSERT_OK(E().FreeBlob(all->h, rec.data(), Notes));
  }

  struct Seen {
    Ids scan, back, marks;
    std::uint32_t count = 0;
  };
  // What the filtered cursor gives: a scan forward and one backward (the
  // records its queries fetch), its count, and the records whose bookmarks
  // it accepts (each tested on its buffer).
  Seen ReadAllWays(Cursor& f) {
    Seen s;
    s.scan = f.Ints(ID);
    auto rec = f.NewRecord();
    E().SetToEnd(f.h);
    while (f.Prior(rec) == ORVEX_OK) s.back.insert(s.back.begin(), f.Get<std::int32_t>(rec, ID));
    s.count = f.Count();
    std::uint8_t mark[ORVEX_BOOKMARK_SIZE];
    E().SetToBegin(all->h);
    auto any = all->NewRecord();
    while (all->Next(any) == ORVEX_OK) {
      EXPECT_OK(E().GetBookmark(all->h, mark));
      OrvexResult r = E().SetToBookmark(f.h, mark);
      EXPECT_TRUE(r == ORVEX_OK || r == ORVEX_ERR_NOCURRREC) << Detail(r);
      if (r != ORVEX_OK) continue;
      EXPECT_OK(f.Current(rec));
      s.marks.push_back(f.Get<std::int32_t>(rec, ID));
    }
    return s;
  }

  std::unique_ptr<Cursor> all, c;
};

// ---------------------------------------------------------------- the layout

TEST_F(FilterKinds, TheTwoExamplesOfTheLayoutFilter) {
  // 'Age > 30' as the compiler writes it, byte for byte.
  const Bytes ageOver30 = {
      1, 0, 60, 0, 3, 0, 10, 0, 52, 0,                   // header
      2, 0, 0, 0, 5, 0, 0, 0, 28, 0, 14, 0, 0, 0,        // slot 0: '>' of offsets 28 and 14
      5, 0, 0, 0, 14, 0, 0, 0, 6, 0, 4, 0, 4, 0,         // slot 1: int32 constant, 4 bytes at pool 4
      4, 0, 0, 0, 13, 0, 0, 0, 1, 0, 0, 0, 0, 0,         // slot 2: field 1, name at pool 0
      'A', 'g', 'e', 0, 30, 0, 0, 0};                    // pool
  EXPECT_EQ(WriteFilter(FGt(FField("Age"), FI32(30))), ageOver30);
  OrvexHandle h = AddActive(c->h, ageOver30);
  ASSERT_NE(h, 0u);
  EXPECT_EQ(c->Ints(ID), (Ids{2}));

  // Name = "bob" AND Age > 30: AND at the root, the fields numbered in writing order.
  Bytes both = WriteFilter(FAnd(FEq(FField("Name"), FStr("bob")), FGt(FField("Age"), FI32(30))));
  ASSERT_EQ(both[4], 7);
  auto word = [&](std::size_t at) { return static_cast<unsigned>(both[at] | both[at + 1] << 8); };
  EXPECT_EQ(word(10 + 4), static_cast<unsigned>(ORVEX_FOP_AND));
  EXPECT_EQ(word(10 + 14 * 6 + 8), 1u);  // Name: the first field written, in the last slot
  EXPECT_EQ(word(10 + 14 * 3 + 8), 2u);  // Age
  ASSERT_OK(E().DropFilter(c->h, h));
  ASSERT_NE(AddActive(c->h, both), 0u);
  EXPECT_EQ(c->Ints(ID), (Ids{2}));
  // The same with the names in another case: fields are found without regard to it.
  Cursor other(db, "Kinds");
  ASSERT_NE(AddActive(other.h, WriteFilter(FAnd(FEq(FField("nAME"), FStr("bob")), FGt(FField("AGE"), FI32(30))))), 0u);
  EXPECT_EQ(other.Ints(ID), (Ids{2}));
}

TEST_F(FilterKinds, MalformedDescriptorsAreRefusedWithTheirFault) {
  const Bytes base = WriteFilter(FGt(FField("Age"), FI32(30)));
  auto u16 = [](std::size_t at, std::uint16_t v) { return [=](Bytes& b) { PutU16(b, at, v); }; };
  auto u32 = [](std::size_t at, std::uint32_t v) { return [=](Bytes& b) { PutU32(b, at, v); }; };
  struct Case {
    const char* what;
    Bytes desc;
    std::function<void(Bytes&)> change;
    const char* detail;
  };
  std::uint8_t badBcd[ORVEX_BCD_SIZE] = {10, 2, 0xAB};
  Bytes noNulName = WriteFilter(FField("Married"));
  noNulName.pop_back();
  PutU16(noNulName, 2, static_cast<std::uint16_t>(noNulName.size()));
  const std::vector<Case> cases = {
      {"version", base, u16(0, 2), "filter version 2"},
      {"total size under the header", base, u16(2, 9), "total size 9 below the header"},
      {"total size under the literal start", base, u16(2, 51), "total size 51 below the literal start 52"},
      {"no nodes", base, u16(4, 0), "filter without nodes"},
      {"node count disagreeing", base, u16(4, 2), "literal start 52, not 38"},
      {"node start", base, u16(6, 12), "node start 12, not 10"},
      {"literal start", base, u16(8, 50), "literal start 50, not 52"},
      {"operand offset not a multiple of 14", base, u16(18, 15), "operand offset 15 not a multiple of 14"},
      {"operand offset outside the nodes", base, u16(18, 42), "operand offset 42 outside the node area"},
      {"operand before its parent", base, u16(20, 0), "operand offset 0 not after its parent"},
      {"constant past the pool", base, u16(36, 6), "node at 14: constant past the literal pool"},
      {"field name past the pool", base, u16(48, 8), "node at 28: field name past the literal pool"},
      {"field name without NUL", noNulName, nullptr, "field name without its NUL"},
      {"string without NUL", WriteFilter(FEq(FField("Name"), FStr("Ann"))),
       [](Bytes& b) { b.back() = 'x'; }, "string constant without its NUL"},
      {"unknown node class", base, u32(10, 3), "unknown node class 3"},
      {"unknown operator", base, u32(14, 9), "node at 0: unknown operator 9"},
      {"field node operator", base, u32(42, 14), "field node with operator 14"},
      {"unknown constant type", base, u16(32, 3), "unknown constant type 3"},
      {"constant size disagreeing", base, u16(34, 2), "constant of type 6 with size 2, not 4"},
      {"unknown field", WriteFilter(FGt(FField("Agee"), FI32(30))), nullptr, "no field Agee"},
      {"a field filters cannot test", WriteFilter(FEq(FField("Notes"), FStr("x"))), nullptr,
       "field Notes is of a type filters cannot test"},
      {"string against number", WriteFilter(FGt(FField("Name"), FI32(30))), nullptr,
       "operands of unrelated kinds (string and number)"},
      {"date against timestamp", WriteFilter(FEq(FField("Born"), FStamp(Stamp(Day(2000, 1, 1), 0)))), nullptr,
       "(date and timestamp)"},
      {"arithmetic on a string", WriteFilter(FEq(FAdd(FField("Name"), FI32(1)), FI32(2))), nullptr,
       "arithmetic on a string"},
      {"date out of range", WriteFilter(FEq(FField("Born"), FDate(0))), nullptr, "a date constant its type cannot hold"},
      {"time out of range", WriteFilter(FEq(FField("At"), FTime(86400000))), nullptr, "a time constant"},
      {"float not a number", WriteFilter(FEq(FField("Amount"), FF64(std::nan("")))), nullptr, "a float constant"},
      {"timestamp not a number", WriteFilter(FEq(FField("When"), FStamp(std::numeric_limits<double>::infinity()))),
       nullptr, "a timestamp constant"},
      {"malformed packed decimal", WriteFilter(FEq(FField("Cost"), FBcd(badBcd))), nullptr, "a BCD constant"},
  };
  for (const Case& k : cases) {
    Bytes d = k.desc;
    if (k.change) k.change(d);
    OrvexHandle h = 123;
    OrvexResult r = E().AddFilter(c->h, 0, 1, 0, d.data(), nullptr, &h);
    EXPECT_EQ(r, ORVEX_ERR_INVALIDDESC) << k.what;
    EXPECT_NE(Detail(r).find(k.detail), std::string::npos) << k.what << ": " << Detail(r);
    EXPECT_EQ(h, 0u) << k.what;
  }
  // Nothing of them stayed on the cursor.
  EXPECT_EQ(c->Ints(ID), (Ids{1, 2, 3, 4}));
}

TEST_F(FilterKinds, AddRefusesWhatIsNotOneFilter) {
  const Bytes d = WriteFilter(FGt(FField("Age"), FI32(30)));
  auto accept = [](std::uintptr_t, void*) -> std::uint16_t { return 1; };
  OrvexHandle h = 0, other = 0;
  EXPECT_EQ(E().AddFilter(c->h, 0, 1, 0, nullptr, nullptr, &h), ORVEX_ERR_INVALIDPARAM);
  EXPECT_EQ(E().AddFilter(c->h, 0, 1, 0, d.data(), accept, &h), ORVEX_ERR_INVALIDPARAM);
  EXPECT_EQ(E().AddFilter(c->h, 0, 1, 2, d.data(), nullptr, &h), ORVEX_ERR_INVALIDPARAM);
  EXPECT_EQ(E().AddFilter(c->h, 0, 1, 0, d.data(), nullptr, nullptr), ORVEX_ERR_INVALIDPARAM);
  hOrvexCursor list = 0;
  ASSERT_OK(E().OpenTableList(db, &list));
  EXPECT_EQ(E().AddFilter(list, 0, 1, 0, d.data(), nullptr, &h), ORVEX_ERR_NOTSUPPORTED);
  E().CloseCursor(&list);

  // A handle names one filter of one cursor, until it is dropped.
  ASSERT_OK(E().AddFilter(c->h, 0, 1, 0, d.data(), nullptr, &h));
  ASSERT_OK(E().AddFilter(all->h, 0, 1, 0, d.data(), nullptr, &other));
  EXPECT_NE(h, other);
  EXPECT_EQ(E().ActivateFilter(all->h, h), ORVEX_ERR_INVALIDHANDLE);
  EXPECT_EQ(c->Ints(ID), (Ids{1, 2, 3, 4})) << "a filter starts inactive";
  ASSERT_OK(E().DropFilter(c->h, h));
  EXPECT_EQ(E().DropFilter(c->h, h), ORVEX_ERR_INVALIDHANDLE);
  EXPECT_EQ(E().ActivateFilter(c->h, h), ORVEX_ERR_INVALIDHANDLE);
}

// ---------------------------------------------------------------- evaluation

TEST_F(FilterKinds, EachOperatorOnEachKindBothWays) {
  std::uint8_t cost310[ORVEX_BCD_SIZE];
  ASSERT_OK(E().FloatToBcd(3.10, 10, 2, cost310));
  const std::int32_t may1990 = Day(1990, 5, 1);
  const double noon2020 = Stamp(Day(2020, 1, 1), Ms(12, 0, 0));
  struct Case {
    const char* what;
    FTree filter;
    Ids ids;
  };
  const std::vector<Case> cases = {
      // strings: bytes of UTF-8, case counting; blank is ''
      {"Name = Ann", FEq(FField("Name"), FStr("Ann")), {1}},
      {"Name <> Ann", FNe(FField("Name"), FStr("Ann")), {2, 3, 4}},
      {"Name < B", FLt(FField("Name"), FStr("B")), {1, 4}},
      {"Name > a", FGt(FField("Name"), FStr("a")), {2, 3}},
      {"Name >= bob", FGe(FField("Name"), FStr("bob")), {2, 3}},
      {"Name <= Ann", FLe(FField("Name"), FStr("Ann")), {1, 4}},
      {"Name = ''", FEq(FField("Name"), FStr("")), {4}},
      {"Name = Émile", FEq(FField("Name"), FStr("Émile")), {3}},
      {"Name = Name", FEq(FField("Name"), FField("Name")), {1, 2, 3, 4}},
      // integers
      {"Age = 30", FEq(FField("Age"), FI32(30)), {1}},
      {"Age <> 30", FNe(FField("Age"), FI32(30)), {2, 3, 4}},
      {"Age > 0", FGt(FField("Age"), FI32(0)), {1, 2}},
      {"Age < 31", FLt(FField("Age"), FI32(31)), {1, 3}},
      {"Age >= 45", FGe(FField("Age"), FI32(45)), {2}},
      {"Age <= 0", FLe(FField("Age"), FI32(0)), {3}},
      {"Age = Age", FEq(FField("Age"), FField("Age")), {1, 2, 3}},
      {"Small < 0", FLt(FField("Small"), FI16(0)), {1}},
      {"Word > 100", FGt(FField("Word"), FI32(100)), {3}},
      {"Word = 0", FEq(FField("Word"), FI16(0)), {2}},
      // float, currency, BCD: by value, against any number
      {"Amount < 0.0", FLt(FField("Amount"), FF64(0)), {2}},
      {"Amount >= 1.5", FGe(FField("Amount"), FF64(1.5)), {1}},
      {"Amount = 0", FEq(FField("Amount"), FI32(0)), {3}},
      {"Price > 10.25", FGt(FField("Price"), FF64(10.25)), {3}},
      {"Price = 10.25", FEq(FField("Price"), FF64(10.25)), {1}},
      {"Cost = 3.10 (BCD)", FEq(FField("Cost"), FBcd(cost310)), {1}},
      {"Cost > 3.1", FGt(FField("Cost"), FF64(3.1)), {3}},
      {"Cost <= 0", FLe(FField("Cost"), FI32(0)), {2}},
      // Booleans
      {"Married = True", FEq(FField("Married"), FBool(true)), {1, 3}},
      {"Married <> True", FNe(FField("Married"), FBool(true)), {2, 4}},
      {"Married = False", FEq(FField("Married"), FBool(false)), {2}},
      {"Married > False", FGt(FField("Married"), FBool(false)), {1, 3}},
      {"Married alone", FField("Married"), {1, 3}},
      // dates, times, timestamps
      {"Born < 1990-05-01", FLt(FField("Born"), FDate(may1990)), {2}},
      {"Born >= 1990-05-01", FGe(FField("Born"), FDate(may1990)), {1, 3}},
      {"Born <> 2000-02-29", FNe(FField("Born"), FDate(Day(2000, 2, 29))), {1, 2, 4}},
      {"Born alone", FField("Born"), {1, 2, 3}},
      {"At = midnight", FEq(FField("At"), FTime(0)), {2}},
      {"At > 08:30", FGt(FField("At"), FTime(Ms(8, 30, 0))), {3}},
      {"At <= 08:30", FLe(FField("At"), FTime(Ms(8, 30, 0))), {1, 2}},
      {"At alone (midnight is zero)", FField("At"), {1, 3}},
      {"When > 2020-01-01 12:00", FGt(FField("When"), FStamp(noon2020)), {2}},
      {"When < 2020-01-01 12:00", FLt(FField("When"), FStamp(noon2020)), {3}},
      {"When = 2021-06-15 00:00:00.500", FEq(FField("When"), FStamp(Stamp(Day(2021, 6, 15), 500))), {2}},
      // arithmetic, in double; blank operands and division by zero give blank
      {"Age + 5 > 40", FGt(FAdd(FField("Age"), FI32(5)), FI32(40)), {2}},
      {"Age - Small = 32", FEq(FSub(FField("Age"), FField("Small")), FI32(32)), {1}},
      {"Age * 2 >= 60", FGe(FMul(FField("Age"), FI32(2)), FI32(60)), {1, 2}},
      {"Age / 2 = 22.5", FEq(FDiv(FField("Age"), FI32(2)), FF64(22.5)), {2}},
      {"Age / Small > 0", FGt(FDiv(FField("Age"), FField("Small")), FI32(0)), {2}},
      {"Age / Small <> 5", FNe(FDiv(FField("Age"), FField("Small")), FI32(5)), {1, 2, 3, 4}},
      {"Age / Word = 0", FEq(FDiv(FField("Age"), FField("Word")), FI32(0)), {3}},
      {"Age - 30 alone", FSub(FField("Age"), FI32(30)), {2, 3}},
      // AND, OR, and values standing as conditions
      {"Age > 10 AND Married", FAnd(FGt(FField("Age"), FI32(10)), FField("Married")), {1}},
      {"Age > 40 OR Name = Émile", FOr(FGt(FField("Age"), FI32(40)), FEq(FField("Name"), FStr("Émile"))), {2, 3}},
      {"Age > 100 OR Married = False", FOr(FGt(FField("Age"), FI32(100)), FEq(FField("Married"), FBool(false))), {2}},
      {"(Age > 10 AND Married) OR Born < 1990-01-01",
       FOr(FAnd(FGt(FField("Age"), FI32(10)), FField("Married")), FLt(FField("Born"), FDate(Day(1990, 1, 1)))),
       {1, 2}},
      {"Age >= 0 AND Age <= 45 AND Married",
       FAnd(FAnd(FGe(FField("Age"), FI32(0)), FLe(FField("Age"), FI32(45))), FEq(FField("Married"), FBool(true))),
       {1, 3}},
      {"Amount <> 0 OR Small <> 0", FOr(FNe(FField("Amount"), FI32(0)), FNe(FField("Small"), FI32(0))), {1, 2, 4}},
      {"(Age > 10) = Married", FEq(FGt(FField("Age"), FI32(10)), FField("Married")), {1}},
      {"Name alone", FField("Name"), {1, 2, 3}},
      {"Age alone", FField("Age"), {1, 2}},
      {"True alone", FBool(true), {1, 2, 3, 4}},
      {"'' alone", FStr(""), {}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    OrvexResult r;
    OrvexHandle h = AddActive(c->h, WriteFilter(k.filter), &r);
    ASSERT_NE(h, 0u) << Detail(r);
    Seen s = ReadAllWays(*c);
    EXPECT_EQ(s.scan, k.ids);
    EXPECT_EQ(s.back, k.ids);
    EXPECT_EQ(s.marks, k.ids);
    EXPECT_EQ(s.count, k.ids.size());
    ASSERT_OK(E().DropFilter(c->h, h));
  }
}

// A filter nested deeper than SQL is worth is tested on the records
// fetched; reads, counts and limits come out the same.
TEST_F(FilterKinds, DeepFiltersAreTestedOnTheRecords) {
  FTree deep = FGt(FField("Age"), FI32(10));
  for (std::int32_t i = 0; i < 250; ++i) deep = FAnd(deep, FGe(FField("Age"), FI32(-i)));
  OrvexHandle h = AddActive(c->h, WriteFilter(deep));
  ASSERT_NE(h, 0u);
  Seen s = ReadAllWays(*c);
  EXPECT_EQ(s.scan, (Ids{1, 2}));
  EXPECT_EQ(s.back, (Ids{1, 2}));
  EXPECT_EQ(s.marks, (Ids{1, 2}));
  EXPECT_EQ(s.count, 2u);
  // With one SQLite tests beside it.
  AddActive(c->h, WriteFilter(FEq(FField("Married"), FBool(false))));
  EXPECT_EQ(ReadAllWays(*c).scan, (Ids{2}));
  EXPECT_EQ(c->Count(), 1u);
}

// Random descriptors: mutilated ones are refused or work, valid ones give
// the same records read either way; nothing crashes (the sanitizer build
// runs this too).
TEST_F(FilterKinds, RandomDescriptorsAreRefusedOrAgreeEitherWay) {
  std::mt19937 rng(20240611);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
  // More records, blanks anywhere.
  for (int i = 0; i < 24; ++i) {
    auto rec = all->NewRecord();
    const char* names[] = {"Ann", "ann", "Bo", "Émile", "Zoë", "b"};
    if (pick(4)) all->PutStr(rec, Name, names[pick(6)]);
    if (pick(4)) all->Put<std::int32_t>(rec, Age, static_cast<std::int32_t>(pick(90)) - 10);
    if (pick(4)) all->Put<std::int16_t>(rec, Small, static_cast<std::int16_t>(pick(7)) - 3);
    if (pick(4)) all->Put<double>(rec, Amount, static_cast<double>(pick(9)) / 2 - 2);
    if (pick(4)) all->Put<std::uint16_t>(rec, Married, static_cast<std::uint16_t>(pick(2)));
    if (pick(4)) all->Put<std::int32_t>(rec, Born, Day(1980, 1, 1) + static_cast<std::int32_t>(pick(20000)));
    if (pick(4)) all->Put<std::int32_t>(rec, At, static_cast<std::int32_t>(pick(4)) * Ms(6, 0, 0));
    if (pick(4)) all->Put<double>(rec, When, Stamp(Day(2000, 1, 1) + static_cast<std::int32_t>(pick(3)), 0));
    ASSERT_OK(all->Append(rec));
  }
  enum K { KNum, KStr, KBool, KDate, KTime, KStamp };
  const std::vector<std::pair<const char*, K>> fields = {{"Name", KStr}, {"Age", KNum},       {"Small", KNum},
                                                         {"Amount", KNum}, {"Married", KBool}, {"Born", KDate},
                                                         {"At", KTime},    {"When", KStamp},    {"ID", KNum}};
  auto leaf = [&](K k) -> FTree {
    if (pick(2)) {
      std::vector<const char*> of;
      for (auto& [name, kind] : fields)
        if (kind == k) of.push_back(name);
      return FField(of[pick(of.size())]);
    }
    switch (k) {
      case KNum: {
        switch (pick(3)) {
          case 0: return FI32(static_cast<std::int32_t>(pick(100)) - 20);
          case 1: return FI16(static_cast<std::int16_t>(pick(9)) - 4);
          default: return FF64(static_cast<double>(pick(13)) / 4 - 1);
        }
      }
      case KStr: {
        const char* texts[] = {"", "Ann", "ann", "B", "Émile", "Zz"};
        return FStr(texts[pick(6)]);
      }
      case KBool: return FBool(pick(2) != 0);
      case KDate: return FDate(Day(1980, 1, 1) + static_cast<std::int32_t>(pick(20000)));
      case KTime: return FTime(static_cast<std::int32_t>(pick(4)) * Ms(6, 0, 0));
      default: return FStamp(Stamp(Day(2000, 1, 1) + static_cast<std::int32_t>(pick(3)), 0));
    }
  };
  // Mostly well-kinded trees; now and then a leaf of another kind.
  std::function<FTree(K, int)> tree = [&](K k, int depth) -> FTree {
    if (pick(12) == 0) k = static_cast<K>(pick(6));
    if (depth == 0 || pick(3) == 0) return k == KBool && pick(2) ? FGt(leaf(KNum), leaf(KNum)) : leaf(k);
    if (k == KNum) return FBin(ORVEX_FOP_ADD + static_cast<std::uint32_t>(pick(4)), tree(KNum, depth - 1), tree(KNum, depth - 1));
    if (k != KBool) return leaf(k);
    if (pick(2)) return FBin(pick(2) ? ORVEX_FOP_AND : ORVEX_FOP_OR, tree(KBool, depth - 1), tree(static_cast<K>(pick(6)), depth - 1));
    K operands = static_cast<K>(pick(6));
    return FBin(ORVEX_FOP_EQ + static_cast<std::uint32_t>(pick(6)), tree(operands, depth - 1), tree(operands, depth - 1));
  };
  int accepted = 0;
  auto tryFilter = [&](const Bytes& d, const char* how) {
    OrvexResult r;
    OrvexHandle h = AddActive(c->h, d, &r);
    ASSERT_TRUE(r == ORVEX_OK || r == ORVEX_ERR_INVALIDDESC) << how << ": " << Detail(r);
    if (!h) return;
    ++accepted;
    Seen s = ReadAllWays(*c);
    EXPECT_EQ(s.scan, s.marks) << how;
    EXPECT_EQ(s.scan, s.back) << how;
    EXPECT_EQ(s.count, s.scan.size()) << how;
    ASSERT_OK(E().DropFilter(c->h, h));
  };
  for (int i = 0; i < 300; ++i) tryFilter(WriteFilter(tree(KBool, 4)), "tree");
  EXPECT_GT(accepted, 100);
  for (int i = 0; i < 600; ++i) {
    Bytes d = WriteFilter(tree(KBool, 3));
    for (std::size_t n = 1 + pick(3); n > 0; --n) d[pick(d.size())] = static_cast<std::uint8_t>(rng());
    d.resize(0x10000);  // whatever total size the header now gives lies within the buffer
    tryFilter(d, "mutated");
  }
}

// ---------------------------------------------------------------- reading through filters

// People 1..20, Age = ID, names P01..P20; a filter keeps ages 6 to 15.
class FilterReads : public EngineTest {
public:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_OK(CreateTable(db, "People", {{"ID", ORVEX_FT_INTEGER}, {"Name", ORVEX_FT_STRING, 20}, {"Age", ORVEX_FT_INTEGER}},
                          {{"", {1}, true}, {"ByName", {2}, false, false, false, true}}));
    c = std::make_unique<Cursor>(db, "People");
    ASSERT_TRUE(c->ok());
    for (std::int32_t i = 1; i <= 20; ++i) {
      auto person = c->NewRecord();
      c->Put(person, 1, i);
      c->PutStr(person, 2, (i < 10 ? "P0" : "P") + std::to_string(i));
      c->Put(person, 3, i);
      ASSERT_OK(c->Append(person));
    }
    ages = AddInactive(FAnd(FGt(FField("Age"), FI32(5)), FLe(FField("Age"), FI32(15))));
    notTen = AddInactive(FNe(FField("Name"), FStr("P10")));
    rec = c->NewRecord();
    E().SetToBegin(c->h);
  }
  OrvexHandle AddInactive(const FTree& t) {
    Bytes d = WriteFilter(t);
    OrvexHandle h = 0;
    EXPECT_OK(E().AddFilter(c->h, 0, 1, 0, d.data(), nullptr, &h));
    return h;
  }
  std::int32_t Id() { return c->Get<std::int32_t>(rec, 1); }
  Bytes Mark(std::int32_t id) {
    Cursor any(db, "People");
    auto r = any.NewRecord();
    while (any.Next(r) == ORVEX_OK)
      if (any.Get<std::int32_t>(r, 1) == id) break;
    Bytes m(ORVEX_BOOKMARK_SIZE);
    EXPECT_OK(E().GetBookmark(any.h, m.data()));
    return m;
  }
  Bytes Key(std::int32_t id) {
    Bytes k = c->NewRecord();
    c->Put(k, 1, id);
    return k;
  }

  std::unique_ptr<Cursor> c;
  OrvexHandle ages = 0, notTen = 0;
  std::vector<std::uint8_t> rec;
};

TEST_F(FilterReads, KeysRangesPriorRelativeAndCount) {
  ASSERT_OK(E().ActivateFilter(c->h, ages));
  EXPECT_EQ(c->Count(), 10u);
  Ids back;
  E().SetToEnd(c->h);
  while (c->Prior(rec) == ORVEX_OK) back.push_back(Id());
  EXPECT_EQ(back, (Ids{15, 14, 13, 12, 11, 10, 9, 8, 7, 6}));

  // An exact search finds only passing records; a nearest one lands on the next passing.
  EXPECT_EQ(E().SetToKey(c->h, ORVEX_KEY_EXACT, 0, 0, Key(3).data()), ORVEX_ERR_RECNOTFOUND);
  ASSERT_OK(E().SetToKey(c->h, ORVEX_KEY_EXACT, 0, 0, Key(8).data()));
  ASSERT_OK(c->Next(rec));
  EXPECT_EQ(Id(), 8);
  ASSERT_OK(E().SetToKey(c->h, ORVEX_KEY_NEAREST, 0, 0, Key(3).data()));
  ASSERT_OK(c->Next(rec));
  EXPECT_EQ(Id(), 6);
  ASSERT_OK(E().SetToKey(c->h, ORVEX_KEY_NEAREST, 0, 0, Key(16).data()));
  EXPECT_EQ(c->Next(rec), ORVEX_ERR_EOF);
  ASSERT_OK(c->Prior(rec));
  EXPECT_EQ(Id(), 15);

  // Relative moves count passing records only.
  E().SetToBegin(c->h);
  ASSERT_OK(E().GetRelativeRecord(c->h, 3, 0, rec.data(), nullptr));
  EXPECT_EQ(Id(), 8);
  ASSERT_OK(E().GetRelativeRecord(c->h, -2, 0, rec.data(), nullptr));
  EXPECT_EQ(Id(), 6);

  // A range and a filter: their common records.
  Bytes from = Key(4), to = Key(9);
  ASSERT_OK(E().SetRange(c->h, 0, 0, 1, from.data(), 0, 0, 1, to.data()));
  EXPECT_EQ(c->Ints(1), (Ids{6, 7, 8, 9}));
  EXPECT_EQ(c->Count(), 4u);
  // On another index, keys of that index.
  ASSERT_OK(E().SwitchToIndex(c->h, "ByName", 0));
  Bytes name = c->NewRecord();
  c->PutStr(name, 2, "p12");
  ASSERT_OK(E().SetToKey(c->h, ORVEX_KEY_EXACT, 0, 0, name.data()));
  ASSERT_OK(c->Next(rec));
  EXPECT_EQ(Id(), 12);
}

TEST_F(FilterReads, RecordNumbersCountThePassingRecordsBefore) {
  ASSERT_OK(E().ActivateFilter(c->h, ages));
  ASSERT_OK(E().ActivateFilter(c->h, notTen));
  Bytes from = Key(8);
  ASSERT_OK(E().SetRange(c->h, 0, 0, 1, from.data(), 0, 0, 1, nullptr));
  std::uint32_t n = 0, expected = 0;
  while (c->Next(rec) == ORVEX_OK) {  // 8, 9, 11, ...
    ASSERT_OK(E().GetSeqNo(c->h, &n));
    EXPECT_EQ(n, ++expected) << Id();
  }
  EXPECT_EQ(expected, 7u);
  // A filter tested on each record leaves nothing to count by the index.
  OrvexHandle odd = 0;
  OrvexFilterCallback oddOnly = [](std::uintptr_t idOffset, void* record) -> std::uint16_t {
    std::int32_t id;
    std::memcpy(&id, static_cast<std::uint8_t*>(record) + idOffset, 4);
    return id % 2 != 0 ? 1 : 0;
  };
  ASSERT_OK(E().AddFilter(c->h, c->Field(1).offset, 1, 0, nullptr, oddOnly, &odd));
  ASSERT_OK(E().ActivateFilter(c->h, odd));
  ASSERT_OK(E().SetToBegin(c->h));
  ASSERT_OK(c->Next(rec));
  EXPECT_EQ(E().GetSeqNo(c->h, &n), ORVEX_ERR_NOTSUPPORTED);
}

TEST_F(FilterReads, BookmarksAndTheCurrentRecordOfRecordsThatDoNotPass) {
  ASSERT_OK(E().ActivateFilter(c->h, ages));
  ASSERT_OK(E().ActivateFilter(c->h, notTen));
  EXPECT_EQ(c->Ints(1), (Ids{6, 7, 8, 9, 11, 12, 13, 14, 15}));
  EXPECT_EQ(c->Count(), 9u);

  // Going to the bookmark of a record that does not pass leaves the cursor
  // between its neighbours.
  EXPECT_EQ(E().SetToBookmark(c->h, Mark(10).data()), ORVEX_ERR_NOCURRREC);
  EXPECT_EQ(c->Current(rec), ORVEX_ERR_NOCURRREC);
  ASSERT_OK(c->Next(rec));
  EXPECT_EQ(Id(), 11);
  EXPECT_EQ(E().SetToBookmark(c->h, Mark(10).data()), ORVEX_ERR_NOCURRREC);
  ASSERT_OK(c->Prior(rec));
  EXPECT_EQ(Id(), 9);
  EXPECT_EQ(E().SetToBookmark(c->h, Mark(3).data()), ORVEX_ERR_NOCURRREC);
  EXPECT_EQ(c->Prior(rec), ORVEX_ERR_BOF);
  ASSERT_OK(E().SetToBookmark(c->h, Mark(12).data()));
  ASSERT_OK(c->Current(rec));
  EXPECT_EQ(Id(), 12);

  // A record posted that does not pass is the cursor's place, but reading it
  // answers as for any record that does not pass; reading on goes on from it.
  Bytes added = Key(21);
  c->PutStr(added, 2, "P21");
  c->Put<std::int32_t>(added, 3, 99);
  ASSERT_OK(c->Append(added));
  EXPECT_EQ(c->Current(rec), ORVEX_ERR_NOCURRREC);
  ASSERT_OK(c->Prior(rec));
  EXPECT_EQ(Id(), 15);
  // A change that makes the current record fail: it is gone from the view.
  c->Put<std::int32_t>(rec, 3, 50);
  ASSERT_OK(E().ModifyRecord(c->h, rec.data(), 0));
  EXPECT_EQ(c->Current(rec), ORVEX_ERR_NOCURRREC);
  EXPECT_EQ(c->Count(), 8u);

  // Two filters, one switched off: the other alone.
  ASSERT_OK(E().DeactivateFilter(c->h, ages));
  EXPECT_EQ(c->Count(), 20u);
  EXPECT_EQ(c->Ints(1).size(), 20u);
  ASSERT_OK(E().DropFilter(c->h, notTen));
  EXPECT_EQ(c->Count(), 21u);
}

TEST_F(FilterReads, SwitchingFiltersMidScanKeepsThePlace) {
  for (std::int32_t want : {1, 2, 3}) {
    ASSERT_OK(c->Next(rec));
    ASSERT_EQ(Id(), want);
  }
  ASSERT_OK(E().ActivateFilter(c->h, ages));
  EXPECT_EQ(c->Current(rec), ORVEX_ERR_NOCURRREC);
  ASSERT_OK(c->Next(rec));
  EXPECT_EQ(Id(), 6);
  ASSERT_OK(c->Next(rec));
  ASSERT_OK(E().DeactivateFilter(c->h, ages));
  ASSERT_OK(c->Current(rec));
  EXPECT_EQ(Id(), 7);
  ASSERT_OK(E().ActivateFilter(c->h, notTen));
  for (std::int32_t want : {8, 9, 11}) {
    ASSERT_OK(c->Next(rec));
    EXPECT_EQ(Id(), want);
  }
  ASSERT_OK(E().ActivateFilter(c->h, ages));
  ASSERT_OK(c->Current(rec));
  EXPECT_EQ(Id(), 11);
  ASSERT_OK(c->Prior(rec));
  EXPECT_EQ(Id(), 9);
  // Dropping an active filter shows its records again from the same place.
  ASSERT_OK(E().DropFilter(c->h, notTen));
  ASSERT_OK(c->Next(rec));
  EXPECT_EQ(Id(), 10);
  ASSERT_OK(E().DropFilter(c->h, ages));
  ASSERT_OK(E().GetRelativeRecord(c->h, 10, 0, rec.data(), nullptr));
  EXPECT_EQ(Id(), 20);
}

// ---------------------------------------------------------------- record callbacks

// What a test's callback does, through a plain function the engine calls.
struct Probe {
  hOrvexCursor cursor = 0;
  Ids seen;
  std::function<std::uint16_t(void* record)> answer;
};

std::uint16_t CallProbe(std::uintptr_t data, void* record) {
  auto* p = reinterpret_cast<Probe*>(data);
  std::int32_t id = 0;
  E().GetField(p->cursor, 1, record, &id, nullptr);
  p->seen.push_back(id);
  return p->answer ? p->answer(record) : 1;
}

OrvexHandle AddCallback(hOrvexCursor c, Probe& p) {
  p.cursor = c;
  OrvexHandle h = 0;
  EXPECT_OK(E().AddFilter(c, reinterpret_cast<std::uintptr_t>(&p), 1, 0, nullptr, CallProbe, &h));
  EXPECT_OK(E().ActivateFilter(c, h));
  return h;
}

std::int32_t IdOf(hOrvexCursor c, const void* record) {
  std::int32_t id = 0;
  E().GetField(c, 1, record, &id, nullptr);
  return id;
}

Ids Range(std::int32_t from, std::int32_t to) {
  Ids ids;
  for (std::int32_t i = from; i <= to; ++i) ids.push_back(i);
  return ids;
}

TEST_F(FilterReads, ACallbackIsCalledOncePerRecordReadAndNeverAhead) {
  Probe p;
  p.answer = [&](void* r) -> std::uint16_t { return IdOf(c->h, r) % 2 == 0; };
  AddCallback(c->h, p);
  ASSERT_OK(c->Next(rec));
  EXPECT_EQ(Id(), 2);
  EXPECT_EQ(p.seen, (Ids{1, 2}));
  while (c->Next(rec) == ORVEX_OK) {
  }
  EXPECT_EQ(p.seen, Range(1, 20));

  p.seen.clear();
  E().SetToEnd(c->h);
  ASSERT_OK(c->Prior(rec));
  ASSERT_OK(c->Current(rec));
  ASSERT_OK(c->Prior(rec));
  EXPECT_EQ(Id(), 18);
  EXPECT_EQ(p.seen, (Ids{20, 20, 19, 18})) << "the current record is asked again, not remembered";

  p.seen.clear();
  EXPECT_EQ(c->Count(), 10u);
  EXPECT_EQ(p.seen, Range(1, 20));

  // Expressions first: the callback meets only the records they pass.
  ASSERT_OK(E().ActivateFilter(c->h, ages));
  p.seen.clear();
  EXPECT_EQ(c->Ints(1), (Ids{6, 8, 10, 12, 14}));
  EXPECT_EQ(p.seen, Range(6, 15));
  // An exact key search asks the matches until one passes.
  p.seen.clear();
  EXPECT_EQ(E().SetToKey(c->h, ORVEX_KEY_EXACT, 0, 0, Key(7).data()), ORVEX_ERR_RECNOTFOUND);
  ASSERT_OK(E().SetToKey(c->h, ORVEX_KEY_EXACT, 0, 0, Key(8).data()));
  ASSERT_OK(c->Next(rec));
  EXPECT_EQ(Id(), 8);
  EXPECT_EQ(p.seen, (Ids{7, 8, 8}));
}

TEST_F(FilterKinds, ACallbackReadsFieldsAndMemosOfTheRecordUnderTest) {
  Probe p;
  std::vector<std::string> names;
  p.answer = [&](void* r) -> std::uint16_t {
    char name[81] = {};
    EXPECT_OK(E().GetField(c->h, Name, r, name, nullptr));
    names.push_back(name);
    std::uint16_t blank = 0;
    E().GetField(c->h, Notes, r, nullptr, &blank);
    if (blank) return 0;
    EXPECT_OK(E().OpenBlob(c->h, r, Notes, ORVEX_BLOB_READONLY));
    std::uint32_t size = 0, read = 0;
    EXPECT_OK(E().GetBlobSize(c->h, r, Notes, &size));
    std::string notes(size, '\0');
    EXPECT_OK(E().GetBlob(c->h, r, Notes, 0, size, notes.data(), &read));
    // Left open for the engine to free on the second record.
    if (std::string(name) != "Émile") EXPECT_OK(E().FreeBlob(c->h, r, Notes));
    return notes.find("vegan") != std::string::npos && std::string(name) != "Ann";
  };
  AddCallback(c->h, p);
  EXPECT_EQ(c->Ints(ID), (Ids{3}));
  EXPECT_EQ(names, (std::vector<std::string>{"Ann", "bob", "Émile", ""}));
  EXPECT_EQ(c->Ints(ID), (Ids{3})) << "a blob left open is not in the next call's way";
}

TEST_F(FilterReads, ACallbackReadsOtherCursorsThatFilterToo) {
  // The other cursor keeps ages up to 15 with a callback of its own; ours
  // passes the records whose mirror (21 - ID) it finds.
  Cursor other(db, "People");
  Probe inner;
  inner.answer = [&](void* r) -> std::uint16_t { return IdOf(other.h, r) <= 15; };
  AddCallback(other.h, inner);
  Probe p;
  p.answer = [&](void* r) -> std::uint16_t {
    Bytes key = other.NewRecord();
    other.Put<std::int32_t>(key, 1, 21 - IdOf(c->h, r));
    if (E().SetToKey(other.h, ORVEX_KEY_EXACT, 0, 0, key.data()) != ORVEX_OK) return 0;
    auto found = other.NewRecord();
    EXPECT_OK(other.Next(found));
    return 1;
  };
  AddCallback(c->h, p);
  EXPECT_EQ(c->Ints(1), Range(6, 20));
}

TEST_F(FilterReads, ACallbackCannotMoveOrChangeTheCursorItFilters) {
  Bytes mark = Mark(5), key = Key(5), changed = Key(30);
  std::vector<std::pair<const char*, std::function<OrvexResult()>>> moves;
  hOrvexCursor h = c->h;
  auto scratch = c->NewRecord();
  OrvexHandle any = ages;
  moves = {
      {"next", [&] { return E().GetNextRecord(h, 0, scratch.data(), nullptr); }},
      {"prior", [&] { return E().GetPriorRecord(h, 0, scratch.data(), nullptr); }},
      {"current", [&] { return E().GetRecord(h, 0, scratch.data(), nullptr); }},
      {"relative", [&] { return E().GetRelativeRecord(h, 2, 0, scratch.data(), nullptr); }},
      {"begin", [&] { return E().SetToBegin(h); }},
      {"end", [&] { return E().SetToEnd(h); }},
      {"count", [&] { std::uint32_t n; return E().GetRecordCount(h, &n); }},
      {"bookmark", [&] { return E().SetToBookmark(h, mark.data()); }},
      {"key", [&] { return E().SetToKey(h, ORVEX_KEY_EXACT, 0, 0, key.data()); }},
      {"range", [&] { return E().SetRange(h, 0, 0, 1, key.data(), 0, 0, 1, nullptr); }},
      {"reset range", [&] { return E().ResetRange(h); }},
      {"index", [&] { return E().SwitchToIndex(h, "ByName", 1); }},
      {"index by fields", [&] { std::uint16_t f = 2; return E().SwitchToIndexForFields(h, 1, &f, 1); }},
      {"reread", [&] { return E().ForceReread(h); }},
      {"append", [&] { return E().AppendRecord(h, changed.data()); }},
      {"modify", [&] { return E().ModifyRecord(h, changed.data(), 0); }},
      {"delete", [&] { return E().DeleteRecord(h, nullptr); }},
      {"empty", [&] { return E().EmptyTable(db, h, nullptr, nullptr); }},
      {"pack", [&] { return E().PackTable(db, h, nullptr, nullptr, 0); }},
      {"add filter", [&] { OrvexHandle f; return E().AddFilter(h, 0, 1, 0, nullptr, CallProbe, &f); }},
      {"activate", [&] { return E().ActivateFilter(h, any); }},
      {"deactivate", [&] { return E().DeactivateFilter(h, any); }},
      {"drop", [&] { return E().DropFilter(h, any); }},
      {"close", [&] { hOrvexCursor copy = h; return E().CloseCursor(&copy); }},
  };
  Probe p;
  p.answer = [&](void* r) -> std::uint16_t {
    if (IdOf(h, r) != 3) return 1;
    for (auto& [what, call] : moves) EXPECT_EQ(call(), ORVEX_ERR_INCALLBACK) << what;
    EXPECT_NE(Detail(ORVEX_ERR_INCALLBACK).find("not allowed inside a filter callback"), std::string::npos);
    // What leaves the cursor alone works.
    OrvexCursorProps props;
    EXPECT_OK(E().GetCursorProps(h, &props));
    EXPECT_OK(E().PutField(h, 3, r, &props.fieldCount));
    return 1;
  };
  AddCallback(c->h, p);
  EXPECT_EQ(c->Ints(1), Range(1, 20));
  EXPECT_EQ(c->Count(), 20u);
}

TEST_F(FilterReads, AStoppedReadLeavesTheCursorWhereItWas) {
  std::int32_t stopAt = 0;
  bool raise = false;
  Probe p;
  p.answer = [&](void* r) -> std::uint16_t {
    if (IdOf(c->h, r) != stopAt) return 1;
    if (raise) throw std::runtime_error("escaped");
    return ORVEX_FILTER_ABORT;
  };
  AddCallback(c->h, p);
  auto at = [&](std::int32_t id) {
    auto r = c->NewRecord();
    EXPECT_OK(c->Current(r));
    EXPECT_EQ(c->Get<std::int32_t>(r, 1), id);
  };
  ASSERT_OK(E().GetRelativeRecord(c->h, 6, 0, rec.data(), nullptr));
  struct Case {
    const char* what;
    std::int32_t stop;
    std::function<OrvexResult()> read;
  };
  const std::vector<Case> cases = {
      {"next", 7, [&] { return c->Next(rec); }},
      {"prior", 5, [&] { return c->Prior(rec); }},
      {"relative", 9, [&] { return E().GetRelativeRecord(c->h, 4, 0, rec.data(), nullptr); }},
      {"current", 6, [&] { return c->Current(rec); }},
      {"count", 15, [&] { std::uint32_t n; return E().GetRecordCount(c->h, &n); }},
      {"key search", 12, [&] { return E().SetToKey(c->h, ORVEX_KEY_EXACT, 0, 0, Key(12).data()); }},
      {"bookmark", 12, [&] { return E().SetToBookmark(c->h, Mark(12).data()); }},
  };
  for (const Case& k : cases) {
    stopAt = k.stop;
    EXPECT_EQ(k.read(), ORVEX_ERR_CALLBACKABORT) << k.what;
    stopAt = 0;
    at(6);
  }
  stopAt = 7;
  raise = true;
  OrvexResult r = c->Next(rec);
  EXPECT_EQ(r, ORVEX_ERR_CALLBACKABORT);
  EXPECT_NE(Detail(r).find("exception escaped"), std::string::npos) << Detail(r);
  stopAt = 0;
  at(6);
  // From the beginning and from between records, the same.
  raise = false;
  stopAt = 1;
  E().SetToBegin(c->h);
  EXPECT_EQ(c->Next(rec), ORVEX_ERR_CALLBACKABORT);
  stopAt = 0;
  ASSERT_OK(c->Next(rec));
  EXPECT_EQ(Id(), 1);
  ASSERT_OK(E().SetToKey(c->h, ORVEX_KEY_NEAREST, 0, 0, Key(10).data()));
  stopAt = 10;
  EXPECT_EQ(c->Next(rec), ORVEX_ERR_CALLBACKABORT);
  stopAt = 0;
  ASSERT_OK(c->Next(rec));
  EXPECT_EQ(Id(), 10);
}

TEST_F(FilterReads, AReadGoesOnWhenACallbackChangesTheTableThroughAnotherCursor) {
  Cursor other(db, "People");
  Probe p;
  p.answer = [&](void* r) -> std::uint16_t {
    if (IdOf(c->h, r) != 5) return 1;
    Bytes key = other.NewRecord();
    other.Put<std::int32_t>(key, 1, 6);
    EXPECT_OK(E().SetToKey(other.h, ORVEX_KEY_EXACT, 0, 0, key.data()));
    auto found = other.NewRecord();
    EXPECT_OK(other.Next(found));
    EXPECT_OK(E().DeleteRecord(other.h, nullptr));
    return 1;
  };
  AddCallback(c->h, p);
  Ids ids = c->Ints(1);
  EXPECT_EQ(ids, (Ids{1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}));
}

}  // namespace
