#include <gtest/gtest.h>

#include "platform/registry/Registry.h"

using reg::RegistryError;
using reg::RegTree;
using namespace std::string_literals;

TEST(RegTree, AwkwardNamesAndValuesSurviveARoundTrip) {
  // Quotes, line ends, controls and NUL, percent signs, brackets, outer
  // blanks, non-ASCII; backslashes, which no key element holds.
  const std::string awkward[] = {"", " \"q\" \n\r\n\t \x01\x1f\x7f nul\0 %41 % = ] [ ; "s,
                                 "Gr\xc3\xbc\xc3\x9f" "e \xe2\x9c\x93 \xf0\x9d\x84\x9e", "back\\slash\\\\double"};
  RegTree t;
  int n = 0;
  for (const std::string& s : awkward) {
    // As a value, a value name and a key element.
    t.SetString("Values", std::string("v").append(std::to_string(n)), s);
    t.SetString("Names", s, std::to_string(n++));
    if (!s.empty() && s.find('\\') == std::string::npos) t.CreateKey("Keys\\" + s);
  }
  t.SetDword("Numbers", "max", 0xFFFFFFFFu);
  t.CreateKey("Empty\\Child");

  const std::string text = t.Serialize();
  RegTree back = RegTree::Parse(text);
  EXPECT_TRUE(back == t) << back.Serialize();
  EXPECT_EQ(back.Serialize(), text);
  // Every line of the file is one line: no raw control characters.
  for (char c : text) EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << int(c);
}

TEST(RegTree, KeysAndNamesIgnoreCaseButKeepTheFirstSpelling) {
  RegTree t;
  t.SetString("CLSID\\{ABCD}\\InprocServer32", "ThreadingModel", "Apartment");
  t.SetString("clsid\\{abcd}\\inprocserver32", "threadingmodel", "Both");
  EXPECT_EQ(t.GetString("Clsid\\{AbCd}\\INPROCSERVER32", "THREADINGMODEL"), "Both");
  EXPECT_EQ(t.SubKeys("clsid"), std::vector<std::string>{"{ABCD}"});
  EXPECT_EQ(t.ValueNames("CLSID\\{abcd}\\InprocServer32"), std::vector<std::string>{"ThreadingModel"});
  // Separators at either end or doubled do not make new keys.
  EXPECT_TRUE(t.HasKey("\\CLSID\\\\{ABCD}\\"));
  // The default value is the empty name; a string is no dword and back.
  t.SetDword("CLSID", "", 5);
  EXPECT_EQ(t.GetDword("clsid"), 5u);
  EXPECT_EQ(t.GetString("clsid"), std::nullopt);
}

TEST(RegTree, SubKeysAreDirectChildrenAndDeletingTakesTheWholeSubtreeOnly) {
  RegTree t;
  for (const char* k : {"a\\b\\c", "a\\B2", "a b", "ab", "a!", "a\\c", "b"}) t.SetString(k, "v", k);
  EXPECT_EQ(t.SubKeys("a"), (std::vector<std::string>{"b", "B2", "c"}));
  EXPECT_EQ(t.SubKeys("a\\b"), std::vector<std::string>{"c"});
  EXPECT_EQ(t.SubKeys("missing"), std::vector<std::string>{});
  EXPECT_TRUE(t.DeleteKey("A"));
  for (const char* gone : {"a", "a\\b", "a\\b\\c", "a\\B2"}) EXPECT_FALSE(t.HasKey(gone)) << gone;
  for (const char* kept : {"ab", "a b", "a!", "b"}) EXPECT_EQ(t.GetString(kept, "v"), kept) << kept;
  EXPECT_FALSE(t.DeleteKey("a"));
  EXPECT_FALSE(t.DeleteKey(""));
  EXPECT_TRUE(t.DeleteValue("AB", "V"));
  EXPECT_FALSE(t.DeleteValue("ab", "v"));
  EXPECT_TRUE(t.HasKey("ab"));
}

namespace {

struct DamageRow {
  const char* name;
  std::string text;  // after the header line
  int line;
};
void PrintTo(const DamageRow& r, std::ostream* os) { *os << r.name; }
class RegTreeDamage : public ::testing::TestWithParam<DamageRow> {};

}  // namespace

TEST_P(RegTreeDamage, IsRefusedNamingItsLine) {
  const std::string text = GetParam().line == 1 ? GetParam().text : "#cantrel-registry 1\n" + GetParam().text;
  try {
    RegTree::Parse(text);
    ADD_FAILURE() << "accepted: " << text;
  } catch (const RegistryError& e) {
    EXPECT_NE(std::string(e.what()).find("line " + std::to_string(GetParam().line) + ":"), std::string::npos)
        << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegTreeDamage,
    ::testing::Values(DamageRow{"NoHeader", "[a]\n", 1}, DamageRow{"OtherVersion", "#cantrel-registry 2\n", 1},
                      DamageRow{"ValueOutsideAKey", "\"v\"=string:\"x\"\n", 2},
                      DamageRow{"UnterminatedString", "[a]\n\"v\"=string:\"x\n", 3},
                      DamageRow{"UnknownEscape", "[a]\n\"v\"=string:\"\\q\"\n", 3},
                      DamageRow{"ShortHexEscape", "[a]\n\"v\"=string:\"\\x4\"\n", 3},
                      DamageRow{"TrailingText", "[a]\n\"v\"=string:\"x\" trailing\n", 3},
                      DamageRow{"DwordNotHex", "[a]\n\"v\"=dword:xyz\n", 3},
                      DamageRow{"DwordTooLong", "[a]\n\"v\"=dword:123456789\n", 3},
                      DamageRow{"UnknownType", "[a]\n\"v\"=qword:1\n", 3},
                      DamageRow{"NoEquals", "[a]\n\"v\" string:\"x\"\n", 3},
                      DamageRow{"RepeatedName", "[a]\n\"v\"=dword:1\n\"V\"=dword:2\n", 4},
                      DamageRow{"UnclosedKey", "\n\n[a\n", 4}, DamageRow{"EmptyKey", "[]\n", 2},
                      DamageRow{"BadPercentEscape", "[%zz]\n", 2}, DamageRow{"ShortPercentEscape", "[a%4]\n", 2},
                      DamageRow{"Garbage", "[a]\ngarbage\n", 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RegTree, LenientWhereNothingIsLost) {
  // Blank files, comments, CR-LF line ends, repeated sections.
  EXPECT_TRUE(RegTree::Parse(" \n\n") == RegTree());
  RegTree t = RegTree::Parse(
      "#cantrel-registry 1\r\n; comment\r\n[a]\r\n\"x\"=dword:0000000A\r\n[b]\r\n[A]\r\n\"y\"=string:\"z\"\r\n");
  EXPECT_EQ(t.GetDword("a", "x"), 10u);
  EXPECT_EQ(t.GetString("a", "y"), "z");
  EXPECT_TRUE(t.HasKey("b"));
}
