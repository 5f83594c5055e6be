#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "Exceptions.h"
#include "Settings.h"
#include "Variant.h"

namespace fw {

class VariantTest : public UsSettings {};

TEST_F(VariantTest, KindsFollowTheSourceType) {
  struct Case {
    Variant v;
    TVarType type;
  } cases[] = {
      {Variant(), varEmpty},
      {Null(), varNull},
      {Unassigned(), varEmpty},
      {static_cast<short>(1), varSmallint},
      {1, varInteger},
      {std::int64_t{1}, varInt64},
      {static_cast<std::uint8_t>(1), varByte},
      {static_cast<std::uint16_t>(1), varWord},
      {1u, varLongWord},
      {1.5f, varSingle},
      {1.5, varDouble},
      {Currency::FromScaled(1), varCurrency},
      {TDateTime(1.0), varDate},
      {true, varBoolean},
      {"x", varString},
      {std::string("x"), varString},
      {VarArrayOf({1, 2}), static_cast<TVarType>(varArray | varVariant)},
  };
  for (const auto& c : cases) EXPECT_EQ(VarType(c.v), c.type) << VarTypeAsText(c.type);
  EXPECT_TRUE(VarIsNull(Null()));
  EXPECT_FALSE(VarIsNull(Unassigned()));
  EXPECT_TRUE(VarIsEmpty(Variant()));
}

TEST_F(VariantTest, TextOfEveryKind) {
  TDateTime day = EncodeDate(2024, 3, 5);
  struct Case {
    Variant v;
    const char* text;
  } cases[] = {
      {Null(), ""},
      {Unassigned(), ""},
      {true, "True"},
      {false, "False"},
      {-42, "-42"},
      {1.5, "1.5"},
      {0.1f, "0.1"},
      {Currency::FromScaled(12500), "1.25"},
      {day, "3/5/2024"},
      {TDateTime(day + EncodeTime(14, 7, 0, 0)), "3/5/2024 2:07:00 PM"},
      {"abc", "abc"},
  };
  for (const auto& c : cases) EXPECT_EQ(VarToStr(c.v), c.text);
}

TEST_F(VariantTest, ConversionsAsTheFrameworkMakesThem) {
  EXPECT_EQ(Variant("12").AsInteger(), 12);
  EXPECT_EQ(Variant(" $1F ").AsInteger(), 31);
  EXPECT_EQ(Variant("2.5").AsInteger(), 2);  // halves to even
  EXPECT_EQ(Variant(3.5).AsInteger(), 4);
  EXPECT_EQ(Variant(Currency::FromScaled(25000)).AsInteger(), 2);
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_EQ(Unassigned().AsInteger(), 0);
  EXPECT_DOUBLE_EQ(Variant(" 2.5 ").AsDouble(), 2.5);
  EXPECT_DOUBLE_EQ(Variant(Currency::FromScaled(12345)).AsDouble(), 1.2345);
  EXPECT_EQ(Variant(1.23456).AsCurrency().Scaled, 12346);
  EXPECT_EQ(Variant(7).AsCurrency().Scaled, 70000);
  EXPECT_FALSE(Variant(0).AsBoolean());
  EXPECT_TRUE(Variant(0.5).AsBoolean());
  EXPECT_TRUE(Variant("true").AsBoolean());
  EXPECT_FALSE(Variant("0").AsBoolean());
  EXPECT_EQ(Variant("3/5/2024").AsDateTime().Value, EncodeDate(2024, 3, 5).Value);
  EXPECT_EQ(Variant(45000.5).AsDateTime().Value, 45000.5);
  EXPECT_EQ(Variant(EncodeDate(2024, 3, 5)).AsDouble(), 45356);
  EXPECT_EQ(Variant(std::int64_t{1} << 40).AsInt64(), std::int64_t{1} << 40);
  DecimalSeparator = ',';
  EXPECT_DOUBLE_EQ(Variant("2,5").AsDouble(), 2.5);
}

TEST_F(VariantTest, FailedConversionsNameBothKinds) {
  using Call = std::function<void()>;
  struct Case {
    Call call;
    const char* message;
  } cases[] = {
      {[] { Null().AsInteger(); }, "Could not convert variant of type (Null) into type (Integer)"},
      {[] { Null().AsString(); }, "Could not convert variant of type (Null) into type (String)"},
      {[] { Variant("abc").AsDouble(); }, "Could not convert variant of type (String) into type (Double)"},
      {[] { Variant("abc").AsInteger(); }, "Could not convert variant of type (String) into type (Integer)"},
      {[] { Variant("yes").AsBoolean(); }, "Could not convert variant of type (String) into type (Boolean)"},
      {[] { Variant("31/12/2024").AsDateTime(); }, "Could not convert variant of type (String) into type (Date)"},
      {[] { Variant(std::int64_t{1} << 40).AsInteger(); }, "Could not convert variant of type (Int64) into type (Integer)"},
      {[] { Variant(1e10).AsInteger(); }, "Could not convert variant of type (Double) into type (Integer)"},
      {[] { Variant(1e300).AsCurrency(); }, "Could not convert variant of type (Double) into type (Currency)"},
      {[] { VarArrayOf({1}).AsString(); }, "Could not convert variant of type (Array Variant) into type (String)"},
      {[] { VarAsType(300, varByte); }, "Could not convert variant of type (Integer) into type (Byte)"},
      {[] { VarAsType(Null(), varInteger); }, "Could not convert variant of type (Null) into type (Integer)"},
  };
  for (const auto& c : cases) {
    try {
      c.call();
      ADD_FAILURE() << c.message << ": nothing raised";
    } catch (const EVariantError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

TEST_F(VariantTest, VarAsTypeChangesTheKind) {
  Variant i = VarAsType("42", varInteger);
  EXPECT_EQ(VarType(i), varInteger);
  EXPECT_EQ(i.AsInteger(), 42);
  Variant s = VarAsType(42, varString);
  EXPECT_EQ(VarType(s), varString);
  EXPECT_EQ(s.AsString(), "42");
  EXPECT_EQ(VarType(VarAsType("2.5", varCurrency)), varCurrency);
  EXPECT_EQ(VarType(VarAsType(1.0, varDate)), varDate);
  EXPECT_EQ(VarType(VarAsType(255, varByte)), varByte);
  EXPECT_TRUE(VarIsNull(VarAsType(5, varNull)));
}

TEST_F(VariantTest, ComparisonAcrossKinds) {
  struct Case {
    Variant a, b;
    bool equal, less;
  } cases[] = {
      {1, 1.0, true, false},
      {2, Currency::FromScaled(20000), true, false},
      {std::int64_t{1} << 60, (std::int64_t{1} << 60) + 1, false, true},  // beyond a double's digits
      {"a", "b", false, true},
      {"a", "A", false, false},  // case counts; "A" sorts first
      {"10", 9, false, false},   // read as a number, not as text
      {TDateTime(2.0), 2, true, false},
      {false, true, false, true},
      {Null(), Null(), true, false},
      {Null(), 0, false, true},
      {Null(), "", false, true},
      {Null(), Unassigned(), false, true},
      {Unassigned(), Unassigned(), true, false},
      {Unassigned(), 0, false, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.a == c.b, c.equal) << VarToStr(c.a) << " " << VarToStr(c.b);
    EXPECT_EQ(c.a < c.b, c.less) << VarToStr(c.a) << " " << VarToStr(c.b);
    EXPECT_EQ(c.b == c.a, c.equal);
  }
  EXPECT_THROW((void)(Variant("abc") == Variant(1)), EVariantError);
}

TEST_F(VariantTest, ArraysOfSeveralKeys) {
  Variant keys = VarArrayOf({1, "Smith", Null()});
  EXPECT_TRUE(VarIsArray(keys));
  EXPECT_FALSE(VarIsArray(Variant(1)));
  EXPECT_EQ(VarArrayLowBound(keys), 0);
  EXPECT_EQ(VarArrayHighBound(keys), 2);
  EXPECT_EQ(keys[1].AsString(), "Smith");
  EXPECT_TRUE(VarIsNull(keys[2]));
  EXPECT_THROW(keys[3], EVariantError);
  EXPECT_THROW(Variant(1)[0], EVariantError);

  Variant copy = keys;  // a copy is a value of its own
  copy[0] = 5;
  EXPECT_EQ(keys[0].AsInteger(), 1);
  EXPECT_FALSE(copy == keys);
  copy[0] = 1.0;
  EXPECT_TRUE(copy == keys);
  EXPECT_THROW((void)(copy < keys), EVariantError);
}

}  // namespace fw
