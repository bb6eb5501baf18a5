#include "app/data/GroupArray.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

CGroupData MakeGroup(const QString& name, int volume) {
    CGroupData group;
    group.m_strName = name;
    for (CChannelData& ch : group.m_aChannel) {
        ch.m_strTitle = name + "-title";
        ch.m_strFile = "/s/" + name + ".wav";
        ch.m_nVolume = volume;
    }
    return group;
}

TEST(GroupDataTest, InitStateAndCopiesOfChannels) {
    CChannelData ch;
    EXPECT_EQ(ch.m_nVolume, 0);
    EXPECT_EQ(ch.m_dRate, 1.0);
    EXPECT_EQ(ch.m_dTimeFadeIn, 5.0);
    EXPECT_EQ(ch.m_dTimeFadeOut, 5.0);
    EXPECT_EQ(ch.m_nPlayState, CChannelData::kNoMedia);

    ch.m_strTitle = "Fanfare";
    ch.m_nPlayState = CChannelData::kPlaying;
    ch.m_dPlayTime = 2.5;
    ch.m_nFadeMode = -1;
    ch.m_nFadeTarget = 80;
    CChannelData copy;
    copy = ch;
    EXPECT_EQ(copy.m_strTitle, "Fanfare");
    EXPECT_EQ(copy.m_nPlayState, CChannelData::kPlaying) << "run-time state travels with the copy";
    EXPECT_EQ(copy.m_dPlayTime, 2.5);
    EXPECT_EQ(copy.m_nFadeMode, -1);
    EXPECT_EQ(copy.m_nFadeTarget, 80);
    const CChannelData constructed(ch);
    EXPECT_EQ(constructed.m_nPlayState, CChannelData::kPlaying);
}

TEST(GroupDataTest, GroupInitKeepsTheNameAssignmentReplacesAll) {
    CGroupData group = MakeGroup("A", 50);
    group.Init();
    EXPECT_EQ(group.m_strName, "A");
    for (const CChannelData& ch : group.m_aChannel) {
        EXPECT_TRUE(ch.m_strTitle.isEmpty());
        EXPECT_EQ(ch.m_nVolume, 0);
    }
    CGroupData target = MakeGroup("B", 60);
    const CGroupData source = MakeGroup("C", 70);
    CGroupData& result = target;
    result = source;
    EXPECT_EQ(target.m_strName, "C");
    EXPECT_EQ(target.m_aChannel[9].m_strFile, "/s/C.wav");
    EXPECT_EQ(target.m_aChannel[9].m_nVolume, 70);
}

TEST(GroupDataTest, SetOperationsAndRangeChecks) {
    CGroupArray three;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(three.Add(MakeGroup(QString::number(i), i)), i);
    CGroupArray five;
    for (int i = 0; i < 5; ++i)
        five.Add(MakeGroup("x", 99));
    five.Copy(three);
    ASSERT_EQ(five.GetSize(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(five[i].m_strName, QString::number(i));
        EXPECT_EQ(five[i].m_aChannel[4].m_nVolume, i);
    }
    EXPECT_THROW(five.GetAt(3), std::invalid_argument);
    EXPECT_THROW(five[-1], std::invalid_argument);
    EXPECT_THROW(five.RemoveAt(3), std::invalid_argument);
    five.RemoveAt(0);
    EXPECT_EQ(five[0].m_strName, "1");
    five.RemoveAll();
    EXPECT_TRUE(five.IsEmpty());
    EXPECT_THROW(five.GetAt(0), std::invalid_argument);
}

} // namespace
