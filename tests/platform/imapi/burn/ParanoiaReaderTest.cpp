// The exact reader without a drive: a missing device and a device that is no
// CD drive are refused with the service's codes, and nothing is read after.
#include <gtest/gtest.h>

#include "platform/imapi/Imapi.h"
#include "platform/imapi/burn/ParanoiaReader.h"

namespace {

struct Refusal {
  const char* name;
  const char* device;
  HRESULT expected;
};

void PrintTo(const Refusal& row, std::ostream* os) { *os << row.name; }
class ParanoiaRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(ParanoiaRefusal, IsACodeAndNoRead) {
  imapi_burn::ParanoiaReader reader;
  std::vector<imapi_backend::AudioTrackExtent> tracks;
  EXPECT_EQ(reader.Open(GetParam().device, &tracks), GetParam().expected);
  EXPECT_TRUE(tracks.empty());
  uint8_t block[2352];
  EXPECT_EQ(reader.Read(0, 1, block), IMAPI_E_NOTOPENED);
}

INSTANTIATE_TEST_SUITE_P(Devices, ParanoiaRefusal,
                         ::testing::Values(Refusal{"Missing", "/dev/no-such-drive", IMAPI_E_DEVICE_NOTPRESENT},
                                           Refusal{"NotADrive", "/dev/null", IMAPI_E_DEVICE_INVALIDTYPE}),
                         [](const ::testing::TestParamInfo<Refusal>& info) { return info.param.name; });

}  // namespace
