#include "sort/SortWorker.h"

#include <gtest/gtest.h>

#include "sort/ResultLog.h"
#include "sort/SortFixtures.h"
#include "sort/SortRun.h"

using sorttest::LogLines;
using sorttest::NativeSeparators;
using sorttest::FaultyFileSystem;
using sorttest::RunEnd;
using sorttest::TestRunContext;
using sorttest::TempFolder;
using sorttest::TinyPng;
using sorttest::WithoutTime;
using sorttest::WriteBytes;

TEST(SortWorker, WritesItsLogLineThenStepsAndDecrementsAsItsLastAct) {
    TempFolder temp;
    FaultyFileSystem faults;
    RunContext context = TestRunContext(temp.Path(), faults);
    RunEnd runEnd;
    ASSERT_TRUE(OpenResultLog(context, SortHost{}));
    const std::string path = NativeSeparators(temp.Path().string() + "/a.png");
    WriteBytes(path, TinyPng(true, 9));

    std::size_t linesAtStep = 0;
    std::int32_t activeAtStep = 0;
    SortHost host;
    host.StepProgress = [&] {
        linesAtStep = LogLines(LogFilePath).size();
        activeAtStep = ActiveWorkers.load();
    };
    SortTally tally;
    ActiveWorkers = 1;

    SortWorker(context, path, tally, host);

    EXPECT_EQ(1u, linesAtStep);
    EXPECT_EQ(1, activeAtStep);
    EXPECT_EQ(0, ActiveWorkers.load());
    EXPECT_EQ(1, tally.movedColor.load());
    EXPECT_EQ(NativeSeparators("[" + path + "]【カラー】「" + temp.Path().string() + "/color/a.png」に移動しました。"),
              WithoutTime(LogLines(LogFilePath).at(0)));
}

