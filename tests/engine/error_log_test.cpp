// The error log, the progress report and the abort poll.
#include <regex>

#include "engine_fixture.h"
#include "platform/ops.h"
#include "private_temp.h"
#include "zuno.h"

namespace {

int polls = 0, steps = 0, ticks = 0;
void count_poll() {
  ++polls;
}
void count_step() {
  ++steps;
}
void count_tick() {
  ++ticks;
}
void abort_on_poll() {
  ZunoAbortReq();
}

class ErrorLog : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    polls = steps = ticks = 0;
  }
};

TEST_F(ErrorLog, EntryHasTheTwoLineFormat) {
  char text[] = "output path is not exist";
  ZunoErr(-1, text);
  std::string log = read(private_temp("zunoerr.log"));
  std::regex entry(
      R"(^\((Sun|Mon|Tue|Wed|Thu|Fri|Sat) [A-Z][a-z]{2} [ 0-9]\d \d\d:\d\d:\d\d \d{4}\n\)ZunoErr\[-1\]: output path is not exist\n$)");
  EXPECT_TRUE(std::regex_match(log, entry)) << log;
}

TEST_F(ErrorLog, NoTextRecordsTheStandardText) {
  ZunoErr(2, nullptr);
  EXPECT_STREQ(engine().last_error, strerror(2));
  EXPECT_NE(read(private_temp("zunoerr.log")).find("ZunoErr[2]: " + std::string(strerror(2))),
            std::string::npos);
}

TEST_F(ErrorLog, QueryCopiesLastTextAndReturnsItsCode) {
  char area[ZUNO_BUFSIZE] = "stale";
  EXPECT_EQ(ZunoErr(0, area), 0);
  EXPECT_STREQ(area, "");
  char text[] = "boom";
  ZunoErr(-1, text);
  EXPECT_EQ(ZunoErr(0, area), -1);
  EXPECT_STREQ(area, "boom");
}

TEST_F(ErrorLog, LongMessageIsCutForTheCallerButLoggedWhole) {
  std::string text = "cannot read " + std::string(600, 'p');
  ZunoErr(-1, text.data());
  char area[ZUNO_BUFSIZE + 4];
  memset(area, '#', sizeof area);
  char *buf = area;
  ZunoGetLastErr(&buf);
  EXPECT_EQ(strlen(area), 255u);
  EXPECT_EQ(area[ZUNO_BUFSIZE], '#');
  EXPECT_NE(read(private_temp("zunoerr.log")).find(text), std::string::npos);
}

TEST_F(ErrorLog, UnwritableLogLosesTheEntryButKeepsTheError) {
  setenv("TEMP", path("missing/folder").c_str(), 1);
  char text[] = "still here";
  EXPECT_EQ(ZunoErr(-1, text), 0);
  EXPECT_STREQ(engine().last_error, "still here");
}

TEST_F(ErrorLog, ProgressValueZeroOnlyTicks) {
  ZunoSetProgressProc(nullptr, count_step, nullptr, count_tick);
  ZunoCallProgress(0);
  ZunoCallProgress(1);
  EXPECT_EQ(steps, 1);
  EXPECT_EQ(ticks, 2);
}

TEST_F(ErrorLog, PollYieldsOnFirstAndEveryPriorityPlusOneCalls) {
  engine().rec.CpuPriority = 2;
  ZunoSetProgressProc(nullptr, nullptr, count_poll, nullptr);
  std::vector<int> seen;
  for (int i = 1; i <= 6; ++i) {
    int before = polls;
    ZunoSleep();
    if (polls != before) seen.push_back(i);
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 4}));
}

int g_sleeps = 0;
int counting_sleep(const struct timespec *, struct timespec *) {
  ++g_sleeps;
  return 0;
}

TEST_F(ErrorLog, PollNeverSleepsWhateverThePriority) {
  plat::ScopedOps os;
  os->nanosleep = counting_sleep;
  g_sleeps = 0;
  for (int priority : {0, 10, 99}) {
    engine().rec.CpuPriority = priority;
    for (int i = 0; i < 50; ++i) ZunoSleep();
  }
  EXPECT_EQ(g_sleeps, 0) << "a fixed sleep made the default run many times slower";
}

TEST_F(ErrorLog, AbortIsSeenAtTheNextYieldAndRecorded) {
  engine().rec.CpuPriority = 0;
  ZunoSetProgressProc(nullptr, nullptr, abort_on_poll, nullptr);
  EXPECT_EQ(ZunoSleep(), 1);
  EXPECT_STREQ(engine().last_error, "ユーザーによる中断要求");
}

TEST_F(ErrorLog, FastestPriorityNeverYieldsNorReportsAbort) {
  engine().rec.CpuPriority = 100;
  ZunoSetProgressProc(nullptr, nullptr, count_poll, nullptr);
  ZunoAbortReq();
  EXPECT_EQ(ZunoSleep(), 0);
  EXPECT_EQ(polls, 0);
  EXPECT_EQ(engine().abort_flag, 1);
}

TEST_F(ErrorLog, ReadingSettingsClearsStepAndTotalCallbacks) {
  write("quillo.ini", "[Size]\nPriority=1\n");
  ZunoSetProgressProc([](int) {}, count_step, count_poll, count_tick);
  ZunoInit(dir_.c_str());
  EXPECT_EQ(engine().rec.StepProc, nullptr);
  EXPECT_EQ(engine().rec.TotalProc, nullptr);
  EXPECT_NE(engine().rec.PollProc, nullptr);
  EXPECT_NE(engine().rec.TickProc, nullptr);
}

}  // namespace
