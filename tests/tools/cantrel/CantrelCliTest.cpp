// The cantrel tool's command line, progress display and texts.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "tools/cantrel/CBurnProgress.h"
#include "tools/cantrel/CCantrelCommandLine.h"
#include "tools/cantrel/CErrorTexts.h"

namespace {

using Command = CantrelOptions::Command;

struct Accepted {
  const char* name;
  std::vector<std::string> args;
  Command command;
  int drive;
  bool simulate, noEject, full;
  std::vector<std::string> files;
};
void PrintTo(const Accepted& row, std::ostream* os) { *os << row.name; }
class CantrelAccepted : public ::testing::TestWithParam<Accepted> {};
TEST_P(CantrelAccepted, Parses) {
  const Accepted& c = GetParam();
  CantrelOptions o;
  std::string error;
  ASSERT_TRUE(CCantrelCommandLine::Parse(c.args, &o, &error)) << error;
  EXPECT_EQ(o.command, c.command);
  EXPECT_FALSE(o.bHelp);
  EXPECT_EQ(o.nDrive, c.drive);
  EXPECT_EQ(o.bDriveGiven, c.drive != 0);
  EXPECT_EQ(o.bSimulate, c.simulate);
  EXPECT_EQ(o.bNoEject, c.noEject);
  EXPECT_EQ(o.bFullErase, c.full);
  EXPECT_EQ(o.files, c.files);
}
INSTANTIATE_TEST_SUITE_P(
    CantrelCommandLine, CantrelAccepted,
    ::testing::Values(
        Accepted{"Burn", {"burn", "a.wav"}, Command::Burn, 0, false, false, false, {"a.wav"}},
        Accepted{"OptionsAmongFiles", {"burn", "--drive", "2", "--simulate", "a.wav", "--no-eject", "b.wav"},
                 Command::Burn, 2, true, true, false, {"a.wav", "b.wav"}},
        Accepted{"EqualsAndDashes", {"burn", "--drive=1", "--", "--odd.wav", "-"}, Command::Burn, 1, false, false,
                 false, {"--odd.wav", "-"}},
        Accepted{"EraseFull", {"erase", "--full", "--drive", "3"}, Command::Erase, 3, false, false, true, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CantrelCommandLine, HelpAnywhereAsksForTheCommandsUsage) {
  CantrelOptions o;
  std::string error;
  ASSERT_TRUE(CCantrelCommandLine::Parse({"erase", "--drive", "1", "--help"}, &o, &error));
  EXPECT_TRUE(o.bHelp && o.command == Command::Erase);
  EXPECT_NE(CCantrelCommandLine::Usage(Command::Erase).find("--full"), std::string::npos);
  EXPECT_EQ(CCantrelCommandLine::Usage(Command::Eject).find("--full"), std::string::npos);
}

struct Refused {
  const char* name;
  std::vector<std::string> args;
  const char* error;
};
void PrintTo(const Refused& row, std::ostream* os) { *os << row.name; }
class CantrelRefused : public ::testing::TestWithParam<Refused> {};
TEST_P(CantrelRefused, SaysWhy) {
  CantrelOptions o;
  std::string error;
  EXPECT_FALSE(CCantrelCommandLine::Parse(GetParam().args, &o, &error));
  EXPECT_NE(error.find(GetParam().error), std::string::npos) << error;
}
INSTANTIATE_TEST_SUITE_P(
    CantrelCommandLine, CantrelRefused,
    ::testing::Values(Refused{"NoCommand", {}, "a command is missing"},
                      Refused{"UnknownCommand", {"Burn", "a.wav"}, "unknown command Burn"},
                      Refused{"NoFile", {"burn"}, "needs at least one WAV file"},
                      Refused{"NoDrive", {"burn", "--drive"}, "--drive needs the index of a recorder"},
                      Refused{"DriveNotANumber", {"burn", "--drive", "1x", "a.wav"}, "not 1x"},
                      Refused{"DriveTooLarge", {"burn", "--drive", "32768", "a.wav"}, "not 32768"},
                      Refused{"OptionOfAnotherCommand", {"burn", "--eject", "a.wav"}, "burn has no option --eject"},
                      Refused{"FullForEject", {"eject", "--full"}, "eject has no option --full"},
                      Refused{"FilesForDrives", {"drives", "x"}, "drives takes no file names"},
                      Refused{"VerifyASimulation", {"burn", "--verify", "--simulate", "a.wav"}, "--verify needs a disc"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CantrelBurnProgress, PercentAndElapsedTime) {
  for (auto [done, total, percent] : std::vector<std::tuple<long, long, int>>{
           {0, 0, 0}, {5, 0, 0}, {-1, 10, 0}, {2, 3, 66}, {4, 3, 100}, {2000000000, 2100000000, 95}})
    EXPECT_EQ(CBurnProgress::Percent(done, total), percent) << done << "/" << total;
  for (auto [seconds, text] : std::vector<std::pair<double, const char*>>{
           {-3, "0:00"}, {7.9, "0:07"}, {3599, "59:59"}, {3723, "1:02:03"}})
    EXPECT_EQ(CBurnProgress::FormatElapsed(seconds), text) << seconds;
}

TEST(CantrelBurnProgress, PlainLinesOnlyWhenSomethingChanges) {
  CBurnProgress p(false);
  EXPECT_EQ(p.Track(1, 2, 0.5), "  0%  track 1 of 2  0:00\n") << "no blocks announced yet";
  EXPECT_EQ(p.Blocks(0, 300, 1), "  0%  0/300 blocks  track 1 of 2  0:01\n");
  EXPECT_EQ(p.Blocks(14, 300, 1), "") << "4%: not yet the next step of 5";
  EXPECT_EQ(p.Blocks(15, 300, 2), "  5%  15/300 blocks  track 1 of 2  0:02\n");
  EXPECT_EQ(p.Blocks(29, 300, 2), "");
  EXPECT_EQ(p.Track(1, 2, 2), "") << "same track";
  EXPECT_EQ(p.Track(2, 2, 3), "  9%  29/300 blocks  track 2 of 2  0:03\n");
  EXPECT_EQ(p.Blocks(297, 300, 4), " 99%  297/300 blocks  track 2 of 2  0:04\n");
  EXPECT_EQ(p.Blocks(300, 300, 4), "100%  300/300 blocks  track 2 of 2  0:04\n");
  EXPECT_EQ(p.Closing(12, 5), "100%  closing disc (about 12 s)  0:05\n");
  EXPECT_EQ(p.Finish(), "") << "plain lines end themselves";
}

TEST(CantrelBurnProgress, ATerminalGetsOneLiveLine) {
  CBurnProgress p(true, 10);
  EXPECT_EQ(p.Finish(), "") << "nothing drawn yet";
  EXPECT_EQ(p.Blocks(150, 300, 65), "\r[#####-----]  50%  150/300 blocks  1:05\x1b[K");
  EXPECT_EQ(p.Track(1, 3, 66), "\r[#####-----]  50%  150/300 blocks  track 1 of 3  1:06\x1b[K");
  EXPECT_EQ(p.Closing(4, 70), "\r[##########] 100%  closing disc (about 4 s)  1:10\x1b[K");
  EXPECT_EQ(p.Finish(), "\n");
}

TEST(CantrelErrorTexts, EveryNumberTheControlRaisesHasItsOwnMeaning) {
  std::set<std::string> seen;
  for (int n = 1; n <= 9; ++n) {
    std::string text = CErrorTexts::ErrorEvent(n);
    EXPECT_NE(text, CErrorTexts::ErrorEvent(0)) << n;
    EXPECT_TRUE(seen.insert(text).second) << n << ": " << text;
  }
}

}  // namespace
