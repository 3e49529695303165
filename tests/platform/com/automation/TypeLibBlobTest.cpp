#include <gtest/gtest.h>

#include "platform/com/ComPtr.h"
#include "platform/com/TypeLib.h"

namespace {

constexpr GUID kItf = {0x10, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};

// What a library holds shows in the control's printed library; that whatever
// loads answers only from inside the blob is the fuzzer's oracle.
TEST(TypeLibBlob, TellsForeignFormatsFromDamage) {
  static const DispatchTable members(u"IThing", kItf, u"", {{u"Size", 1, DispKind::Property, VT_I4}});
  auto blob =
      BuildTypeLibBlob({.name = u"thingLib", .entries = {{.name = u"IThing", .guid = kItf, .members = &members}}});
  ComPtr<ITypeLib> lib;
  const struct {
    size_t at;
    uint8_t value;
    HRESULT hr;
  } rows[] = {{0, 'M', TYPE_E_UNSUPFORMAT}, {4, 9, TYPE_E_UNSUPFORMAT}, {8, uint8_t(blob[8] ^ 1), TYPE_E_INVDATAREAD}};
  for (const auto& r : rows) {
    auto bad = blob;
    bad[r.at] = r.value;
    EXPECT_EQ(LoadTypeLibFromMemory(bad.data(), bad.size(), lib.ReleaseAndGetAddressOf()), r.hr) << r.at;
  }
  blob.push_back(0);  // a byte too many
  EXPECT_EQ(LoadTypeLibFromMemory(blob.data(), blob.size(), lib.ReleaseAndGetAddressOf()), TYPE_E_INVDATAREAD);
  EXPECT_EQ(LoadTypeLibFromMemory(blob.data(), blob.size() - 2, lib.ReleaseAndGetAddressOf()), TYPE_E_INVDATAREAD);
  EXPECT_EQ(LoadTypeLibFromMemory(nullptr, 0, lib.ReleaseAndGetAddressOf()), TYPE_E_INVDATAREAD);
  EXPECT_EQ(LoadTypeLibFromMemory(blob.data(), blob.size() - 1, nullptr), E_INVALIDARG);
}

}  // namespace
